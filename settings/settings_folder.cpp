#include "settings/settings_folder.h"

#include "core/messages.h"

#include <filesystem>

#include "platform/app_paths.h"
#include "platform/file.h"
#include "settings/parameters_file.h"

namespace sonaflux {

namespace {

constexpr const char* kSettingsFolderName = "sonaflux";
constexpr const char* kControllersFolderName = "Controllers";

// The first start copies the shipped settings; a copy another start of the
// same user made meanwhile is as good as ours.
bool copyDefaultSettings(const std::string& programFolder, const std::string& settingsFolder) {
  const std::string target = settingsFolder + kParametersFileName;
  const std::string source = programFolder + kParametersFileName;
  // Without a default the start reports the missing file under its new path.
  if (fileExists(target) || !fileExists(source)) return true;
  std::error_code error;
  std::filesystem::copy_file(source, target, error);
  return fileExists(target);
}

}  // namespace

std::string chooseSettingsFolder(const std::string& programFolder) {
  if (canWriteFolder(programFolder) && !fileExists(programFolder + kPerUserSettingsMarker)) return programFolder;
  return userConfigFolder() + kSettingsFolderName + kPathSeparator;
}

void setUpSettingsFolder(AppContext& ctx) {
  const std::string& programFolder = ctx.paths.programFolder;
  const std::string folder = chooseSettingsFolder(programFolder);
  ctx.paths.settingsFolder = folder;
  if (folder == programFolder) return;
  bool ready = makeFolders(folder) && canWriteFolder(folder) && makeFolders(folder + kControllersFolderName) &&
               copyDefaultSettings(programFolder, folder);
  if (ready) return;
  ctx.host.showMessage(messageWith(kMsgCannotWriteSettingsFolder, folder), MessageIcon::Stop);
  ctx.host.terminate(1);
}

}  // namespace sonaflux
