#include "engine/create_command.h"

#include "engine/conversion_driver.h"
#include "writers/output_naming.h"
#include "writers/player_copy.h"

namespace sonaflux {

namespace {

void lendBars(JobState& job, const JobProgressBars& bars) {
  job.progressRead = bars.read;
  job.progressDecode = bars.decode;
  job.progressCompress = bars.compress;
  job.progressWrite = bars.write;
}

std::vector<CreatedFile> createdFiles(const AppContext& ctx) {
  const std::string& base = ctx.job.outputBaseName;
  std::vector<CreatedFile> files = {{"Created web page", base + ".htm"},
                                    {"Created Flash streaming animation", base + "s.swf"}};
  if (ctx.settings.outputMode == kOutputModeController)
    files.push_back({"Created Flash controller animation", base + ctx.settings.instruction + ".swf"});
  if (writesMp3Stream(ctx)) files.push_back({"Created MP3 sound", base + ".mp3"});
  if (ctx.job.playerCopied) files.push_back({"Copied player folder", kPlayerFolderName});
  return files;
}

}  // namespace

JobReport runCreateCommand(AppContext& ctx, const JobProgressBars& bars) {
  JobState& job = ctx.job;
  if (job.jobRunning) return {};
  job.jobFailed = false;
  job.jobCancelled = false;
  job.jobStarted = true;
  job.jobRunning = true;
  job.playerCopied = false;
  lendBars(job, bars);
  runConversionJob(ctx);
  lendBars(job, {});
  job.jobRunning = false;

  JobReport report;
  report.outputFolder = job.outputFolder;
  if (job.jobFailed) {
    report.outcome = job.jobCancelled ? JobOutcome::Cancelled : JobOutcome::Failed;
    return report;
  }
  report.outcome = JobOutcome::Finished;
  report.createdFiles = createdFiles(ctx);
  return report;
}

void requestCancel(AppContext& ctx) {
  if (!ctx.job.jobRunning) return;
  ctx.job.jobFailed = true;
  ctx.job.jobCancelled = true;
}

std::string resultLine(const CreatedFile& file) { return file.description + " \"" + file.name + "\""; }

}  // namespace sonaflux
