#include "engine/conversion_driver.h"

#include <chrono>
#include <limits>
#include <new>
#include <thread>
#include <vector>

#include "audio/codec_libraries.h"
#include "audio/mp3_decoding.h"
#include "audio/mp3_frame_scanner.h"
#include "audio/stream_compression.h"
#include "audio/wav_reader.h"
#include "core/file_routines.h"
#include "core/messages.h"
#include "engine/job_recovery.h"
#include "platform/folder_lock.h"
#include "settings/parameters_file.h"
#include "writers/controller_copy.h"
#include "writers/output_naming.h"
#include "writers/swf_stream_writer.h"

namespace sonaflux {

namespace {

// The rungs of the clean-up ladder; each runs its work and every rung after it.
enum class Rung { CloseOutputs = 1, DeleteTmp3, DeleteTmp2, DeleteTmp1, CloseInput, RemoveOutputs };

struct TempNames {
  std::string tmp1, tmp2, tmp3;
};

void checkInputFile(AppContext& ctx, const std::string& path) {
  std::optional<std::int64_t> size = fileSize(path);
  if (!size) {
    ctx.failJob(messageWith(kMsgInputNotFound, path));
    return;
  }
  ctx.job.inputSize = *size;
  if (*size == 0) ctx.failJob(messageWith(kMsgInputEmpty, path));
}

void openInputFile(AppContext& ctx, const std::string& path) {
  // A device would never end; only a plain file is read.
  File& input = ctx.job.inputHandle;
  if (!input.openExisting(path, FileAccess::Read, true) || !input.isRegular()) {
    input.close();
    ctx.failJob(messageWith(kMsgInputLocked, path));
  }
}

// A temporary file another job holds (another program folder writing into
// the same folder) is refused, never emptied.
void createTempFile(AppContext& ctx, const std::string& name, File& handle, bool& claimed) {
  bool createdNew = false;
  claimed = handle.createExclusive(name, createdNew);
  pumpMessages(ctx);
  if (!claimed) ctx.failJob(messageWith(kMsgCannotInitialiseTemporary, name));
}

// The output number after this one; past the largest it starts again at 1.
std::int32_t followingNumber(std::int32_t number) {
  return number == std::numeric_limits<std::int32_t>::max() ? 1 : number + 1;
}

// Waits for any other job of this settings folder to finish; Cancel ends the wait.
bool acquireJobLock(AppContext& ctx, FolderLock& lock) {
  const std::string path = ctx.paths.writableFolder() + kJobLockFileName;
  bool told = false;
  for (;;) {
    FolderLock::Result result = lock.tryLock(path);
    // A folder where no lock file can be made gets no protection, but the job goes on.
    if (result != FolderLock::Result::Busy) return true;
    if (!told) {
      ctx.host.showStatus("Waiting for another conversion to finish...");
      told = true;
    }
    pumpMessages(ctx);
    if (ctx.job.jobFailed) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// What the clean-up ladder needs to know of how far the job came.
struct JobProgress {
  TempNames temps;
  bool outputsCreated = false;
  std::int32_t numberBefore = 0;
  bool parametersSaveFailed = false;
};

void removeOutputSet(AppContext& ctx, JobProgress& progress) {
  deleteClaimedOutputs(ctx);
  // Taken back in memory even when the file cannot be written, so that the
  // next job of this program does not skip a number.
  if (!takeBackOutputNumber(ctx, followingNumber(progress.numberBefore), progress.numberBefore))
    progress.parametersSaveFailed = true;
}

void deleteClaimed(AppContext& ctx, const std::string& name, File& file, bool& claimed) {
  if (claimed)
    closeAndDelete(ctx, name, file);
  else
    closeFile(file);
  claimed = false;
}

void cleanUp(AppContext& ctx, Rung from, JobProgress& progress) {
  const TempNames& temps = progress.temps;
  JobState& job = ctx.job;
  switch (from) {
    case Rung::CloseOutputs:
      // Deleted while still open and locked, so that no other job can have
      // taken one over in between; earlier files that were to be replaced stay.
      if (job.jobFailed && progress.outputsCreated) deleteClaimedOutputs(ctx);
      closeFile(job.streamOutHandle);
      closeFile(job.controllerOutHandle);
      closeFile(job.htmlFile);
      closeFile(job.mp3OutHandle);
      [[fallthrough]];
    case Rung::DeleteTmp3: deleteClaimed(ctx, temps.tmp3, job.tmp3Handle, job.claimed.tmp3); [[fallthrough]];
    case Rung::DeleteTmp2: deleteClaimed(ctx, temps.tmp2, job.tmp2Handle, job.claimed.tmp2); [[fallthrough]];
    case Rung::DeleteTmp1: deleteClaimed(ctx, temps.tmp1, job.tmp1Handle, job.claimed.tmp1); [[fallthrough]];
    case Rung::CloseInput: closeFile(job.inputHandle); [[fallthrough]];
    case Rung::RemoveOutputs:
      if (job.jobFailed && progress.outputsCreated) removeOutputSet(ctx, progress);
  }
  job.claimed = {};
  if (!progress.parametersSaveFailed) return;
  // The program cannot go on without its settings, but only after the job
  // has left nothing behind. A job the user cancelled still ends as
  // cancelled: the message says what could not be saved.
  if (job.jobCancelled)
    ctx.host.showMessage(parametersFileMessage(ctx, kMsgCannotWriteParameters), MessageIcon::Stop);
  else
    reportParametersWriteFailure(ctx);
}

// The stages in their order, each only when the one before it produced data.
void runStages(AppContext& ctx, std::vector<std::uint8_t>& frameBuffer) {
  JobState& job = ctx.job;
  job.inputPos = 1;
  job.tmp1Pos = 1;
  job.tmp2Pos = 1;
  job.tmp3Pos = 1;
  job.streamOutPos = 1;
  if (!ctx.inputs.inputIsWav) scanMp3Frames(ctx, frameBuffer);
  AppContext::setProgress(job.progressRead, kProgressFull);
  pumpMessages(ctx);
  std::vector<std::uint8_t>().swap(frameBuffer);

  if (ctx.inputs.inputIsWav) {
    if (!job.jobFailed) readWavInput(ctx);
  } else if (!job.jobFailed && job.tmp1Pos > 1) {
    decodeMp3Input(ctx);
  }
  if (!job.jobFailed && job.tmp2Pos > 1) compressStream(ctx);
  if (!job.jobFailed && job.tmp3Pos > 1) writeOutputFiles(ctx);
}

void resetProgressBars(AppContext& ctx) {
  JobState& job = ctx.job;
  for (ProgressBar* bar : {job.progressRead, job.progressDecode, job.progressCompress, job.progressWrite}) {
    if (!bar) continue;
    bar->setRange(0, kProgressFull);
    bar->setPosition(0);
  }
}

}  // namespace

void runConversionJob(AppContext& ctx) {
  JobState& job = ctx.job;
  JobProgress progress;
  TempNames& temps = progress.temps;

  resetProgressBars(ctx);
  pumpMessages(ctx);

  std::vector<std::uint8_t> frameBuffer;
  try {
    frameBuffer.resize(kFrameBufferSize);
  } catch (const std::bad_alloc&) {
    ctx.failJob(kMsgOutOfMemory);
    return;
  }
  const std::string inputPath = ctx.inputs.inputPath;

  // Held from before the output number is chosen until the job has cleaned up.
  FolderLock jobLock;
  if (!acquireJobLock(ctx, jobLock)) return;
  if (std::optional<std::int32_t> onDisk = readOutputNumberOnDisk(ctx.paths.writableFolder()))
    ctx.settings.nextOutputNumber = *onDisk;
  job.claimed = {};

  checkOutputFolder(ctx);
  if (job.jobFailed) return;
  // What a killed job of this program left, now that none of its jobs runs.
  recoverLeftovers(ctx.paths.writableFolder(), job.outputFolder);
  makeOutputBaseName(ctx);

  checkInputFile(ctx, inputPath);
  if (job.jobFailed) return;
  openInputFile(ctx, inputPath);
  if (job.jobFailed) return;
  // A controller that cannot be copied fails now, not after the encoding.
  checkController(ctx);
  if (job.jobFailed) return cleanUp(ctx, Rung::CloseInput, progress);

  const std::string base = job.outputFolder + job.outputBaseName;
  temps = {base + ".tmp1", base + ".tmp2", base + ".tmp3"};
  // Each rung starts with the file just made: a Cancel during the pump after
  // its creation fails the job with that file already there. A file that
  // was not made is not claimed, and its rung only closes it.
  createTempFile(ctx, temps.tmp1, job.tmp1Handle, job.claimed.tmp1);
  if (job.jobFailed) return cleanUp(ctx, Rung::DeleteTmp1, progress);
  createTempFile(ctx, temps.tmp2, job.tmp2Handle, job.claimed.tmp2);
  if (job.jobFailed) return cleanUp(ctx, Rung::DeleteTmp2, progress);
  createTempFile(ctx, temps.tmp3, job.tmp3Handle, job.claimed.tmp3);
  if (job.jobFailed) return cleanUp(ctx, Rung::DeleteTmp3, progress);

  askBeforeOverwriting(ctx);
  if (job.jobFailed) return cleanUp(ctx, Rung::DeleteTmp3, progress);

  createOutputFiles(ctx);
  progress.outputsCreated = true;
  progress.numberBefore = ctx.settings.nextOutputNumber;
  if (!saveOutputNumber(ctx, followingNumber(progress.numberBefore))) {
    progress.parametersSaveFailed = true;
    job.jobFailed = true;
  }
  if (job.jobFailed) return cleanUp(ctx, Rung::CloseOutputs, progress);

  CodecLibraries codecs;
  if (!codecs.load(ctx)) return cleanUp(ctx, Rung::CloseOutputs, progress);

  runStages(ctx, frameBuffer);
  // A chain that stopped for want of sound wrote no streaming animation.
  if (!job.jobFailed && job.streamOutPos <= 1) ctx.failJob(messageWith(kMsgNoAudioData, inputPath));

  codecs.release(ctx);
  if (!job.jobFailed) completeOutputFiles(ctx);
  cleanUp(ctx, Rung::CloseOutputs, progress);
}

}  // namespace sonaflux
