#pragma once

#include <string>
#include <vector>

#include "core/app_context.h"

namespace sonaflux {

/// The four stage bars a front end shows; any of them may be missing.
struct JobProgressBars {
  ProgressBar* read = nullptr;
  ProgressBar* decode = nullptr;
  ProgressBar* compress = nullptr;
  ProgressBar* write = nullptr;
};

enum class JobOutcome { Finished, Failed, Cancelled };

/// One file of a finished output set, as the result lines name it.
struct CreatedFile {
  std::string description;  // "Created web page"
  std::string name;         // "snx12.htm"
};

struct JobReport {
  JobOutcome outcome = JobOutcome::Failed;
  std::string outputFolder;               // ends in the separator
  std::vector<CreatedFile> createdFiles;  // empty unless Finished
};

/// Runs the conversion job for the checked input and title: clears the job
/// flags, lends the job the bars for its length, runs it and reports how it
/// ended. A call made while a job runs (from inside pumping) does nothing
/// and reports Failed.
JobReport runCreateCommand(AppContext& ctx, const JobProgressBars& bars);

/// Cancels the running job at its next check; the job cleans up and reports
/// Cancelled. Does nothing when no job runs.
void requestCancel(AppContext& ctx);

/// A result line as the working window and the command line show it:
/// Created web page "snx12.htm".
std::string resultLine(const CreatedFile& file);

}  // namespace sonaflux
