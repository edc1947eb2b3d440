#include "cli/console_host.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <unistd.h>


namespace sonaflux::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) { g_interrupted = 1; }

constexpr int kBarWidth = 30;

std::string barLine(const ConsoleProgressBar& bar) {
  int shown = bar.position() > 100 ? 100 : bar.position();
  int filled = shown * kBarWidth / 100;
  std::string line = bar.label();
  line.resize(38, ' ');
  line += "[" + std::string(static_cast<std::size_t>(filled), '#') +
          std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + "] ";
  line += bar.position() >= 101 ? "done" : std::to_string(shown) + "%";
  return line;
}

}  // namespace

void installInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a question waiting for input is interrupted too
  sigaction(SIGINT, &action, nullptr);
}

bool interruptRequested() { return g_interrupted != 0; }

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
  if (m_terminal) {
    redraw(bar.m_position >= 101 || bar.m_position == 0);
    return;
  }
  // Plain lines: one at each quarter and one when the stage is done.
  if (bar.m_position == 0) {
    bar.m_lastReported = 0;
    return;
  }
  int step = bar.m_position >= 101 ? 101 : (bar.m_position / 25) * 25;
  if (step > bar.m_lastReported) {
    std::cerr << bar.label() << ' ' << (step >= 101 ? std::string("done") : std::to_string(step) + "%") << std::endl;
    bar.m_lastReported = step;
  }
}

void ConsoleHost::redraw(bool force) {
  auto now = std::chrono::steady_clock::now();
  if (!force && m_drawnLines > 0 && now - m_lastDraw < std::chrono::milliseconds(100)) return;
  m_lastDraw = now;
  std::string out;
  if (m_drawnLines > 0) out += "\x1b[" + std::to_string(m_drawnLines) + "A";
  for (const auto& bar : m_bars) out += "\r\x1b[K" + barLine(*bar) + "\n";
  m_drawnLines = static_cast<int>(m_bars.size());
  std::fputs(out.c_str(), stderr);
  std::fflush(stderr);
}

void ConsoleHost::finishProgress() {
  if (m_terminal && m_drawnLines > 0) redraw(true);
  m_drawnLines = 0;
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
    return MessageAnswer::No;
  }
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" ? MessageAnswer::Yes
                                                                                : MessageAnswer::No;
}

void ConsoleHost::checkInterrupt() {
  if (g_interrupted && m_ctx) requestCancel(*m_ctx);
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
  std::exit(exitCode);
}

}  // namespace sonaflux::cli
