#include "ui/stop_signals.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <csignal>

#include "engine/create_command.h"

namespace sonaflux {

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGHUP, SIGQUIT, SIGINT};
int g_pipe[2] = {-1, -1};

// Only async-signal-safe work here: the number goes through the pipe to the
// event loop, which acts on it between units of the job's work.
extern "C" void onStopSignal(int signal) {
  const unsigned char number = static_cast<unsigned char>(signal);
  [[maybe_unused]] ssize_t written = ::write(g_pipe[1], &number, 1);
}

}  // namespace

StopSignals::StopSignals(AppContext& ctx, std::function<void(int)> endProgram)
    : m_ctx(ctx), m_endProgram(std::move(endProgram)) {
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
  connect(m_notifier.get(), &QSocketNotifier::activated, this, &StopSignals::signalArrived);
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : kStopSignals) sigaction(signal, &action, nullptr);

  // The session ending asks first: the job is cancelled so that it can clean
  // up while the program is still allowed to run.
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { requestCancel(m_ctx); });
  }
  m_waitForJob.setInterval(20);
  connect(&m_waitForJob, &QTimer::timeout, this, &StopSignals::endWhenIdle);
}

StopSignals::~StopSignals() {
  for (int signal : kStopSignals) std::signal(signal, SIG_DFL);
  m_notifier.reset();
  for (int& fd : g_pipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void StopSignals::signalArrived() {
  unsigned char number = 0;
  while (::read(g_pipe[0], &number, 1) == 1) {
    if (m_exitCode == 0) m_exitCode = 128 + number;
  }
  if (m_exitCode == 0) return;
  requestCancel(m_ctx);
  endWhenIdle();
}

// The job is on the stack below the event loop that delivered the signal;
// the program ends only once it has returned and cleaned up.
void StopSignals::endWhenIdle() {
  if (m_ctx.job.jobRunning) {
    if (!m_waitForJob.isActive()) m_waitForJob.start();
    return;
  }
  m_waitForJob.stop();
  m_endProgram(m_exitCode);
}

}  // namespace sonaflux
