#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace sonaflux::test {

struct ProcessResult {
  int exitCode = -1;  // -1 when it did not exit normally
  std::string out, err;
};

// A program running beside the test, standard input empty, in a process
// group of its own. Its output goes to temporary files, so it never blocks on
// a full pipe. Killed if still running when the object goes.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // False when the process ends or the time runs out before the condition holds.
  bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(60));
  bool endsWithin(std::chrono::milliseconds timeout) {
    return waitFor([] { return false; }, timeout) || !running();
  }
  void signal(int number);
  // What it wrote to standard output so far.
  std::string outputSoFar() const;
  ProcessResult wait();

 private:
  bool running();

  std::string m_outputs;  // a temporary folder
  int m_pid = -1;
  int m_status = 0;
  bool m_reaped = false;
};

// Runs a program (no shell) and waits for it.
ProcessResult runProcess(const std::vector<std::string>& argv);

// Another process holding an exclusive lock on the file until the object goes.
class LockHolder {
 public:
  explicit LockHolder(const std::string& path);
  bool holding() const { return m_holding; }

 private:
  ChildProcess m_process;
  bool m_holding = false;
};

}  // namespace sonaflux::test
