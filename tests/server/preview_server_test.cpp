#include "server/preview_server.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
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
    {"snx1.htm", kClassicPage}, {"snx1s.swf", "FWS stream"}, {"snx1c.swf", "FWS controller"},
    {"snx1.mp3", "mp3"},        {"snx2.htm", kPrivateText},  {"notes.txt", kPrivateText},
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
    if (std::regex_match(address, std::regex("http://127\\.0\\.0\\.1:\\d+/[0-9a-f]+/1/snx1\\.htm")))
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
  EXPECT_EQ(one.secret.size(), 32u) << one.address;
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
      {"/1/snx1s.swf", "application/x-shockwave-flash"}, {"/1/snx1.mp3", "audio/mpeg"},
      {"/1/snx1.htm", "text/html"},                      {"/player/ruffle.js", "text/javascript"},
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
      s + "/1/notes.txt", s + "/1/snx2.htm", s + "/1/.hidden.swf", s + "/1/sub/snx1s.swf",
      s + "/1/snx1e.swf",  // the link at a set name
      s + "/1/../" + fs::path(f.outside.path()).parent_path().filename().string() + "/private.txt",
      s + "/1/%2e%2e/%2e%2e/etc/passwd", s + "/1/..%2fnotes.txt", s + "/player/../1/notes.txt",
      s + "/1/" + f.outside.file("private.txt"), s + "/1/sub", s + "/1/", s + "/", s + "/2/snx1.htm",
      s + "/0/snx1.htm", s + "/99999999999/snx1.htm", s + "/1/snx1.htm%00.txt", s + "/player/",
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
      {"bytes=4-9", 206, "stream"}, {"bytes=4-", 206, "stream"},     {"bytes=-6", 206, "stream"},
      {"bytes=0-0,2-3", 200, "FWS stream"}, {"bytes=99-", 416, ""},
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
  std::string served;  // with <+> standing for the added tags
};

TEST(PreviewServer, PagesThatEmbedGetThePlayerScriptsOnTheWayOut) {
  TempFolder folder;
  PreviewServer server(folder.path());
  const PageRow rows[] = {
      {"snx1.htm", kClassicPage, std::string(kClassicPage).insert(kClassicPage.find("  </head>"), "    <+>")},
      {"bare.htm", "<embed src=\"a.swf\">", "<+><embed src=\"a.swf\">"},
      {"plain.htm", "<!DOCTYPE html><title>x</title>", "<!DOCTYPE html><title>x</title>"},
      {"own.htm", "<head><script src=\"player/ruffle.js\"></script></head><embed>",
       "<head><script src=\"player/ruffle.js\"></script></head><embed>"},
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
    std::string tags = std::string("<script>") + kPlayerStartScript + "</script>\r\n" + (indented ? "    " : "") +
                       "<script src=\"/" + secretOf(address) + "/player/ruffle.js\"></script>\r\n";
    std::string expected = row.served;
    if (std::size_t at = expected.find("<+>"); at != std::string::npos) expected.replace(at, 3, tags);
    EXPECT_EQ(result->body, expected) << row.name;
    EXPECT_EQ(test::readFileText(folder.file(row.name)), row.text) << row.name;
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
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(sock);
    return -1;
  }
  return sock;
}

bool sendAll(int sock, const std::string& data) {
  for (std::size_t sent = 0; sent < data.size();) {
    ssize_t n = ::send(sock, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

// What the server answers on sock until it closes or is silent for 10 s.
std::string receiveAll(int sock) {
  std::string got;
  char buffer[65536];
  for (;;) {
    pollfd p{sock, POLLIN, 0};
    if (::poll(&p, 1, 10000) <= 0) break;
    ssize_t n = ::recv(sock, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    got.append(buffer, static_cast<std::size_t>(n));
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

// The server under attack: the set, a 3 GB file of its own set, and what
// the attacker takes away.
struct Target : ServedSet {
  TempFolder big;
  std::string bigAddress;
  std::atomic<bool> started{false}, stop{false};
  std::atomic<long> mostKilobytes{0};

  Target() {
    test::writeFileText(big.file("snx9.htm"), "<p>");
    test::writeFileText(big.file("snx9.mp3"), "");
    fs::resize_file(big.file("snx9.mp3"), 3ull << 30);
    bigAddress = server.addressFor(big.path(), "snx9.htm", {"snx9.mp3"}).value_or("");
  }
  std::string path(const std::string& tail) const { return "/" + secret + tail; }
};

// An attack runs until the target's stop is set and returns what it got.
struct Attack {
  std::string name;
  std::function<std::string(Target&)> run;
  bool asOtherUser = false;
  bool mayGetTheFile = false;  // a file of the set, once, at most
};

void PrintTo(const Attack& attack, std::ostream* out) { *out << attack.name; }

// Asks as user nobody, from a child process, for a file of the set by the
// address it would have without the secret.
std::string askAsOtherUser(Target& t) {
  t.started = true;
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return "no pipe";
  pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeEnds[0]);
    if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) ::_exit(2);
    const std::string paths[] = {"/1/snx1s.swf", "/1/" + t.outside.file("private.txt")};
    for (const std::string& path : paths) {
      int sock = connectTo(t.server.port());
      if (sock < 0) continue;
      sendAll(sock, request(path, t.server.port()));
      const std::string got = receiveAll(sock);
      if (::write(pipeEnds[1], got.data(), got.size()) < 0) ::_exit(3);
      ::close(sock);
    }
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  std::string got;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) got.append(buffer, static_cast<std::size_t>(n));
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return got;
}

std::string askOnce(Target& t, const std::string& path, const std::string& headers = "") {
  int sock = connectTo(t.server.port());
  sendAll(sock, request(path, t.server.port(), headers));
  t.started = true;
  std::string got = receiveAll(sock);
  ::close(sock);
  return got;
}

std::string rangeBomb(Target& t) {
  std::string ranges = "bytes=0-";
  for (int i = 1; i < 2600; ++i) ranges += ",0-";
  return askOnce(t, t.path("/player/" + wasmOfPlayer()), "Range: " + ranges + "\r\n");
}

// Sixteen connections, each sending one header line every 2 s.
std::string slowClients(Target& t) {
  std::vector<int> socks;
  for (int i = 0; i < 16; ++i) {
    int sock = connectTo(t.server.port());
    sendAll(sock, "GET " + t.path("/1/snx1s.swf") + " HTTP/1.1\r\n");
    socks.push_back(sock);
  }
  t.started = true;
  std::string got;
  char buffer[4096];
  for (int line = 0; !t.stop; ++line) {
    for (int sock : socks) {
      sendAll(sock, "X-Slow-" + std::to_string(line) + ": 1\r\n");
      ssize_t n = ::recv(sock, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    }
    for (int i = 0; i < 20 && !t.stop; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  for (int sock : socks) ::close(sock);
  return got.rfind("HTTP/1.1 200", 0) == 0 ? got : "";
}

std::string millionHeaders(Target& t) {
  int sock = connectTo(t.server.port());
  std::string head = "GET " + t.path("/1/snx1s.swf") + " HTTP/1.1\r\nHost: 127.0.0.1:" +
                     std::to_string(t.server.port()) + "\r\n";
  std::string lines;
  for (int i = 0; i < 10000; ++i) lines += "X-H: " + std::to_string(i) + "\r\n";
  bool sending = sendAll(sock, head);
  t.started = true;
  for (int block = 0; sending && block < 100; ++block) sending = sendAll(sock, lines);
  if (sending) sendAll(sock, "\r\n");
  std::string got = receiveAll(sock);
  ::close(sock);
  return got;
}

// Asks for the 3 GB file and takes its answer slowly.
std::string hugeFile(Target& t) {
  int sock = connectTo(t.server.port());
  std::string path = pathOf(t.bigAddress);
  sendAll(sock, request(path.replace(path.rfind(".htm"), 4, ".mp3"), t.server.port()));
  std::string head;
  char buffer[4096];
  while (!t.stop) {
    ssize_t n = ::recv(sock, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n > 0 && head.size() < 200) head.append(buffer, static_cast<std::size_t>(n));
    if (n > 0) t.started = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::close(sock);
  return head.rfind("HTTP/1.1 200", 0) == 0 ? "" : head;
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
  std::thread attacker([&] { got = attack.run(t); });
  std::thread watcher([&] {
    while (!t.stop) {
      t.mostKilobytes = std::max(t.mostKilobytes.load(), residentKilobytes() - before);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
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
  EXPECT_LT(t.mostKilobytes, 64 * 1024);
  EXPECT_EQ(got.find(kPrivateText), std::string::npos);
  if (attack.mayGetTheFile) {
    const std::size_t wasmSize = fs::file_size(programPlayerFolder(test::programFolder()) + wasmOfPlayer());
    EXPECT_LE(got.size(), wasmSize + 1024);
  } else {
    EXPECT_EQ(got.find("HTTP/1.1 200"), std::string::npos) << got.substr(0, 200);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Attacks, ServerUnderAttack,
    ::testing::Values(
        Attack{"AnotherUser", askAsOtherUser, true},
        Attack{"NoSecret", [](Target& t) { return askOnce(t, "/1/snx1s.swf"); }},
        Attack{"WrongSecret",
               [](Target& t) { return askOnce(t, "/" + std::string(32, 'a') + "/1/snx1s.swf"); }},
        Attack{"FileOutsideTheSet", [](Target& t) { return askOnce(t, t.path("/1/notes.txt")); }},
        Attack{"HiddenFile", [](Target& t) { return askOnce(t, t.path("/1/.hidden.swf")); }},
        Attack{"RangeBomb", rangeBomb, false, true},
        Attack{"SixteenSlowClients", slowClients},
        Attack{"MillionHeaders", millionHeaders},
        Attack{"HugeSparseFile", hugeFile}),
    [](const ::testing::TestParamInfo<Attack>& info) { return info.param.name; });

}  // namespace
}  // namespace sonaflux
