#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sonaflux {

/// A web server on 127.0.0.1 that lets the user's browser play output pages
/// with the program's player. Every address it hands out begins with a
/// secret made at its start, so other users of the machine, who can reach
/// the loopback too, get nothing. It serves the pages it is asked about, the
/// files named with them and the player's files, and nothing else. A page
/// that embeds animations gets the player's script on its way out; the file
/// stays unchanged. The server starts on its own threads at the first
/// address asked for and stops when the object is destroyed.
class PreviewServer {
 public:
  /// playerFolder holds the player's files (the program folder's "player/").
  explicit PreviewServer(std::string playerFolder);
  ~PreviewServer();
  PreviewServer(const PreviewServer&) = delete;
  PreviewServer& operator=(const PreviewServer&) = delete;

  /// http://127.0.0.1:<port>/<secret>/<n>/<page> for page in folder, which
  /// is served from now on with the files it loads: plain names in the same
  /// folder. Nothing when the folder does not exist or the server cannot start.
  std::optional<std::string> addressFor(const std::string& folder, const std::string& page,
                                        const std::vector<std::string>& files);

  /// A file readable by this user only that sends the browser on to
  /// address. Browsers are opened with it, not with the address, which
  /// would show to every user on the browser's command line. Removed with
  /// the server; nothing when it cannot be written.
  std::optional<std::string> forwardingPageFor(const std::string& address);

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

/// The names in folder of the output set that page ("snx<N>.htm") belongs
/// to: snx<N>.htm, snx<N>.mp3, snx<N>s.swf and snx<N><letter>.swf.
std::vector<std::string> outputSetFiles(const std::string& folder, const std::string& page);

/// The page of the output set written last in folder; nothing when the
/// folder holds none.
std::optional<std::string> newestOutputPage(const std::string& folder);

}  // namespace sonaflux
