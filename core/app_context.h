#pragma once

#include "core/job_state.h"
#include "core/settings_record.h"
#include "platform/host.h"

namespace sonaflux {

/// The one application object: settings, paths, job inputs and job state,
/// and the Host that watches. Every stage receives it by reference.
class AppContext {
 public:
  explicit AppContext(Host& jobHost) : host(jobHost) {}
  AppContext(const AppContext&) = delete;
  AppContext& operator=(const AppContext&) = delete;

  Host& host;
  SettingsRecord settings;
  ApplicationPaths paths;
  JobInputs inputs;
  JobState job;

  /// Shows an error message (exclamation icon) and fails the job.
  void failJob(const std::string& message);
  /// Sets a progress bar when the front end has given one.
  static void setProgress(ProgressBar* bar, int position);
};

}  // namespace sonaflux
