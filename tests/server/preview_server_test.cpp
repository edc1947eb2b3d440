#include "server/preview_server.h"

#include <sys/stat.h>

#include <httplib.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <regex>

#include "tests/support/process.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"
#include "writers/player_copy.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

const std::string kPrivateText = "private words";

struct FileRow {
  std::string name;
  std::string text;
};

// A page as the program writes it for a player copied beside it.
const std::string kPageWithPlayer = std::string("<head><script>") + kPlayerStartScript +
                                    "</script><script src=\"player/ruffle.js\"></script></head><embed>";

// The set snx1 beside what the server must never hand out.
const FileRow kFolderFiles[] = {
    {"snx1.htm", kPageWithPlayer},
    {"snx1s.swf", "FWS stream"},
    {"snx1d.swf", "becomes a pipe"},
    {"snx2.htm", kPrivateText},
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
std::string folderOf(const std::string& address) {
  const std::string path = pathOf(address);
  return path.substr(0, path.rfind('/') + 1);
}

std::string playerFolder() { return programPlayerFolder(test::programFolder()); }

// A served output folder beside a folder the server must never reveal.
struct ServedSet {
  TempFolder outside, served;
  PreviewServer server{playerFolder()};
  std::string address, secret;

  ServedSet() {
    test::writeFileText(outside.file("private.txt"), kPrivateText);
    for (const FileRow& f : kFolderFiles) test::writeFileText(served.file(f.name), f.text);
    // A planted link at a name of the set.
    fs::create_symlink(outside.file("private.txt"), served.file("snx1e.swf"));
    address = server.addressFor(served.path(), "snx1.htm", outputSetFiles(served.path(), "snx1.htm")).value_or("");
    secret = secretOf(address);
    // A pipe put in place of a file of the set once it is served: opening it would never end.
    fs::remove(served.file("snx1d.swf"));
    ::mkfifo(served.file("snx1d.swf").c_str(), 0600);
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

// The pages, their animations and sounds and the player's script go through
// this server in the browser tests; a page with the player copied beside it
// does not, and a script of another type would not run.
TEST(PreviewServer, ServesTheCopiedPlayersScriptAsAScript) {
  ServedSet f;
  const Response r = f.get("/" + f.secret + "/1/player/ruffle.js");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.type, "text/javascript");
}

TEST(PreviewServer, RefusesEverythingButTheSetAndThePlayer) {
  ServedSet f;
  const std::string s = "/" + f.secret;
  const std::string refused[] = {
      "/" + std::string(32, 'a') + "/1/snx1s.swf",  // another user's guess
      s + "/1/snx2.htm",                            // another set
      s + "/1/snx1e.swf",                           // a link
      s + "/1/snx1d.swf",                           // a pipe
      s + "/1/../" + fs::path(f.outside.path()).parent_path().filename().string() + "/private.txt",
      s + "/2/snx1.htm",                            // a set never served
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

// Media elements ask for the part they need to seek.
TEST(PreviewServer, AnswersARangeWithThatPart) {
  ServedSet f;
  const Response r = f.get("/" + f.secret + "/1/snx1s.swf", {{"Range", "bytes=4-9"}});
  EXPECT_EQ(r.status, 206);
  EXPECT_EQ(r.body, "stream");
}

// Pages for the online or the copied player already start it.
TEST(PreviewServer, LeavesAPageThatStartsThePlayerItselfAsItIs) {
  ServedSet f;
  EXPECT_EQ(f.get("/" + f.secret + "/1/snx1.htm").body, kPageWithPlayer);
}

// gzip itself unpacks the answer; it refuses a cut or padded stream.
std::string gunzipped(const std::string& packed) {
  TempFolder folder;
  test::writeFileText(folder.file("body.gz"), packed);
  const test::ProcessResult run = test::runProcess({"gzip", "-dc", folder.file("body.gz")});
  return run.exitCode == 0 ? run.out : "not one whole gzip stream";
}

TEST(PreviewServer, SendsAPageGzippedToABrowserThatTakesIt) {
  ServedSet f;
  httplib::Client client("127.0.0.1", f.server.port());
  client.set_decompress(false);
  const std::string path = "/" + f.secret + "/1/snx1.htm";
  httplib::Result asIs = client.Get(path.c_str(), {{"Accept-Encoding", "identity"}});
  httplib::Result packed = client.Get(path.c_str(), {{"Accept-Encoding", "gzip, deflate, br"}});
  ASSERT_TRUE(asIs && packed);
  EXPECT_EQ(packed->get_header_value("Content-Encoding"), "gzip");
  // The whole page would fill the log.
  EXPECT_TRUE(gunzipped(packed->body) == asIs->body);
}

// As the program's controllers do for the preview page in the user's own folder.
TEST(PreviewServer, FilesTheFolderLacksComeFromItsFallback) {
  ServedSet f;
  TempFolder shipped;
  test::writeFileText(shipped.file("snx1s.swf"), "shipped copy");
  test::writeFileText(shipped.file("Deck01120060.swf"), "deck");
  f.server.addFallback(f.served.path(), shipped.path());
  const std::string folder =
      folderOf(f.server.addressFor(f.served.path(), "snx1.htm", {"snx1s.swf", "Deck01120060.swf"}).value_or(""));
  EXPECT_EQ(f.get(folder + "Deck01120060.swf").body, "deck");
  EXPECT_EQ(f.get(folder + "snx1s.swf").body, "FWS stream");  // the folder's own copy first
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

long residentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

// AddressSanitizer keeps freed memory in quarantine: the process grows whatever the server does.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SONAFLUX_ASAN
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(SONAFLUX_ASAN)
constexpr bool kFreedMemoryIsReused = false;
#else
constexpr bool kFreedMemoryIsReused = true;
#endif

// Read from disk as the client takes it, never whole: a 3 GB file would not fit.
TEST(PreviewServer, StreamsAHugeFileWithoutHoldingItInMemory) {
  TempFolder big;
  test::writeFileText(big.file("snx9.mp3"), "");
  fs::resize_file(big.file("snx9.mp3"), 3ull << 30);
  PreviewServer server(playerFolder());
  const std::string address = server.addressFor(big.path(), "snx9.htm", {"snx9.mp3"}).value_or("");
  const long before = residentKilobytes();
  long most = 0;
  std::size_t received = 0;
  httplib::Client client("127.0.0.1", server.port());
  client.Get((folderOf(address) + "snx9.mp3").c_str(), [&](const char*, std::size_t length) {
    received += length;
    most = std::max(most, residentKilobytes() - before);
    return received < (64u << 20);
  });
  EXPECT_GE(received, 64u << 20);
  if (kFreedMemoryIsReused) {
    EXPECT_LT(most, 32 * 1024);
  }
}

}  // namespace
}  // namespace sonaflux
