#include "engine/create_command.h"

#include "engine/conversion_driver.h"

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
