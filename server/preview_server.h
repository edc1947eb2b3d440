#pragma once

#include <memory>
#include <optional>
#include <string>

namespace sonaflux {

/// A web server on 127.0.0.1 that lets the user's browser play output pages
/// with the program's player: it serves the folders it is asked about and
/// the player's files, and nothing else. A page that embeds animations gets
/// the player's script tag added on its way out; the file stays unchanged.
/// The server starts on its own threads at the first address asked for and
/// stops when the object is destroyed.
class PreviewServer {
 public:
  /// playerFolder holds the player's files (the program folder's "player/").
  explicit PreviewServer(std::string playerFolder);
  ~PreviewServer();
  PreviewServer(const PreviewServer&) = delete;
  PreviewServer& operator=(const PreviewServer&) = delete;

  /// http://127.0.0.1:<port>/<n>/<fileName> for a file in folder, which is
  /// served from now on. Nothing when the folder does not exist or the
  /// server cannot start.
  std::optional<std::string> addressFor(const std::string& folder, const std::string& fileName);

  /// Files that folder lacks are served from fallbackFolder at folder's
  /// address, so that a page beside the user's own controllers finds the
  /// shipped ones as well.
  void addFallback(const std::string& folder, const std::string& fallbackFolder);

  /// The port the system gave the server; 0 before it started.
  int port() const;

 private:
  struct State;
  std::unique_ptr<State> m_state;
};

/// Where the server's pages load the player's script from.
inline constexpr const char* kServedPlayerScript = "/player/ruffle.js";

}  // namespace sonaflux
