#include "writers/output_naming.h"

#include <vector>

#include "core/file_routines.h"
#include "core/messages.h"
#include "core/page_for.h"
#include "platform/app_paths.h"

namespace sonaflux {

bool isValidOutputFolderPath(const std::string& folder) {
  // Absolute, a directory part, and no file name after the last separator.
  if (folder.empty() || folder.front() != kPathSeparator) return false;
  return folder.back() == kPathSeparator;
}

void checkOutputFolder(AppContext& ctx) {
  JobState& job = ctx.job;
  const std::string& override = ctx.inputs.outputFolderOverride;
  if (override.empty() && ctx.settings.toDesktop) {
    job.outputFolder = ctx.paths.desktopFolder;
  } else {
    job.outputFolder = override.empty() ? ctx.settings.outputFolderPath : override;
    if (job.outputFolder.empty() || job.outputFolder.back() != kPathSeparator)
      job.outputFolder += kPathSeparator;
  }
  // An empty setting would become the root folder; nothing was chosen, so refuse it.
  bool nothingChosen = override.empty() && !ctx.settings.toDesktop && ctx.settings.outputFolderPath.empty();
  if (nothingChosen || !isValidOutputFolderPath(job.outputFolder)) {
    ctx.failJob(kMsgInvalidOutputFolder);
    return;
  }
  if (!isDirectory(job.outputFolder))
    ctx.failJob(kMsgOutputFolderNotFound);
}

void makeOutputBaseName(AppContext& ctx) {
  ctx.job.outputBaseName = "snx" + std::to_string(ctx.settings.nextOutputNumber);
}

std::string streamAnimationPath(const AppContext& ctx) {
  return ctx.job.outputFolder + ctx.job.outputBaseName + "s.swf";
}

std::string controllerAnimationPath(const AppContext& ctx) {
  return ctx.job.outputFolder + ctx.job.outputBaseName + ctx.settings.instruction + ".swf";
}

std::string htmlPagePath(const AppContext& ctx) {
  return ctx.job.outputFolder + ctx.job.outputBaseName + ".htm";
}

std::string mp3StreamPath(const AppContext& ctx) {
  return ctx.job.outputFolder + ctx.job.outputBaseName + ".mp3";
}

bool writesMp3Stream(const AppContext& ctx) { return jobPageFor(ctx) == PageFor::EveryBrowser; }

void askBeforeOverwriting(AppContext& ctx) {
  std::vector<std::string> candidates;
  if (ctx.settings.outputMode == kOutputModeController)
    candidates.push_back(controllerAnimationPath(ctx));
  candidates.push_back(streamAnimationPath(ctx));
  candidates.push_back(htmlPagePath(ctx));
  if (writesMp3Stream(ctx)) candidates.push_back(mp3StreamPath(ctx));

  std::string list;
  int count = 0;
  for (const std::string& path : candidates) {
    File probe;
    // A file another program holds locked cannot be opened here and is not counted.
    if (probe.openExisting(path, FileAccess::Read, true)) {
      ++count;
      list += "\n" + path;
    }
  }
  if (count == 0) return;
  std::string text = count == 1 ? kMsgOverwriteFile : kMsgOverwriteFiles;
  MessageAnswer answer =
      ctx.host.showMessage(text + list, MessageIcon::Question, MessageButtons::YesNo);
  if (answer != MessageAnswer::Yes) ctx.job.jobFailed = true;
}

namespace {

// Takes the file for this job; one that another program holds stays as it was.
bool claimOutputFile(AppContext& ctx, const std::string& path, File& handle, bool& claimed) {
  bool createdNew = false;
  claimed = handle.createExclusive(path, createdNew);
  pumpMessages(ctx);
  if (!claimed) ctx.failJob(messageWith(kMsgCannotCreateOutput, path));
  return claimed;
}

}  // namespace

void createOutputFiles(AppContext& ctx) {
  JobState& job = ctx.job;
  if (!claimOutputFile(ctx, streamAnimationPath(ctx), job.streamOutHandle, job.claimed.streamOut)) return;
  if (ctx.settings.outputMode == kOutputModeController &&
      !claimOutputFile(ctx, controllerAnimationPath(ctx), job.controllerOutHandle, job.claimed.controllerOut))
    return;
  claimOutputFile(ctx, htmlPagePath(ctx), job.htmlFile, job.claimed.htmlPage);
  if (job.jobFailed || !writesMp3Stream(ctx)) return;
  job.mp3OutPos = 1;
  claimOutputFile(ctx, mp3StreamPath(ctx), job.mp3OutHandle, job.claimed.mp3Out);
}

}  // namespace sonaflux
