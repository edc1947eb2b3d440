#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace sonaflux::test {

/// A program running beside the test, for tests that signal or kill it
/// mid-way or need another process to hold a file. Standard input is empty;
/// its output goes to files, so it never blocks on a full pipe. A process
/// still running when the object goes is killed.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  /// Polls the condition every few milliseconds until it holds (true), the
  /// process ends or the time runs out (false).
  bool waitFor(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(60));
  /// True when the process ends within the time.
  bool endsWithin(std::chrono::milliseconds timeout);
  void signal(int number);
  /// Waits for the end. exitCode is -1 when a signal ended the process.
  ProcessResult wait();
  /// The signal that ended the process, after wait(); 0 when it exited.
  int endSignal() const { return m_endSignal; }

 private:
  bool running();

  TempFolder m_outputs;
  int m_pid = -1;
  int m_status = 0;
  bool m_reaped = false;
  int m_endSignal = 0;
};

/// Another process holding an exclusive lock on the file (as a program that
/// has it open would), until the object goes.
class LockHolder {
 public:
  explicit LockHolder(const std::string& path);
  /// True once the lock is held.
  bool holding() const { return m_holding; }

 private:
  ChildProcess m_process;
  bool m_holding = false;
};

}  // namespace sonaflux::test
