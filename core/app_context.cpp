#include "core/app_context.h"

namespace sonaflux {

void AppContext::failJob(const std::string& message) {
  host.showMessage(message, MessageIcon::Exclamation);
  job.jobFailed = true;
}

void AppContext::setProgress(ProgressBar* bar, int position) {
  if (bar) bar->setPosition(position);
}

}  // namespace sonaflux
