#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sonaflux::test {

struct ProcessResult {
  int exitCode = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

struct ProcessOptions {
  /// Largest file the process may write (RLIMIT_FSIZE), 0 for no limit.
  /// Writes past it fail as on a full disk.
  long long fileSizeLimit = 0;
  /// Polled every few milliseconds while the process runs; when it returns
  /// true the process gets SIGINT (once), as from Ctrl-C.
  std::function<bool()> interruptWhen;
};

/// Runs a program with its arguments (no shell), standard input empty, and
/// waits for it.
ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

}  // namespace sonaflux::test
