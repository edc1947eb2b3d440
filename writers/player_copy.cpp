#include "writers/player_copy.h"

#include <filesystem>
#include <system_error>

#include "core/messages.h"
#include "platform/app_paths.h"

namespace sonaflux {

namespace fs = std::filesystem;

std::string programPlayerFolder(const std::string& programFolder) {
  return programFolder + kPlayerFolderName + kPathSeparator;
}

void copyPlayerBesidePage(AppContext& ctx) {
  const fs::path source = programPlayerFolder(ctx.paths.programFolder);
  const fs::path target = fs::path(ctx.job.outputFolder) / kPlayerFolderName;
  std::error_code error;
  if (fs::is_regular_file(target / kPlayerScriptName, error)) return;
  if (!fs::is_regular_file(source / kPlayerScriptName, error)) {
    ctx.failJob(messageWith(kMsgCannotFindPlayer, (source / kPlayerScriptName).string()));
    return;
  }
  // Copied under another name first, so that a half copy never passes for the player.
  const fs::path partial = fs::path(ctx.job.outputFolder) / (std::string(kPlayerFolderName) + ".part");
  fs::remove_all(partial, error);
  error.clear();
  fs::copy(source, partial, fs::copy_options::recursive, error);
  if (!error) fs::rename(partial, target, error);
  if (error) {
    fs::remove_all(partial, error);
    ctx.failJob(messageWith(kMsgCannotCopyPlayer, target.string()));
    return;
  }
  ctx.job.playerCopied = true;
}

}  // namespace sonaflux
