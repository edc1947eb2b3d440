#include "cli/console_host.h"

#include <sys/ioctl.h>
#include <unistd.h>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "core/file_routines.h"

namespace sonaflux::cli {

namespace {

volatile std::sig_atomic_t g_signal = 0;

extern "C" void onStopSignal(int signal) { g_signal = signal; }

constexpr std::size_t kLabelWidth = 38;
constexpr int kLongestBar = 30;
constexpr int kShortestBar = 10;
constexpr std::size_t kStatusWidth = 9;  // "cancelled"
// Label, "[", the bar, "] ", the status; one column spare so that no line
// reaches the margin and wraps.
constexpr int kFixedColumns = static_cast<int>(kLabelWidth + 3 + kStatusWidth) + 1;

std::string statusText(const ConsoleProgressBar& bar) {
  if (!bar.endNote().empty()) return bar.endNote();
  if (bar.position() >= kProgressFull) return "done";
  return std::to_string(bar.position() > 100 ? 100 : bar.position()) + "%";
}

std::string barLine(const ConsoleProgressBar& bar, int barWidth) {
  int shown = bar.position() > 100 ? 100 : bar.position();
  int filled = shown * barWidth / 100;
  std::string line = bar.label();
  line.resize(kLabelWidth, ' ');
  line += "[" + std::string(static_cast<std::size_t>(filled), '#') +
          std::string(static_cast<std::size_t>(barWidth - filled), ' ') + "] ";
  return line + statusText(bar);
}

// Columns of the terminal on standard error; 0 when it does not say.
int terminalColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

}  // namespace

void installStopSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a question waiting for input is interrupted too
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signal, &action, nullptr);
  // A reader that went away makes writes fail instead of ending the job
  // before it has cleaned up.
  std::signal(SIGPIPE, SIG_IGN);
}

bool interruptRequested() { return g_signal != 0; }

int stopSignal() { return g_signal; }

void ConsoleProgressBar::setRange(int minimum, int maximum) {
  m_minimum = minimum;
  m_maximum = maximum;
}

void ConsoleProgressBar::setPosition(int position) {
  m_position = position;
  m_host.barChanged(*this);
}

ConsoleHost::ConsoleHost(bool assumeYes) : m_assumeYes(assumeYes), m_terminal(::isatty(STDERR_FILENO) != 0) {
  const char* labels[] = {"Reading in, analysing and cleaning:", "Decompressing and normalising:",
                          "Compressing to 56K streaming format:", "Writing output files:"};
  for (std::size_t i = 0; i < m_bars.size(); ++i) m_bars[i] = std::make_unique<ConsoleProgressBar>(*this, labels[i]);
}

ConsoleHost::~ConsoleHost() = default;

JobProgressBars ConsoleHost::bars() const {
  return {m_bars[0].get(), m_bars[1].get(), m_bars[2].get(), m_bars[3].get()};
}

void ConsoleHost::barChanged(ConsoleProgressBar& bar) {
  // A stage that ends while the job has failed did not finish its work.
  if (bar.m_position >= kProgressFull && m_ctx && m_ctx->job.jobFailed) bar.m_endNote = failureNote();
  if (m_terminal) {
    redraw(bar.m_position >= kProgressFull || bar.m_position == 0);
    return;
  }
  // Plain lines: one at each quarter and one when the stage ends.
  if (bar.m_position == 0) {
    bar.m_lastReported = 0;
    return;
  }
  // A stage counts as done only once the next one moves: a failure found
  // between the two belongs to the earlier stage.
  printDoneStages();
  int step = bar.m_position >= kProgressFull ? kProgressFull : (bar.m_position / 25) * 25;
  if (step > bar.m_lastReported) {
    bar.m_lastReported = step;
    if (step == kProgressFull && bar.m_endNote.empty()) {
      bar.m_donePending = true;
      return;
    }
    std::cerr << bar.label() << ' ' << statusText(bar) << std::endl;
  }
}

void ConsoleHost::printDoneStages() {
  for (auto& bar : m_bars) {
    if (!bar->m_donePending) continue;
    bar->m_donePending = false;
    std::cerr << bar->label() << ' ' << statusText(*bar) << std::endl;
  }
}

std::string ConsoleHost::failureNote() const { return m_ctx && m_ctx->job.jobCancelled ? "cancelled" : "failed"; }

void ConsoleHost::redraw(bool force) {
  auto now = std::chrono::steady_clock::now();
  if (!force && m_drawnLines > 0 && now - m_lastDraw < std::chrono::milliseconds(100)) return;
  // Checked at every draw, as the window may have been narrowed meanwhile:
  // lines that wrap would make the redraw climb too few lines and flood the
  // scrollback, so a narrow terminal gets plain lines from then on.
  int columns = terminalColumns();
  int barWidth = std::min(kLongestBar, columns - kFixedColumns);
  if (barWidth < kShortestBar) {
    m_terminal = false;
    m_drawnLines = 0;
    return;
  }
  m_lastDraw = now;
  std::string out;
  if (m_drawnLines > 0) out += "\x1b[" + std::to_string(m_drawnLines) + "A";
  for (const auto& bar : m_bars) out += "\r\x1b[K" + barLine(*bar, barWidth) + "\n";
  m_drawnLines = static_cast<int>(m_bars.size());
  std::fputs(out.c_str(), stderr);
  std::fflush(stderr);
}

void ConsoleHost::finishProgress() {
  if (m_terminal && m_drawnLines > 0) redraw(true);
  m_drawnLines = 0;
}

void ConsoleHost::finishJob(JobOutcome outcome) {
  if (outcome != JobOutcome::Finished) {
    // The last stage that started did not finish, even when its bar is
    // full; before any stage moved, the first one is where it stopped.
    ConsoleProgressBar* stopped = m_bars.front().get();
    for (auto& bar : m_bars)
      if (bar->m_position > 0) stopped = bar.get();
    if (stopped->m_endNote.empty()) {
      stopped->m_endNote = outcome == JobOutcome::Cancelled ? "cancelled" : "failed";
      stopped->m_donePending = false;
      printDoneStages();
      if (!m_terminal || m_drawnLines == 0) std::cerr << stopped->label() << ' ' << stopped->m_endNote << std::endl;
    }
  }
  printDoneStages();
  finishProgress();
}

MessageAnswer ConsoleHost::showMessage(const std::string& text, MessageIcon, MessageButtons buttons) {
  finishProgress();
  std::cerr << text << std::endl;
  if (buttons != MessageButtons::YesNo) return MessageAnswer::Ok;
  if (m_assumeYes) {
    std::cerr << "Yes (--yes)" << std::endl;
    return MessageAnswer::Yes;
  }
  if (!::isatty(STDIN_FILENO) || !m_terminal) {
    std::cerr << "No (not asked: not a terminal; use --yes to overwrite)" << std::endl;
    return MessageAnswer::No;
  }
  std::cerr << "[y/N] " << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer)) {
    std::cin.clear();
    std::cerr << std::endl;
    checkInterrupt();
    return MessageAnswer::No;
  }
  bool yes = answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
  // A stop signal while asking cancels the job rather than answering No.
  checkInterrupt();
  return yes ? MessageAnswer::Yes : MessageAnswer::No;
}

void ConsoleHost::checkInterrupt() {
  if (g_signal && m_ctx) requestCancel(*m_ctx);
}

void ConsoleHost::pumpMessages() {
  checkInterrupt();
  if (m_terminal && m_drawnLines > 0) redraw(false);
}

void ConsoleHost::showStatus(const std::string& text) {
  finishProgress();
  std::cerr << text << std::endl;
}

void ConsoleHost::terminate(int exitCode) {
  finishProgress();
  // The settings could not be read or saved: the run failed like any other.
  if (exitCode != 0) std::cerr << "Failed" << std::endl;
  std::exit(exitCode);
}

}  // namespace sonaflux::cli
