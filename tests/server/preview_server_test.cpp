#include "server/preview_server.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>
#include <zlib.h>

#include <gtest/gtest.h>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <thread>

#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "writers/player_copy.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

const std::string kClassicPage =
    "<html>\r\n  <head>\r\n    <title>\r\n      T\r\n    </title>\r\n  </head>\r\n  <body>\r\n"
    "        <embed src=\"snx1s.swf\" type=\"application/x-shockwave-flash\">\r\n  </body>\r\n</html>\r\n";
const std::string kPrivateText = "private words";

struct FileRow {
  std::string name;
  std::string text;
};

// The set snx1 beside what the server must never hand out.
const FileRow kFolderFiles[] = {
    {"snx1.htm", kClassicPage},    {"snx1s.swf", "FWS stream"},     {"snx1c.swf", "FWS controller"},
    {"snx1.mp3", "mp3"},           {"snx2.htm", kPrivateText},      {"notes.txt", kPrivateText},
    {".hidden.swf", kPrivateText}, {"sub/snx1s.swf", kPrivateText},
};

struct Response {
  int status = 0;
  std::string type, body;
};

// The path of an address, and the secret it begins with.
std::string pathOf(const std::string& address) { return address.substr(address.find('/', 7)); }
std::string secretOf(const std::string& address) {
  const std::string path = pathOf(address);
  return path.substr(1, path.find('/', 1) - 1);
}

std::string wasmOfPlayer() {
  for (const auto& entry : fs::directory_iterator(programPlayerFolder(test::programFolder())))
    if (entry.path().extension() == ".wasm") return entry.path().filename().string();
  return {};
}

// A served output folder beside a folder the server must never reveal.
struct ServedSet {
  TempFolder outside, served;
  PreviewServer server{programPlayerFolder(test::programFolder())};
  std::string address, secret;

  ServedSet() {
    test::writeFileText(outside.file("private.txt"), kPrivateText);
    fs::permissions(outside.file("private.txt"), fs::perms::owner_read | fs::perms::owner_write);
    fs::create_directory(served.file("sub"));
    for (const FileRow& f : kFolderFiles) test::writeFileText(served.file(f.name), f.text);
    // A planted link at a name of the set.
    fs::create_symlink(outside.file("private.txt"), served.file("snx1e.swf"));
    address = server.addressFor(served.path(), "snx1.htm", outputSetFiles(served.path(), "snx1.htm")).value_or("");
    secret = secretOf(address);
  }

  Response get(const std::string& path, const httplib::Headers& headers = {}) {
    httplib::Client client("127.0.0.1", server.port());
    client.set_url_encode(false);
    client.set_connection_timeout(10);
    client.set_read_timeout(10);
    httplib::Result result = client.Get(path.c_str(), headers);
    if (!result) return {};
    return {result->status, result->get_header_value("Content-Type"), result->body};
  }
};

TEST(PreviewServer, AddressesBeginWithASecretOf128BitsThatEachStartMakesAfresh) {
  ServedSet one, two;
  EXPECT_TRUE(std::regex_match(one.address, std::regex("http://127\\.0\\.0\\.1:\\d+/[0-9a-f]{32}/1/snx1\\.htm")))
      << one.address;
  EXPECT_NE(one.secret, two.secret);
}

struct ServedRow {
  std::string path;  // after /<secret>
  std::string type;
};

TEST(PreviewServer, ServesTheSetAndThePlayerWithTheirTypes) {
  ServedSet f;
  const std::string wasm = wasmOfPlayer();
  ASSERT_FALSE(wasm.empty()) << "the build laid out no player";
  const ServedRow rows[] = {
      {"/1/snx1s.swf", "application/x-shockwave-flash"},
      {"/1/snx1.mp3", "audio/mpeg"},
      {"/1/snx1.htm", "text/html"},
      {"/player/ruffle.js", "text/javascript"},
      {"/player/" + wasm, "application/wasm"},
      {"/1/player/ruffle.js", "text/javascript"},  // a page that loads the player copied beside it
  };
  for (const ServedRow& row : rows) {
    const Response r = f.get("/" + f.secret + row.path);
    EXPECT_EQ(r.status, 200) << row.path;
    EXPECT_EQ(r.type, row.type) << row.path;
  }
}

TEST(PreviewServer, RefusesEverythingButTheSetAndThePlayer) {
  ServedSet f;
  const std::string s = "/" + f.secret;
  const std::string refused[] = {
      s + "/1/snx2.htm",
      s + "/1/sub/snx1s.swf",
      s + "/1/snx1e.swf",  // another set, a subfolder, a link
      s + "/1/../" + fs::path(f.outside.path()).parent_path().filename().string() + "/private.txt",
      s + "/1/%2e%2e/%2e%2e/etc/passwd",
      s + "/1/",
      s + "/2/snx1.htm",
      s + "/player/",
  };
  for (const std::string& path : refused) {
    Response r = f.get(path);
    EXPECT_EQ(r.status, 404) << path;
    EXPECT_EQ(r.body.find(kPrivateText), std::string::npos) << path;
  }
}

TEST(PreviewServer, AnswersOnlyRequestsAddressedToItsOwnName) {
  ServedSet f;
  const std::string path = "/" + f.secret + "/1/snx1s.swf", port = std::to_string(f.server.port());
  EXPECT_EQ(f.get(path, {{"Host", "attacker.example:" + port}}).status, 404);
  EXPECT_EQ(f.get(path, {{"Host", "localhost:" + port}}).status, 200);
}

struct RangeRow {
  std::string range;
  int status;
  std::string body;
};

TEST(PreviewServer, AnswersOneRangeAndTheWholeFileForSeveral) {
  ServedSet f;
  const RangeRow rows[] = {
      {"bytes=4-9", 206, "stream"},
      {"bytes=-6", 206, "stream"},
      {"bytes=0-0,2-3", 200, "FWS stream"},
      {"bytes=99-", 416, ""},
  };
  for (const RangeRow& row : rows) {
    const Response r = f.get("/" + f.secret + "/1/snx1s.swf", {{"Range", row.range}});
    EXPECT_EQ(r.status, row.status) << row.range;
    EXPECT_EQ(r.body, row.body) << row.range;
  }
}

struct PageRow {
  std::string name;
  std::string text;
  std::string served;  // with <+> standing for the added tags, <s> for the start script alone
};

TEST(PreviewServer, PagesThatEmbedGetThePlayerScriptsOnTheWayOut) {
  TempFolder folder;
  PreviewServer server(folder.path());
  const PageRow rows[] = {
      {"snx1.htm", kClassicPage, std::string(kClassicPage).insert(kClassicPage.find("  </head>"), "    <+>")},
      {"bare.htm", "<embed src=\"a.swf\">", "<+><embed src=\"a.swf\">"},
      {"plain.htm", "<!DOCTYPE html><title>x</title>", "<!DOCTYPE html><title>x</title>"},
      {"own.htm", "<head><script src=\"player/ruffle.js\"></script></head><embed>",
       "<head><script src=\"player/ruffle.js\"></script><s></head><embed>"},
      {"started.htm",
       std::string("<script>") + kPlayerStartScript + "</script><script src=\"player/ruffle.js\"></script><embed>",
       std::string("<script>") + kPlayerStartScript + "</script><script src=\"player/ruffle.js\"></script><embed>"},
      {"online.htm", "<head><script src=\"https://unpkg.com/@ruffle-rs/ruffle\"></script></head><embed>",
       "<head><script src=\"https://unpkg.com/@ruffle-rs/ruffle\"></script><+></head><embed>"},
  };
  for (const PageRow& row : rows) {
    test::writeFileText(folder.file(row.name), row.text);
    const std::string address = server.addressFor(folder.path(), row.name, {}).value_or("");
    httplib::Client client("127.0.0.1", server.port());
    httplib::Result result = client.Get(pathOf(address).c_str());
    ASSERT_TRUE(result) << row.name;
    const bool indented = row.served.find("    <+>") != std::string::npos;
    const std::string start = std::string("<script>") + kPlayerStartScript + "</script>\r\n";
    std::string tags =
        start + (indented ? "    " : "") + "<script src=\"/" + secretOf(address) + "/player/ruffle.js\"></script>\r\n";
    std::string expected = row.served;
    if (std::size_t at = expected.find("<+>"); at != std::string::npos) expected.replace(at, 3, tags);
    if (std::size_t at = expected.find("<s>"); at != std::string::npos) expected.replace(at, 3, start);
    EXPECT_EQ(result->body, expected) << row.name;
    EXPECT_EQ(test::readFileText(folder.file(row.name)), row.text) << row.name;
  }
}

std::string gunzipped(const std::string& packed) {
  z_stream stream{};
  if (inflateInit2(&stream, MAX_WBITS + 16) != Z_OK) return "inflateInit2 failed";
  std::string text;
  char buffer[16384];
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  stream.avail_in = static_cast<uInt>(packed.size());
  int result = Z_OK;
  while (result == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    result = inflate(&stream, Z_NO_FLUSH);
    text.append(buffer, sizeof buffer - stream.avail_out);
  }
  inflateEnd(&stream);
  return result == Z_STREAM_END && stream.avail_in == 0 ? text : "not one whole gzip stream";
}

struct EncodingRow {
  std::string path;  // after /<secret>
  std::string acceptEncoding;
  bool gzipped;
  bool varies;  // the answer names Accept-Encoding as deciding it
};

TEST(PreviewServer, SendsTextGzippedWhereTakenAndTheSameTextOtherwise) {
  ServedSet f;
  const EncodingRow rows[] = {
      {"/1/snx1.htm", "gzip, deflate, br", true, true},
      {"/player/ruffle.js", "gzip", true, true},
      {"/1/snx1.htm", "gzip;q=0, identity", false, true},
      {"/1/snx1s.swf", "gzip", false, false},  // sound and animations stream as they are
  };
  httplib::Client client("127.0.0.1", f.server.port());
  client.set_decompress(false);
  for (const EncodingRow& row : rows) {
    const std::string path = "/" + f.secret + row.path;
    httplib::Result asIs = client.Get(path.c_str(), {{"Accept-Encoding", "identity"}});
    httplib::Result result = client.Get(path.c_str(), {{"Accept-Encoding", row.acceptEncoding}});
    ASSERT_TRUE(asIs && result) << row.path;
    EXPECT_EQ(result->get_header_value("Content-Encoding"), row.gzipped ? "gzip" : "") << row.path;
    EXPECT_EQ(result->get_header_value("Vary") == "Accept-Encoding", row.varies) << row.path;
    // Whole scripts would fill the log.
    EXPECT_TRUE((row.gzipped ? gunzipped(result->body) : result->body) == asIs->body) << row.path << " differs";
  }
}

TEST(PreviewServer, FilesTheFolderLacksComeFromItsFallback) {
  TempFolder served, shipped;
  test::writeFileText(served.file("preview.htm"), "<p>controllers</p>");
  test::writeFileText(served.file("Mine01100010.swf"), "mine");
  test::writeFileText(shipped.file("Mine01100010.swf"), "shipped copy");
  test::writeFileText(shipped.file("Deck01120060.swf"), "deck");
  PreviewServer server(programPlayerFolder(test::programFolder()));
  server.addFallback(served.path(), shipped.path());
  const std::string address =
      server.addressFor(served.path(), "preview.htm", {"preview.htm", "Mine01100010.swf", "Deck01120060.swf"})
          .value_or("");
  const std::string folder = pathOf(address).substr(0, pathOf(address).rfind('/') + 1);
  httplib::Client client("127.0.0.1", server.port());
  auto body = [&](const std::string& name) {
    httplib::Result result = client.Get((folder + name).c_str());
    return result ? result->body : std::string();
  };
  EXPECT_EQ(body("Deck01120060.swf"), "deck");
  EXPECT_EQ(body("Mine01100010.swf"), "mine");  // the folder's own copy first
}

// The browser is started with a file, not the address: command lines show to every user.
TEST(PreviewServer, ForwardsToTheAddressFromAFileOnlyItsUserReadsUntilItStops) {
  std::string page;
  {
    ServedSet f;
    page = f.server.forwardingPageFor(f.address).value_or("");
    ASSERT_FALSE(page.empty());
    EXPECT_NE(test::readFileText(page).find("location.replace(\"" + f.address + "\")"), std::string::npos);
    EXPECT_EQ(fs::status(page).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(fs::path(page).parent_path()).permissions(), fs::perms::owner_all);
  }
  EXPECT_FALSE(fs::exists(page));
}

TEST(PreviewServer, StopsWhenDestroyed) {
  int port = 0;
  {
    TempFolder folder;
    PreviewServer server(folder.path());
    EXPECT_EQ(server.port(), 0);
    ASSERT_TRUE(server.addressFor(folder.path(), "a.htm", {}));
    port = server.port();
  }
  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(1);
  EXPECT_FALSE(client.Get("/"));
}

// ---- Attacks against a running server ----

int connectTo(int port) {
  int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
  ::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address);
  return sock;
}

bool sendAll(int sock, const std::string& data) {
  return ::send(sock, data.data(), data.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(data.size());
}

// What the server answers until it closes or is silent for 10 s; bytes
// beyond the first 64 KB are only counted.
std::string receiveAll(int sock, std::size_t& total) {
  std::string got;
  char buffer[65536];
  pollfd p{sock, POLLIN, 0};
  for (ssize_t n; ::poll(&p, 1, 10000) > 0 && (n = ::recv(sock, buffer, sizeof buffer, 0)) > 0;) {
    if (got.size() < sizeof buffer) got.append(buffer, static_cast<std::size_t>(n));
    total += static_cast<std::size_t>(n);
  }
  return got;
}

std::string request(const std::string& path, int port, const std::string& extraHeaders = "") {
  return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" + extraHeaders + "\r\n";
}

long residentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

// The server under attack, with a 3 GB file in a set of its own.
struct Target : ServedSet {
  TempFolder big;
  std::atomic<bool> started{false}, stop{false};
  std::size_t received = 0;  // by the attacker

  Target() {
    test::writeFileText(big.file("snx9.mp3"), "");
    fs::resize_file(big.file("snx9.mp3"), 3ull << 30);
    server.addressFor(big.path(), "snx9.htm", {"snx9.mp3"});
  }
  std::string path(const std::string& tail) const { return "/" + secret + tail; }

  // Sends text on a new connection and returns the answer.
  std::string ask(const std::string& text) {
    int sock = connectTo(server.port());
    sendAll(sock, text);
    started = true;
    std::string got = receiveAll(sock, received);
    ::close(sock);
    return got;
  }
};

// An attack runs until the target's stop is set and returns the start of
// what it got.
struct Attack {
  std::string name;
  std::function<std::string(Target&)> run;
  std::string answer;  // how the attacker's answer begins; "" for none or a refusal
  bool asOtherUser = false;
};

void PrintTo(const Attack& attack, std::ostream* out) { *out << attack.name; }

// User nobody, from a child process, asks for a file of the set the only
// way it can: without the secret.
std::string askAsOtherUser(Target& t) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return "no pipe";
  pid_t child = ::fork();
  if (child == 0) {
    if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) ::_exit(2);
    const std::string got = t.ask(request("/1/snx1s.swf", t.server.port()));
    ::_exit(::write(pipeEnds[1], got.data(), got.size()) < 0 ? 3 : 0);
  }
  ::close(pipeEnds[1]);
  t.started = true;
  std::string got;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    got.append(buffer, static_cast<std::size_t>(n));
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return status == 0 ? got : "the child failed";
}

std::string rangeBomb(Target& t) {
  std::string ranges = "Range: bytes=0-";
  for (int i = 1; i < 2600; ++i) ranges += ",0-";
  return t.ask(request(t.path("/player/" + wasmOfPlayer()), t.server.port(), ranges + "\r\n"));
}

std::string millionHeaders(Target& t) {
  std::string lines;
  for (int i = 0; i < 1000000; ++i) lines += "X: " + std::to_string(i % 10) + "\r\n";
  return t.ask(request(t.path("/1/snx1s.swf"), t.server.port(), lines));
}

// Sixteen connections, each sending one header line every 2 s.
std::string slowClients(Target& t) {
  std::vector<int> socks;
  for (int i = 0; i < 16; ++i) socks.push_back(connectTo(t.server.port()));
  std::string got;
  char buffer[4096];
  for (int line = 0; !t.stop; ++line) {
    for (int sock : socks) {
      sendAll(sock, line == 0 ? "GET " + t.path("/1/snx1s.swf") + " HTTP/1.1\r\n" : "X-Slow: 1\r\n");
      ssize_t n = ::recv(sock, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    }
    t.started = true;
    for (int i = 0; i < 20 && !t.stop; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  for (int sock : socks) ::close(sock);
  return got;
}

// Asks for the 3 GB file and takes its answer slowly.
std::string hugeFile(Target& t) {
  int sock = connectTo(t.server.port());
  sendAll(sock, request(t.path("/2/snx9.mp3"), t.server.port()));
  char buffer[4096];
  while (!t.stop) {
    if (::recv(sock, buffer, sizeof buffer, MSG_DONTWAIT) > 0) t.started = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::close(sock);
  return "";
}

class ServerUnderAttack : public ::testing::TestWithParam<Attack> {};

// The attack gets nothing it should not, and meanwhile a plain request is
// answered and the server's memory stays small.
TEST_P(ServerUnderAttack, GetsNothingAndOthersAreStillServed) {
  const Attack& attack = GetParam();
  if (attack.asOtherUser && ::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  Target t;
  ASSERT_FALSE(t.secret.empty());
  const long before = residentKilobytes();
  std::string got;
  long mostKilobytes = 0;
  std::thread attacker([&] { got = attack.run(t); });
  std::thread watcher([&] {
    for (; !t.stop; std::this_thread::sleep_for(std::chrono::milliseconds(20)))
      mostKilobytes = std::max(mostKilobytes, residentKilobytes() - before);
  });
  for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
       !t.started && std::chrono::steady_clock::now() < end;)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const Response plain = t.get(t.path("/1/snx1s.swf"));
  t.stop = true;
  attacker.join();
  watcher.join();

  EXPECT_EQ(plain.status, 200) << "no answer to a plain request during the attack";
  EXPECT_EQ(plain.body, "FWS stream");
  EXPECT_LT(mostKilobytes, 64 * 1024);
  const bool served = attack.answer == "HTTP/1.1 200";
  if (attack.answer.empty())
    EXPECT_EQ(got.find("HTTP/1.1 200"), std::string::npos) << got.substr(0, 200);
  else
    EXPECT_EQ(got.substr(0, attack.answer.size()), attack.answer);
  // The whole file, once, at most.
  const std::size_t file = fs::file_size(programPlayerFolder(test::programFolder()) + wasmOfPlayer());
  EXPECT_LE(t.received, (served ? file : 0) + 1024);
}

INSTANTIATE_TEST_SUITE_P(
    Attacks, ServerUnderAttack,
    ::testing::Values(
        Attack{"AnotherUser", askAsOtherUser, "HTTP/1.1 404", true},
        Attack{"NoSecret", [](Target& t) { return t.ask(request("/1/snx1s.swf", t.server.port())); }, "HTTP/1.1 404"},
        Attack{"WrongSecret",
               [](Target& t) { return t.ask(request("/" + std::string(32, 'a') + "/1/snx1s.swf", t.server.port())); },
               "HTTP/1.1 404"},
        Attack{"FileOutsideTheSet", [](Target& t) { return t.ask(request(t.path("/1/notes.txt"), t.server.port())); },
               "HTTP/1.1 404"},
        Attack{"HiddenFile", [](Target& t) { return t.ask(request(t.path("/1/.hidden.swf"), t.server.port())); },
               "HTTP/1.1 404"},
        Attack{"RangeBomb", rangeBomb, "HTTP/1.1 200"}, Attack{"SixteenSlowClients", slowClients, ""},
        Attack{"MillionHeaders", millionHeaders, ""}, Attack{"HugeSparseFile", hugeFile, ""}),
    [](const ::testing::TestParamInfo<Attack>& info) { return info.param.name; });

}  // namespace
}  // namespace sonaflux
