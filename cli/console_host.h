#pragma once

#include <array>
#include <chrono>
#include <memory>
#include <string>

#include "core/app_context.h"
#include "engine/create_command.h"
#include "platform/host.h"

namespace sonaflux::cli {

class ConsoleHost;

/// One labelled stage bar drawn on standard error.
class ConsoleProgressBar : public ProgressBar {
 public:
  ConsoleProgressBar(ConsoleHost& host, std::string label) : m_host(host), m_label(std::move(label)) {}
  void setRange(int minimum, int maximum) override;
  void setPosition(int position) override;

  const std::string& label() const { return m_label; }
  int position() const { return m_position; }
  int maximum() const { return m_maximum; }
  /// "failed" or "cancelled" once the stage ended with its job; empty otherwise.
  const std::string& endNote() const { return m_endNote; }

 private:
  ConsoleHost& m_host;
  std::string m_label;
  int m_minimum = 0;
  int m_maximum = 101;
  int m_position = 0;
  int m_lastReported = 0;
  bool m_donePending = false;
  std::string m_endNote;
  friend class ConsoleHost;
};

/// The command line's Host: messages on standard error, questions asked on a
/// terminal (No when not interactive, unless told yes), Ctrl-C as Cancel.
class ConsoleHost : public Host {
 public:
  explicit ConsoleHost(bool assumeYes);
  ~ConsoleHost() override;

  /// The application whose job Ctrl-C cancels.
  void attach(AppContext& ctx) { m_ctx = &ctx; }
  /// This host's four stage bars, for the job to write to.
  JobProgressBars bars() const;

  MessageAnswer showMessage(const std::string& text, MessageIcon icon, MessageButtons buttons) override;
  void pumpMessages() override;
  void showStatus(const std::string& text) override;
  void terminate(int exitCode) override;

  /// Ends the bar display so that later output starts on a fresh line.
  void finishProgress();
  /// Ends the display after the job, or after an input check that stopped
  /// it before it began: the stage where it stopped is shown as failed or
  /// cancelled, never as done.
  void finishJob(JobOutcome outcome);
  void barChanged(ConsoleProgressBar& bar);

 private:
  void redraw(bool force);
  void printDoneStages();
  std::string failureNote() const;
  void checkInterrupt();

  bool m_assumeYes;
  bool m_terminal;
  AppContext* m_ctx = nullptr;
  std::array<std::unique_ptr<ConsoleProgressBar>, 4> m_bars;
  int m_drawnLines = 0;
  std::chrono::steady_clock::time_point m_lastDraw{};
};

/// Ctrl-C, SIGTERM, SIGHUP and SIGQUIT cancel the job (a second one still
/// only cancels); a closed pipe no longer ends the process.
void installStopSignalHandlers();
bool interruptRequested();
/// The last stop signal received; 0 for none.
int stopSignal();

}  // namespace sonaflux::cli
