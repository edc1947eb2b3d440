#pragma once

#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/app_context.h"
#include "tests/support/recording_host.h"

namespace sonaflux::fuzz {

/// The input bytes as a real file, rewritten for every run and removed as
/// soon as the job holds it open, and a job whose input it is; what the
/// stage writes goes to /dev/null.
class FuzzJob {
 public:
  FuzzJob() : ctx(host) {}

  /// False when the file could not be prepared (the run is then skipped).
  bool load(const std::uint8_t* data, std::size_t size, File& output) {
    static const std::string path = "/tmp/sonaflux-fuzz-" + std::to_string(::getpid());
    File file;
    bool createdNew = false;
    if (!file.createExclusive(path, createdNew)) return false;
    if (size > 0 && file.write(data, size) != static_cast<std::int64_t>(size)) {
      deleteFile(path);
      return false;
    }
    file.close();
    ctx.job = JobState{};
    // Messages are dropped (questions get No): only crashes, hangs and undefined behaviour count.
    host.messages.clear();
    host.statuses.clear();
    ctx.job.inputSize = static_cast<std::int64_t>(size);
    const bool opened = ctx.job.inputHandle.openExisting(path, FileAccess::Read, false);
    // Removed even when the fuzzer stops on a crash or a timeout.
    deleteFile(path);
    return opened && output.openExisting("/dev/null", FileAccess::ReadWrite, false);
  }

  test::RecordingHost host;
  AppContext ctx;
};

}  // namespace sonaflux::fuzz
