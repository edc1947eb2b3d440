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
    if (job.outputFolder.empty() || job.outputFolder.back() != kPathSeparator) job.outputFolder += kPathSeparator;
  }
  // An empty setting would become the root folder; nothing was chosen, so refuse it.
  bool nothingChosen = override.empty() && !ctx.settings.toDesktop && ctx.settings.outputFolderPath.empty();
  if (nothingChosen || !isValidOutputFolderPath(job.outputFolder)) {
    ctx.failJob(kMsgInvalidOutputFolder);
    return;
  }
  if (!isDirectory(job.outputFolder)) ctx.failJob(kMsgOutputFolderNotFound);
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

std::string htmlPagePath(const AppContext& ctx) { return ctx.job.outputFolder + ctx.job.outputBaseName + ".htm"; }

std::string mp3StreamPath(const AppContext& ctx) { return ctx.job.outputFolder + ctx.job.outputBaseName + ".mp3"; }

bool writesMp3Stream(const AppContext& ctx) { return jobPageFor(ctx) == PageFor::EveryBrowser; }

void askBeforeOverwriting(AppContext& ctx) {
  std::vector<std::string> candidates;
  if (ctx.settings.outputMode == kOutputModeController) candidates.push_back(controllerAnimationPath(ctx));
  candidates.push_back(streamAnimationPath(ctx));
  candidates.push_back(htmlPagePath(ctx));
  if (writesMp3Stream(ctx)) candidates.push_back(mp3StreamPath(ctx));

  std::string list;
  int count = 0;
  for (const std::string& path : candidates) {
    File probe;
    // A file another program holds locked cannot be opened here and is not
    // counted, nor is a link: both are refused when the files are made.
    if (!isSymbolicLink(path) && probe.openExisting(path, FileAccess::Read, true)) {
      ++count;
      list += "\n" + path;
    }
  }
  if (count == 0) return;
  std::string text = count == 1 ? kMsgOverwriteFile : kMsgOverwriteFiles;
  MessageAnswer answer = ctx.host.showMessage(text + list, MessageIcon::Question, MessageButtons::YesNo);
  if (answer != MessageAnswer::Yes) ctx.job.jobFailed = true;
}

namespace {

struct OutputSlot {
  std::string path;
  File& handle;
  OutputClaim& claim;
};

// Every output file a job may make, in the order they are made.
std::vector<OutputSlot> outputSlots(AppContext& ctx) {
  JobState& job = ctx.job;
  JobFileClaims& claims = job.claimed;
  return {{streamAnimationPath(ctx), job.streamOutHandle, claims.streamOut},
          {controllerAnimationPath(ctx), job.controllerOutHandle, claims.controllerOut},
          {htmlPagePath(ctx), job.htmlFile, claims.htmlPage},
          {mp3StreamPath(ctx), job.mp3OutHandle, claims.mp3Out}};
}

// Where the job writes the file: beside the earlier one while that stays.
std::string writtenPath(const OutputSlot& slot) {
  return slot.claim.replaced.isOpen() ? slot.path + kReplacementSuffix : slot.path;
}

bool stillOurs(const OutputSlot& slot) {
  return slot.claim.identity && entryIdentity(writtenPath(slot)) == slot.claim.identity;
}

// Takes the file for this job; one that another program holds stays as it
// was, and a link is never written through.
bool claimOutputFile(AppContext& ctx, const OutputSlot& slot) {
  OutputClaim& claim = slot.claim;
  bool usable = !isSymbolicLink(slot.path);
  if (usable && entryIdentity(slot.path)) {
    // Opened for writing, though never written: a file this user may not
    // overwrite is refused now, not after the work.
    usable = claim.replaced.openExisting(slot.path, FileAccess::ReadWrite, true) && claim.replaced.isRegular();
    if (!usable) claim.replaced.close();
  }
  const std::string made = writtenPath(slot);
  bool createdNew = false;
  if (usable) {
    claim.claimed = slot.handle.createExclusive(made, createdNew);
    claim.identity = slot.handle.identity();
  }
  pumpMessages(ctx);
  if (!usable || (!claim.claimed && made == slot.path))
    ctx.failJob(messageWith(kMsgCannotCreateOutput, slot.path));
  else if (!claim.claimed)
    ctx.failJob(messageWith(kMsgCannotInitialiseTemporary, made));
  return claim.claimed;
}

}  // namespace

void createOutputFiles(AppContext& ctx) {
  JobState& job = ctx.job;
  std::vector<OutputSlot> slots = outputSlots(ctx);
  if (!claimOutputFile(ctx, slots[0])) return;
  if (ctx.settings.outputMode == kOutputModeController && !claimOutputFile(ctx, slots[1])) return;
  if (!claimOutputFile(ctx, slots[2]) || !writesMp3Stream(ctx)) return;
  job.mp3OutPos = 1;
  claimOutputFile(ctx, slots[3]);
}

void completeOutputFiles(AppContext& ctx) {
  std::vector<OutputSlot> slots = outputSlots(ctx);
  // A file deleted or put aside meanwhile (its folder removed, say) is no output.
  for (const OutputSlot& slot : slots)
    if (slot.claim.claimed && !stillOurs(slot)) return ctx.failJob(kMsgCannotWriteFile);
  for (OutputSlot& slot : slots) {
    if (!slot.claim.claimed || !slot.claim.replaced.isOpen()) continue;
    if (!slot.handle.sync() || !renameFile(writtenPath(slot), slot.path)) return ctx.failJob(kMsgCannotWriteFile);
    slot.claim.replaced.close();
    // It stands where the earlier file stood: a later failure keeps it.
    slot.claim.claimed = false;
  }
}

void deleteClaimedOutputs(AppContext& ctx) {
  for (OutputSlot& slot : outputSlots(ctx)) {
    // Whatever took the name meanwhile, a link included, is not ours to delete.
    if (slot.claim.claimed && stillOurs(slot)) deleteFile(writtenPath(slot));
    slot.claim.claimed = false;
  }
}

}  // namespace sonaflux
