#include "server/preview_server.h"

#include <httplib.h>

#include <filesystem>
#include <gtest/gtest.h>

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

const std::pair<std::string, std::string> kServedFiles[] = {
    {"snx1.htm", kClassicPage}, {"snx1s.swf", "FWS"}, {"snx1.mp3", "mp3"}, {"sub/inner.txt", "inner"},
    {"bare.htm", "<embed src=\"a.swf\">"}, {"plain.htm", "<!DOCTYPE html><title>x</title>"},
    {"own.htm", "<head><script src=\"player/ruffle.js\"></script></head><embed>"},
    {"online.htm", "<head><script src=\"https://unpkg.com/@ruffle-rs/ruffle\"></script></head><embed>"},
};

struct Response {
  int status = 0;
  std::string type, body;
};

// A served output folder beside a folder the server must never reveal.
struct ServedFolders {
  TempFolder outside, served;
  PreviewServer server{programPlayerFolder(test::programFolder())};
  std::string address;

  ServedFolders() {
    test::writeFileText(outside.file("secret.txt"), "secret");
    fs::create_directory(served.file("sub"));
    for (const auto& [name, text] : kServedFiles) test::writeFileText(served.file(name), text);
    fs::create_symlink(outside.file("secret.txt"), served.file("link-out.txt"));
    fs::create_symlink(served.file("sub/inner.txt"), served.file("link-in.txt"));
    fs::create_directory_symlink(outside.path(), served.file("folder-out"));
    address = server.addressFor(served.path(), "snx1.htm").value_or("");
  }

  Response get(const std::string& path, const httplib::Headers& headers = {}) {
    httplib::Client client("127.0.0.1", server.port());
    client.set_url_encode(false);
    client.set_connection_timeout(2);
    httplib::Result result = client.Get(path.c_str(), headers);
    if (!result) return {};
    return {result->status, result->get_header_value("Content-Type"), result->body};
  }
};

TEST(PreviewServer, NamesEachFolderOnTheLoopbackAndServesItsFilesWithTheirTypes) {
  ServedFolders f;
  ASSERT_GT(f.server.port(), 0);
  const std::string root = "http://127.0.0.1:" + std::to_string(f.server.port());
  EXPECT_EQ(f.address, root + "/1/snx1.htm");
  // The same folder keeps its place; another gets the next; names are escaped.
  EXPECT_EQ(f.server.addressFor(f.served.path(), "a b.htm").value_or(""), root + "/1/a%20b.htm");
  TempFolder other;
  EXPECT_EQ(f.server.addressFor(other.path(), "x.htm").value_or(""), root + "/2/x.htm");
  EXPECT_FALSE(f.server.addressFor(other.file("missing"), "x.htm"));

  fs::path wasm;
  for (const auto& entry : fs::directory_iterator(programPlayerFolder(test::programFolder())))
    if (entry.path().extension() == ".wasm") wasm = entry.path().filename();
  ASSERT_FALSE(wasm.empty()) << "the build laid out no player";
  const std::pair<std::string, std::string> cases[] = {
      {"/1/snx1s.swf", "application/x-shockwave-flash"}, {"/1/snx1.mp3", "audio/mpeg"},
      {"/1/snx1.htm", "text/html"}, {"/1/sub/inner.txt", "text/plain"}, {"/1/link-in.txt", "text/plain"},
      {"/player/ruffle.js", "text/javascript"}, {"/player/" + wasm.string(), "application/wasm"},
  };
  for (const auto& [path, type] : cases) {
    const Response r = f.get(path);
    EXPECT_EQ(std::pair(r.status, r.type), std::pair(200, type)) << path;
  }
  EXPECT_EQ(f.get("/1/link-in.txt").body, "inner");
  EXPECT_EQ(f.get("/player/ruffle.js").body.size(),
            fs::file_size(programPlayerFolder(test::programFolder()) + "ruffle.js"));
}

TEST(PreviewServer, RefusesEverythingOutsideTheServedFiles) {
  ServedFolders f;
  const std::string refused[] = {
      "/1/../" + fs::path(f.outside.path()).parent_path().filename().string() + "/secret.txt",
      "/1/%2e%2e/%2e%2e/%2e%2e/etc/passwd", "/1/%2E%2E/secret.txt", "/1/..%2fsecret.txt",
      "/player/../1/snx1.htm", "/1/./snx1.htm", "//etc/passwd", "/etc/passwd", "/1//etc/passwd",
      "/1/" + f.outside.file("secret.txt"),
      "/1/sub", "/1/sub/", "/1/", "/",                        // folders
      "/1/link-out.txt", "/1/folder-out/secret.txt",          // links that lead out
      "/1/missing.swf", "/2/snx1.htm", "/0/snx1.htm", "/99999999999/snx1.htm", "/1/snx1.htm%00.txt",
  };
  for (const std::string& path : refused) {
    Response r = f.get(path);
    EXPECT_EQ(r.status, 404) << path;
    EXPECT_EQ(r.body.find("secret"), std::string::npos) << path;
  }
  // A page of another site whose name leads to the loopback gets nothing.
  EXPECT_EQ(f.get("/1/snx1.htm", {{"Host", "attacker.example:" + std::to_string(f.server.port())}}).status, 404);
  EXPECT_EQ(f.get("/1/snx1.htm", {{"Host", "localhost:" + std::to_string(f.server.port())}}).status, 200);
}

TEST(PreviewServer, PagesThatEmbedGetThePlayerScriptOnTheWayOut) {
  ServedFolders f;
  const std::string tag = "<script src=\"/player/ruffle.js\"></script>\r\n";
  const std::pair<std::string, std::string> cases[] = {
      {"snx1.htm", std::string(kClassicPage).insert(kClassicPage.find("  </head>"), "    " + tag)},
      {"bare.htm", tag + "<embed src=\"a.swf\">"}, {"plain.htm", kServedFiles[5].second},
      {"own.htm", kServedFiles[6].second},
      {"online.htm", "<head><script src=\"https://unpkg.com/@ruffle-rs/ruffle\"></script>" + tag + "</head><embed>"},
  };
  for (const auto& [file, expected] : cases) EXPECT_EQ(f.get("/1/" + file).body, expected) << file;
  EXPECT_EQ(test::readFileText(f.served.file("snx1.htm")), kClassicPage);
}

TEST(PreviewServer, FilesTheFolderLacksComeFromItsFallback) {
  ServedFolders f;
  TempFolder shipped;
  test::writeFileText(shipped.file("snx1s.swf"), "shipped");
  test::writeFileText(shipped.file("Deck01120060.swf"), "deck");
  f.server.addFallback(f.served.path(), shipped.path());
  const std::string page = f.address.substr(f.address.find('/', std::string("http://").size()));
  const std::string folder = page.substr(0, page.rfind('/') + 1);
  EXPECT_EQ(f.get(folder + "Deck01120060.swf").body, "deck");
  EXPECT_EQ(f.get(folder + "snx1s.swf").body, "FWS");  // the folder's own copy first
}

TEST(PreviewServer, StopsWhenDestroyed) {
  int port = 0;
  {
    TempFolder folder;
    PreviewServer server(folder.path());
    EXPECT_EQ(server.port(), 0);
    ASSERT_TRUE(server.addressFor(folder.path(), "a.htm"));
    port = server.port();
  }
  httplib::Client client("127.0.0.1", port);
  client.set_connection_timeout(1);
  EXPECT_FALSE(client.Get("/1/a.htm"));
}

}  // namespace
}  // namespace sonaflux
