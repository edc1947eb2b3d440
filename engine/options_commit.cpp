#include "engine/options_commit.h"

#include <chrono>
#include <thread>

#include "engine/conversion_driver.h"
#include "platform/folder_lock.h"
#include "settings/parameters_file.h"

namespace sonaflux {

namespace {

constexpr auto kLockRetryInterval = std::chrono::milliseconds(50);

void waitForFolderLock(AppContext& ctx, FolderLock& lock) {
  const std::string path = ctx.paths.writableFolder() + kJobLockFileName;
  bool told = false;
  // A folder where no lock file can be made gets no protection; the save goes on.
  while (lock.tryLock(path) == FolderLock::Result::Busy) {
    if (!told) {
      ctx.host.showStatus("Waiting for another conversion to finish...");
      told = true;
    }
    ctx.host.pumpMessages();
    std::this_thread::sleep_for(kLockRetryInterval);
  }
}

}  // namespace

void commitOptions(AppContext& ctx, const OptionSettings& opt, bool outputNumberTyped) {
  FolderLock lock;
  waitForFolderLock(ctx, lock);
  SettingsRecord settings = settingsFromWorkingCopies(opt);
  if (!outputNumberTyped) {
    if (std::optional<std::int32_t> onDisk = readOutputNumberOnDisk(ctx.paths.writableFolder()))
      settings.nextOutputNumber = *onDisk;
  }
  ctx.settings = settings;
  saveParametersOrEnd(ctx);
}

}  // namespace sonaflux
