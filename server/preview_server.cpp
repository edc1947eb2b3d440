#include "server/preview_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <httplib.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "writers/player_copy.h"

namespace sonaflux {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const char* const kLoopback = "127.0.0.1";
constexpr std::size_t kSecretBytes = 16;  // 128 bits
// What a browser sends fits easily; a flood of headers is cut off early.
constexpr std::size_t kMaxHeadBytes = 32 * 1024;
constexpr std::size_t kMaxHeadLines = 100;
// The whole request head must arrive within this, however it trickles in.
constexpr auto kHeadTime = std::chrono::seconds(10);
// And the whole answer, so that a client that stops reading lets go.
constexpr auto kRequestTime = std::chrono::seconds(120);
constexpr int kIoSliceMilliseconds = 5000;
// Connections served at once: a new one beyond it ends the oldest that is
// still sending its request, or, when all are being answered, is closed.
constexpr std::size_t kMaxConnections = 128;
// Threads at most, those of ended connections that are still closing included.
constexpr std::size_t kMaxThreads = 4 * kMaxConnections;
constexpr std::size_t kPieceBytes = 64 * 1024;
// Pages and scripts are read whole, to add the player and to compress them;
// larger ones stream unchanged.
constexpr off_t kMaxWholeTextBytes = 1024 * 1024;

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

const char* contentTypeOf(const std::string& name) {
  const std::string extension = lowered(fs::path(name).extension().string());
  for (const ContentType& entry : kContentTypes)
    if (extension == entry.extension) return entry.type;
  return "application/octet-stream";
}

std::optional<std::string> makeSecret() {
  unsigned char bytes[kSecretBytes];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    got += static_cast<std::size_t>(n);
  }
  static const char* const kHex = "0123456789abcdef";
  std::string secret;
  for (unsigned char b : bytes) {
    secret += kHex[b >> 4];
    secret += kHex[b & 0x0F];
  }
  return secret;
}

// Compares in time independent of where the texts differ.
bool sameSecret(const std::string& given, const std::string& secret) {
  if (given.size() != secret.size()) return false;
  unsigned char difference = 0;
  for (std::size_t i = 0; i < secret.size(); ++i) difference |= static_cast<unsigned char>(given[i] ^ secret[i]);
  return difference == 0;
}

// A name the server may hand out: one plain, visible file name.
bool isPlainName(const std::string& name) {
  if (name.empty() || name.front() == '.') return false;
  return std::none_of(name.begin(), name.end(),
                      [](char c) { return c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20; });
}

std::vector<std::string> pathSegments(const std::string& path) {
  std::vector<std::string> segments;
  if (path.empty() || path.front() != '/') return segments;
  std::size_t start = 1;
  for (;;) {
    std::size_t end = path.find('/', start);
    segments.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return segments;
}

// An open regular file, never reached through a link at its own name.
struct OpenFile {
  int fd = -1;
  off_t size = 0;
  explicit OpenFile(const fs::path& path) {
    fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
      ::close(fd);
      fd = -1;
    }
    size = info.st_size;
  }
  ~OpenFile() {
    if (fd >= 0) ::close(fd);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
};

std::optional<std::string> readWhole(const OpenFile& file) {
  std::string text(static_cast<std::size_t>(file.size), '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    ssize_t n = ::pread(file.fd, text.data() + got, text.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    got += static_cast<std::size_t>(n);
  }
  return text;
}

// A page that embeds animations gets the player's start script, unless it
// has it, and the player's script, unless it loads a player file itself,
// before the end of its head (or at its start). A page that loads the
// player from its public address gets the local one as well, so that it
// plays without a network; the player settles on one copy.
void addPlayerScript(std::string& page, const std::string& playerScript) {
  const std::string lower = lowered(page);
  bool embeds = lower.find("<embed") != std::string::npos || lower.find("<object") != std::string::npos;
  if (!embeds) return;
  std::string tags;
  if (page.find(kPlayerStartScript) == std::string::npos)
    tags = std::string("<script>") + kPlayerStartScript + "</script>\r\n";
  if (lower.find("ruffle.js") == std::string::npos) tags += "<script src=\"" + playerScript + "\"></script>\r\n";
  if (tags.empty()) return;
  std::size_t at = lower.find("</head>");
  if (at == std::string::npos) {
    page.insert(0, tags);
    return;
  }
  // On lines of their own when the end of the head has one.
  std::size_t lineEnd = at == 0 ? std::string::npos : page.rfind('\n', at - 1);
  std::size_t lineStart = lineEnd == std::string::npos ? 0 : lineEnd + 1;
  if (page.find_first_not_of(" \t", lineStart) == at) {
    std::string indented;
    for (std::size_t from = 0; from < tags.size();) {
      std::size_t end = tags.find('\n', from) + 1;
      indented += "    " + tags.substr(from, end - from);
      from = end;
    }
    page.insert(lineStart, indented);
    return;
  }
  page.insert(at, tags);
}

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  for (std::size_t from = 0;;) {
    std::size_t end = text.find(separator, from);
    parts.push_back(trimmed(text.substr(from, end == std::string::npos ? std::string::npos : end - from)));
    if (end == std::string::npos) return parts;
    from = end + 1;
  }
}

// Whether an Accept-Encoding header takes gzip: named, or as "*", with a
// weight other than 0 ("q=0", "q=0.00").
bool takesGzip(const std::string& header) {
  std::optional<bool> gzip, any;
  for (const std::string& item : split(lowered(header), ',')) {
    const std::vector<std::string> parts = split(item, ';');
    bool weighted = true;
    for (std::size_t i = 1; i < parts.size(); ++i)
      if (parts[i].rfind("q=", 0) == 0) weighted = parts[i].find_first_not_of("0.", 2) != std::string::npos;
    if (parts[0] == "gzip" || parts[0] == "x-gzip") gzip = weighted;
    if (parts[0] == "*") any = weighted;
  }
  return gzip.value_or(any.value_or(false));
}

std::optional<std::string> gzipped(const std::string& text) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, MAX_WBITS + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return std::nullopt;
  std::string packed(deflateBound(&stream, static_cast<uLong>(text.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(packed.data());
  stream.avail_out = static_cast<uInt>(packed.size());
  const int result = deflate(&stream, Z_FINISH);
  packed.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) return std::nullopt;
  return packed;
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

struct ByteRange {
  off_t first = 0;
  off_t length = 0;
};

enum class RangeAnswer { Whole, Part, Unsatisfiable };

// One range of "bytes=a-b", "a-" or "-n" is served as asked; several ranges
// get the whole file, which is never more than the client already asked for.
RangeAnswer rangeOf(const std::string& header, off_t size, ByteRange& range) {
  const std::string prefix = "bytes=";
  if (header.compare(0, prefix.size(), prefix) != 0) return RangeAnswer::Whole;
  const std::string asked = header.substr(prefix.size());
  if (asked.find(',') != std::string::npos) return RangeAnswer::Whole;
  std::size_t dash = asked.find('-');
  if (dash == std::string::npos) return RangeAnswer::Whole;
  auto number = [](const std::string& digits, off_t& value) {
    if (digits.empty() || digits.size() > 18 || !std::all_of(digits.begin(), digits.end(), ::isdigit)) return false;
    value = static_cast<off_t>(std::stoll(digits));
    return true;
  };
  off_t first = 0, last = size - 1;
  const std::string from = asked.substr(0, dash), to = asked.substr(dash + 1);
  if (from.empty()) {
    off_t suffix = 0;
    if (!number(to, suffix)) return RangeAnswer::Whole;
    if (suffix == 0) return RangeAnswer::Unsatisfiable;
    first = std::max<off_t>(0, size - suffix);
  } else {
    if (!number(from, first)) return RangeAnswer::Whole;
    if (!to.empty()) {
      if (!number(to, last)) return RangeAnswer::Whole;
      if (last < first) return RangeAnswer::Whole;
      last = std::min(last, size - 1);
    }
  }
  if (first >= size) return RangeAnswer::Unsatisfiable;
  range = {first, last - first + 1};
  return RangeAnswer::Part;
}

// A connection's socket, read and written with deadlines: the request head
// must arrive whole, and small, in time; the answer must be taken in time.
class GuardedStream : public httplib::Stream {
 public:
  GuardedStream(int sock, const std::atomic<bool>& stopping, std::atomic<bool>& headDone)
      : m_sock(sock), m_stopping(stopping), m_headDone(headDone), m_start(Clock::now()) {}

  bool is_readable() const override { return m_used < m_filled; }
  bool is_writable() const override { return waitFor(POLLOUT, m_start + kRequestTime); }

  ssize_t read(char* ptr, std::size_t size) override {
    if (m_used == m_filled && !fill()) return -1;
    std::size_t n = std::min(size, m_filled - m_used);
    std::memcpy(ptr, m_buffer + m_used, n);
    m_used += n;
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, std::size_t size) override {
    if (!waitFor(POLLOUT, m_start + kRequestTime)) return -1;
    return ::send(m_sock, ptr, size, MSG_NOSIGNAL);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    ip = kLoopback;
    port = 0;
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    ip = kLoopback;
    port = 0;
  }
  socket_t socket() const override { return m_sock; }

 private:
  bool waitFor(short events, Clock::time_point deadline) const {
    for (;;) {
      if (m_stopping) return false;
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      pollfd p{m_sock, events, 0};
      int ready = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, kIoSliceMilliseconds)));
      if (ready > 0) return true;
      if (ready < 0 && errno != EINTR) return false;
    }
  }

  // Reads what came; counts the head's bytes and lines until its blank line.
  bool fill() {
    const Clock::time_point deadline = m_headDone ? m_start + kRequestTime : m_start + kHeadTime;
    if (!waitFor(POLLIN, deadline)) return false;
    ssize_t n = ::recv(m_sock, m_buffer, sizeof m_buffer, 0);
    if (n <= 0) return false;
    m_used = 0;
    m_filled = static_cast<std::size_t>(n);
    for (std::size_t i = 0; i < m_filled && !m_headDone; ++i) {
      if (++m_headBytes > kMaxHeadBytes) return false;
      if (m_buffer[i] != '\n') {
        if (m_buffer[i] != '\r') m_lineEmpty = false;
        continue;
      }
      if (m_lineEmpty) m_headDone = true;
      if (++m_headLines > kMaxHeadLines) return false;
      m_lineEmpty = true;
    }
    return true;
  }

  int m_sock;
  const std::atomic<bool>& m_stopping;
  std::atomic<bool>& m_headDone;
  Clock::time_point m_start;
  char m_buffer[4096];
  std::size_t m_used = 0, m_filled = 0;
  std::size_t m_headBytes = 0, m_headLines = 0;
  bool m_lineEmpty = false;  // the request line is not the blank line
};

// One thread per connection, so that slow clients never hold back others;
// over the limit a connection is closed unserved.
class ConnectionThreads : public httplib::TaskQueue {
 public:
  void enqueue(std::function<void()> fn) override {
    bool refuse = false;
    {
      std::lock_guard<std::mutex> lock(m_shared->mutex);
      refuse = m_shared->running >= kMaxThreads;
      if (!refuse) ++m_shared->running;
    }
    if (refuse) {
      refuseNext() = true;
      fn();
      refuseNext() = false;
      return;
    }
    std::thread([shared = m_shared, fn = std::move(fn)] {
      fn();
      std::lock_guard<std::mutex> lock(shared->mutex);
      --shared->running;
      shared->ended.notify_all();
    }).detach();
  }

  void shutdown() override {
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    m_shared->ended.wait(lock, [this] { return m_shared->running == 0; });
  }

  // Set while the accepting thread closes a connection over the limit.
  static bool& refuseNext() {
    static thread_local bool refuse = false;
    return refuse;
  }

 private:
  struct Shared {
    std::mutex mutex;
    std::condition_variable ended;
    std::size_t running = 0;
  };
  std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};

class GuardedServer : public httplib::Server {
 public:
  GuardedServer() {
    new_task_queue = [] { return new ConnectionThreads; };
  }

  // Ends every connection at once; the server no longer answers.
  void abortConnections() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
    for (const auto& [sock, connection] : m_connections) ::shutdown(sock, SHUT_RDWR);
  }

 private:
  struct Connection {
    std::uint64_t order;
    const std::atomic<bool>* headDone;
    bool ended;
  };

  // Makes room for a new connection, under the lock: ends the oldest one
  // still sending its request. False when every one is being answered.
  bool makeRoom() {
    std::size_t live = 0;
    std::map<int, Connection>::iterator oldest = m_connections.end();
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
      if (it->second.ended) continue;
      ++live;
      if (!*it->second.headDone && (oldest == m_connections.end() || it->second.order < oldest->second.order))
        oldest = it;
    }
    if (live < kMaxConnections) return true;
    if (oldest == m_connections.end()) return false;
    oldest->second.ended = true;
    ::shutdown(oldest->first, SHUT_RDWR);
    return true;
  }

  // One request per connection, read and answered under the stream's limits.
  bool process_and_close_socket(socket_t sock) override {
    std::atomic<bool> headDone{false};
    bool registered = false;
    if (!ConnectionThreads::refuseNext()) {
      std::lock_guard<std::mutex> lock(m_mutex);
      registered =
          !m_stopping && makeRoom() && m_connections.emplace(sock, Connection{m_order++, &headDone, false}).second;
    }
    bool served = false;
    if (registered) {
      GuardedStream stream(sock, m_stopping, headDone);
      bool closed = true;
      served =
          process_request(stream, true, closed, [](httplib::Request& request) { request.remote_addr = kLoopback; });
      std::lock_guard<std::mutex> lock(m_mutex);
      m_connections.erase(sock);
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return served;
  }

  std::mutex m_mutex;
  std::map<int, Connection> m_connections;
  std::uint64_t m_order = 0;
  std::atomic<bool> m_stopping{false};
};

}  // namespace

struct SharedPage {
  fs::path folder;
  std::set<std::string> names;
};

struct PreviewServer::State {
  fs::path playerFolder;
  std::string secret;
  mutable std::mutex mutex;
  std::vector<SharedPage> pages;                         // served as <secret>/1/, <secret>/2/, ...
  std::vector<std::pair<fs::path, fs::path>> fallbacks;  // folder, and where its missing files are
  GuardedServer server;
  std::thread thread;
  int port = 0;
  std::string privateFolder;  // of the forwarding pages, made when first needed
  int forwardingPages = 0;

  std::string playerScript() const { return "/" + secret + "/" + kPlayerFolderName + "/" + kPlayerScriptName; }

  // The file a request path names: /<secret>/player/<name> or
  // /<secret>/<n>/<name>, where a page's own player/ is the program's.
  std::optional<fs::path> resolve(const std::string& path, bool& inPlayer) const {
    const std::vector<std::string> segments = pathSegments(path);
    if (segments.size() < 3 || !sameSecret(segments[0], secret)) return std::nullopt;
    const std::string& name = segments.back();
    if (!isPlainName(name)) return std::nullopt;
    inPlayer = segments.size() == 3 ? segments[1] == kPlayerFolderName
                                    : segments.size() == 4 && segments[2] == kPlayerFolderName;
    if (inPlayer) {
      if (segments.size() == 4 && !shareIndex(segments[1])) return std::nullopt;
      return playerFolder / name;
    }
    if (segments.size() != 3) return std::nullopt;
    std::optional<std::size_t> index = shareIndex(segments[1]);
    if (!index) return std::nullopt;
    std::lock_guard<std::mutex> lock(mutex);
    const SharedPage& page = pages[*index];
    if (page.names.count(name) == 0) return std::nullopt;
    std::error_code error;
    if (!fs::exists(page.folder / name, error))
      for (const auto& [folder, fallback] : fallbacks)
        if (folder == page.folder) return fallback / name;
    return page.folder / name;
  }

  std::optional<std::size_t> shareIndex(const std::string& segment) const {
    if (segment.empty() || segment.size() > 6 || !std::all_of(segment.begin(), segment.end(), ::isdigit))
      return std::nullopt;
    std::size_t index = std::stoul(segment);
    std::lock_guard<std::mutex> lock(mutex);
    if (index < 1 || index > pages.size()) return std::nullopt;
    return index - 1;
  }

  // Only requests addressed to this server by its own name: a page of
  // another site whose name was pointed at the loopback gets nothing.
  bool addressedHere(const httplib::Request& request) const {
    const std::string host = request.get_header_value("Host");
    const std::string port = ":" + std::to_string(this->port);
    return host == kLoopback + port || host == "localhost" + port;
  }

  static void notFound(httplib::Response& response) {
    response.status = 404;
    response.set_content("Not found\n", "text/plain");
  }

  void answer(const httplib::Request& request, httplib::Response& response) const {
    // The ranges are answered here, one at most: the request object is the
    // server's own, not const, and must not let the library build the
    // multipart answer of hundreds of ranges.
    const_cast<httplib::Request&>(request).ranges.clear();
    // Nor pick an encoding of its own: only the text below goes compressed.
    const bool gzip = takesGzip(request.get_header_value("Accept-Encoding"));
    const_cast<httplib::Request&>(request).headers.erase("Accept-Encoding");
    bool inPlayer = false;
    std::optional<fs::path> path;
    if (addressedHere(request)) path = resolve(request.path, inPlayer);
    if (!path) return notFound(response);
    auto file = std::make_shared<OpenFile>(*path);
    if (file->fd < 0) return notFound(response);
    const char* type = contentTypeOf(path->filename().string());
    response.set_header("Cache-Control", "no-store");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header("Referrer-Policy", "no-referrer");
    const bool page = !inPlayer && std::string(type) == "text/html";
    const bool text = std::string(type).rfind("text/", 0) == 0;
    // Text is small: whole, it goes compressed to a browser that takes it.
    // Only a range asked of a script keeps it as it is.
    if (text && file->size <= kMaxWholeTextBytes && (page || !request.has_header("Range"))) {
      std::optional<std::string> body = readWhole(*file);
      if (!body) return notFound(response);
      if (page) addPlayerScript(*body, playerScript());
      response.set_header("Vary", "Accept-Encoding");
      if (std::optional<std::string> packed = gzip ? gzipped(*body) : std::nullopt) {
        response.set_header("Content-Encoding", "gzip");
        body = std::move(packed);
      }
      response.set_content(std::move(*body), type);
      return;
    }
    ByteRange range{0, file->size};
    response.status = 200;
    response.set_header("Accept-Ranges", "bytes");
    if (request.has_header("Range")) {
      switch (rangeOf(request.get_header_value("Range"), file->size, range)) {
        case RangeAnswer::Whole: break;
        case RangeAnswer::Part:
          response.status = 206;
          response.set_header("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                                   std::to_string(range.first + range.length - 1) + "/" +
                                                   std::to_string(file->size));
          break;
        case RangeAnswer::Unsatisfiable:
          response.status = 416;
          response.set_header("Content-Range", "bytes */" + std::to_string(file->size));
          response.set_content("", type);
          return;
      }
    }
    if (range.length == 0) {
      response.set_content("", type);
      return;
    }
    // Read in pieces as the client takes them; never the whole file.
    response.set_content_provider(
        static_cast<std::size_t>(range.length), type,
        [file, first = range.first](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          char piece[kPieceBytes];
          ssize_t n = ::pread(file->fd, piece, std::min(length, sizeof piece), first + static_cast<off_t>(offset));
          return n > 0 && sink.write(piece, static_cast<std::size_t>(n));
        });
  }

  bool start() {
    std::optional<std::string> made = makeSecret();
    if (!made) return false;
    secret = *made;
    server.set_payload_max_length(1024);
    server.Get(".*",
               [this](const httplib::Request& request, httplib::Response& response) { answer(request, response); });
    int bound = server.bind_to_any_port(kLoopback);
    if (bound <= 0) return false;
    port = bound;
    thread = std::thread([this] { server.listen_after_bind(); });
    // Stopping works only once the loop runs, so wait for it.
    for (int i = 0; i < 500 && !server.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return server.is_running();
  }
};

PreviewServer::PreviewServer(std::string playerFolder) : m_state(std::make_unique<State>()) {
  std::error_code error;
  fs::path folder = fs::canonical(playerFolder, error);
  m_state->playerFolder = error ? fs::path(playerFolder) : folder;
}

PreviewServer::~PreviewServer() {
  if (!m_state->privateFolder.empty()) {
    std::error_code error;
    fs::remove_all(m_state->privateFolder, error);
  }
  if (!m_state->thread.joinable()) return;
  m_state->server.stop();
  m_state->server.abortConnections();
  m_state->thread.join();
}

std::optional<std::string> PreviewServer::addressFor(const std::string& folder, const std::string& page,
                                                     const std::vector<std::string>& files) {
  std::error_code error;
  fs::path real = fs::canonical(folder, error);
  if (error || !fs::is_directory(real, error) || !isPlainName(page)) return std::nullopt;
  if (!m_state->thread.joinable() && !m_state->start()) return std::nullopt;
  SharedPage shared{real, {page}};
  for (const std::string& name : files)
    if (isPlainName(name)) shared.names.insert(name);
  std::size_t index = 0;
  {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    auto& pages = m_state->pages;
    auto found = std::find_if(pages.begin(), pages.end(), [&](const SharedPage& p) {
      return p.folder == shared.folder && p.names == shared.names;
    });
    if (found == pages.end()) found = pages.insert(pages.end(), std::move(shared));
    index = static_cast<std::size_t>(found - pages.begin()) + 1;
  }
  return "http://" + std::string(kLoopback) + ":" + std::to_string(m_state->port) + "/" + m_state->secret + "/" +
         std::to_string(index) + "/" + percentEncoded(page);
}

std::optional<std::string> PreviewServer::forwardingPageFor(const std::string& address) {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  if (m_state->privateFolder.empty()) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code error;
    fs::path base =
        runtime && *runtime && fs::is_directory(runtime, error) ? fs::path(runtime) : fs::temp_directory_path(error);
    std::string folder = (base / "sonaflux-XXXXXX").string();
    if (!::mkdtemp(folder.data())) return std::nullopt;  // mode 700
    m_state->privateFolder = folder;
  }
  const std::string path = m_state->privateFolder + "/open" + std::to_string(++m_state->forwardingPages) + ".htm";
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return std::nullopt;
  // The address holds only characters that need no escaping here.
  const std::string page = "<!DOCTYPE html>\n<meta http-equiv=\"refresh\" content=\"0; url=" + address +
                           "\">\n<script>location.replace(\"" + address + "\");</script>\n";
  bool written = ::write(fd, page.data(), page.size()) == static_cast<ssize_t>(page.size());
  ::close(fd);
  if (!written) return std::nullopt;
  return path;
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

namespace {

// The number of an output page's name, "snx<N>.htm"; nothing for other names.
std::optional<std::string> setBase(const std::string& page) {
  const std::string prefix = "snx", suffix = ".htm";
  if (page.size() <= prefix.size() + suffix.size() || page.compare(0, prefix.size(), prefix) != 0 ||
      page.compare(page.size() - suffix.size(), suffix.size(), suffix) != 0)
    return std::nullopt;
  const std::string digits = page.substr(prefix.size(), page.size() - prefix.size() - suffix.size());
  if (!std::all_of(digits.begin(), digits.end(), ::isdigit)) return std::nullopt;
  return prefix + digits;
}

bool inSet(const std::string& base, const std::string& name) {
  if (name.compare(0, base.size(), base) != 0) return false;
  const std::string rest = name.substr(base.size());
  if (rest == ".htm" || rest == ".mp3") return true;
  return rest.size() == 5 && rest[0] >= 'a' && rest[0] <= 'z' && rest.compare(1, 4, ".swf") == 0;
}

}  // namespace

std::vector<std::string> outputSetFiles(const std::string& folder, const std::string& page) {
  std::vector<std::string> names;
  std::optional<std::string> base = setBase(page);
  std::error_code error;
  if (!base) return names;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (inSet(*base, name) && it->is_regular_file(error)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<std::string> newestOutputPage(const std::string& folder) {
  std::optional<std::string> newest;
  fs::file_time_type newestTime;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!setBase(name) || !it->is_regular_file(error)) continue;
    fs::file_time_type time = it->last_write_time(error);
    if (error) continue;
    if (!newest || time > newestTime) {
      newest = name;
      newestTime = time;
    }
  }
  return newest;
}

}  // namespace sonaflux
