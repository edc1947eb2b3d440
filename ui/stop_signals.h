#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

#include "core/app_context.h"

class QSocketNotifier;

namespace sonaflux {

/// Ends the desktop program on SIGTERM, SIGHUP, SIGQUIT and SIGINT, and when
/// the desktop session ends, the way Cancel ends a job: a running job is
/// cancelled and cleans up first, then endProgram gets 128 plus the signal.
/// One instance per process.
class StopSignals : public QObject {
  Q_OBJECT

 public:
  StopSignals(AppContext& ctx, std::function<void(int exitCode)> endProgram);
  ~StopSignals() override;

 private:
  void signalArrived();
  void endWhenIdle();

  AppContext& m_ctx;
  std::function<void(int)> m_endProgram;
  std::unique_ptr<QSocketNotifier> m_notifier;
  QTimer m_waitForJob;
  int m_exitCode = 0;
};

}  // namespace sonaflux
