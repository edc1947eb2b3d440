#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unistd.h>

#include "core/app_context.h"

namespace sonaflux::fuzz {

/// A Host that shows nothing and answers No: the harnesses look for crashes,
/// hangs and undefined behaviour, not for messages.
class QuietHost : public Host {
 public:
  MessageAnswer showMessage(const std::string&, MessageIcon, MessageButtons buttons) override {
    return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
  }
  void pumpMessages() override {}
  void showStatus(const std::string&) override {}
  void terminate(int) override {}
};

/// The input bytes as a real file, rewritten for every run, and a job whose
/// input it is; what the stage writes goes to /dev/null.
class FuzzJob {
 public:
  FuzzJob() : ctx(host) {}

  /// False when the file could not be prepared (the run is then skipped).
  bool load(const std::uint8_t* data, std::size_t size, File& output) {
    static const std::string path = "/tmp/sonaflux-fuzz-" + std::to_string(::getpid());
    File file;
    bool createdNew = false;
    if (!file.createExclusive(path, createdNew)) return false;
    if (size > 0 && file.write(data, size) != static_cast<std::int64_t>(size)) return false;
    file.close();
    ctx.job = JobState{};
    ctx.job.inputSize = static_cast<std::int64_t>(size);
    return ctx.job.inputHandle.openExisting(path, FileAccess::Read, false) &&
           output.openExisting("/dev/null", FileAccess::ReadWrite, false);
  }

  QuietHost host;
  AppContext ctx;
};

}  // namespace sonaflux::fuzz
