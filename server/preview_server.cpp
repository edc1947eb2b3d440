#include "server/preview_server.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

namespace sonaflux {

namespace fs = std::filesystem;

namespace {

const char* const kLoopback = "127.0.0.1";
const char* const kPlayerMount = "player";
constexpr int kClientTimeoutSeconds = 5;

struct ContentType {
  const char* extension;
  const char* type;
};

const ContentType kContentTypes[] = {
    {".swf", "application/x-shockwave-flash"},
    {".wasm", "application/wasm"},
    {".mp3", "audio/mpeg"},
    {".htm", "text/html"},
    {".html", "text/html"},
    {".js", "text/javascript"},
    {".txt", "text/plain"},
};

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

const char* contentTypeOf(const fs::path& file) {
  const std::string extension = lowered(file.extension().string());
  for (const ContentType& entry : kContentTypes)
    if (extension == entry.extension) return entry.type;
  return "application/octet-stream";
}

// The path's segments; nothing when one of them could step outside or is
// not a plain name.
std::optional<std::vector<std::string>> plainSegments(const std::string& path) {
  if (path.empty() || path.front() != '/') return std::nullopt;
  std::vector<std::string> segments;
  std::size_t start = 1;
  for (;;) {
    std::size_t end = path.find('/', start);
    std::string segment = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (segment.empty() || segment == "." || segment == "..") return std::nullopt;
    for (char c : segment)
      if (static_cast<unsigned char>(c) < 0x20 || c == '\\') return std::nullopt;
    segments.push_back(std::move(segment));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return segments;
}

// The regular file the segments name under root, symbolic links followed,
// only when it really lies under root.
std::optional<fs::path> fileUnder(const fs::path& root, const std::vector<std::string>& segments,
                                  std::size_t first) {
  if (first >= segments.size()) return std::nullopt;
  fs::path candidate = root;
  for (std::size_t i = first; i < segments.size(); ++i) candidate /= segments[i];
  std::error_code error;
  fs::path real = fs::canonical(candidate, error);
  if (error || !fs::is_regular_file(real, error)) return std::nullopt;
  auto [rootEnd, realAt] = std::mismatch(root.begin(), root.end(), real.begin(), real.end());
  if (rootEnd != root.end() || realAt == real.end()) return std::nullopt;
  return real;
}

std::optional<std::string> readWhole(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(text).str();
}

// A page that embeds animations and does not load a player file itself gets
// the player's script before the end of its head (or at its start). A page
// that loads the player from its public address gets the local one as well,
// so that it plays without a network; the player settles on one copy.
std::string withPlayerScript(const std::string& page) {
  const std::string lower = lowered(page);
  bool embeds = lower.find("<embed") != std::string::npos || lower.find("<object") != std::string::npos;
  if (!embeds || lower.find("ruffle.js") != std::string::npos) return page;
  const std::string tag = std::string("<script src=\"") + kServedPlayerScript + "\"></script>\r\n";
  std::size_t at = lower.find("</head>");
  if (at == std::string::npos) return tag + page;
  // On a line of its own when the end of the head has one.
  std::size_t lineEnd = at == 0 ? std::string::npos : page.rfind('\n', at - 1);
  std::size_t lineStart = lineEnd == std::string::npos ? 0 : lineEnd + 1;
  if (page.find_first_not_of(" \t", lineStart) == at) return page.substr(0, lineStart) + "    " + tag + page.substr(lineStart);
  return page.substr(0, at) + tag + page.substr(at);
}

std::string percentEncoded(const std::string& name) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

}  // namespace

struct PreviewServer::State {
  fs::path playerFolder;
  mutable std::mutex mutex;
  std::vector<fs::path> folders;  // served as /1/, /2/, ...
  std::vector<std::pair<fs::path, fs::path>> fallbacks;  // folder, and where its missing files are
  httplib::Server server;
  std::thread thread;
  int port = 0;

  std::optional<fs::path> resolve(const std::string& path) {
    std::optional<std::vector<std::string>> segments = plainSegments(path);
    if (!segments) return std::nullopt;
    const std::string& mount = segments->front();
    if (mount == kPlayerMount) return fileUnder(playerFolder, *segments, 1);
    if (mount.size() > 6 || !std::all_of(mount.begin(), mount.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return std::nullopt;
    std::size_t index = std::stoul(mount);
    std::lock_guard<std::mutex> lock(mutex);
    if (index < 1 || index > folders.size()) return std::nullopt;
    const fs::path& root = folders[index - 1];
    if (std::optional<fs::path> file = fileUnder(root, *segments, 1)) return file;
    for (const auto& [folder, fallback] : fallbacks)
      if (folder == root) return fileUnder(fallback, *segments, 1);
    return std::nullopt;
  }

  // Only requests addressed to this server by its own name: a page of
  // another site whose name was pointed at the loopback gets nothing.
  bool addressedHere(const httplib::Request& request) const {
    const std::string host = request.get_header_value("Host");
    const std::string port = ":" + std::to_string(this->port);
    return host == kLoopback + port || host == "localhost" + port;
  }

  void answer(const httplib::Request& request, httplib::Response& response) {
    std::optional<fs::path> file;
    if (addressedHere(request)) file = resolve(request.path);
    std::optional<std::string> body;
    if (file) body = readWhole(*file);
    if (!body) {
      response.status = 404;
      response.set_content("Not found\n", "text/plain");
      return;
    }
    const char* type = contentTypeOf(*file);
    if (std::string(type) == "text/html" && file->parent_path() != playerFolder) *body = withPlayerScript(*body);
    response.set_header("Cache-Control", "no-store");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_content(std::move(*body), type);
  }

  bool start() {
    server.set_read_timeout(kClientTimeoutSeconds, 0);
    server.set_write_timeout(kClientTimeoutSeconds, 0);
    server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
      answer(request, response);
    });
    int bound = server.bind_to_any_port(kLoopback);
    if (bound <= 0) return false;
    port = bound;
    thread = std::thread([this] { server.listen_after_bind(); });
    // Stopping works only once the loop runs, so wait for it.
    for (int i = 0; i < 500 && !server.is_running(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return server.is_running();
  }
};

PreviewServer::PreviewServer(std::string playerFolder) : m_state(std::make_unique<State>()) {
  std::error_code error;
  fs::path folder = fs::canonical(playerFolder, error);
  m_state->playerFolder = error ? fs::path(playerFolder) : folder;
}

PreviewServer::~PreviewServer() {
  if (!m_state->thread.joinable()) return;
  m_state->server.stop();
  m_state->thread.join();
}

std::optional<std::string> PreviewServer::addressFor(const std::string& folder, const std::string& fileName) {
  std::error_code error;
  fs::path real = fs::canonical(folder, error);
  if (error || !fs::is_directory(real, error)) return std::nullopt;
  if (!m_state->thread.joinable() && !m_state->start()) return std::nullopt;
  std::size_t index = 0;
  {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    auto& folders = m_state->folders;
    auto found = std::find(folders.begin(), folders.end(), real);
    if (found == folders.end()) found = folders.insert(folders.end(), real);
    index = static_cast<std::size_t>(found - folders.begin()) + 1;
  }
  return "http://" + std::string(kLoopback) + ":" + std::to_string(m_state->port) + "/" +
         std::to_string(index) + "/" + percentEncoded(fileName);
}

void PreviewServer::addFallback(const std::string& folder, const std::string& fallbackFolder) {
  std::error_code error;
  fs::path real = fs::canonical(folder, error);
  if (error) return;
  fs::path fallback = fs::canonical(fallbackFolder, error);
  if (error || real == fallback) return;
  std::lock_guard<std::mutex> lock(m_state->mutex);
  auto& fallbacks = m_state->fallbacks;
  if (std::find(fallbacks.begin(), fallbacks.end(), std::pair(real, fallback)) == fallbacks.end())
    fallbacks.emplace_back(real, fallback);
}

int PreviewServer::port() const { return m_state->port; }

}  // namespace sonaflux
