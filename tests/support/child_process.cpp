#include "tests/support/child_process.h"

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/file.h"

namespace sonaflux::test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
  const std::string out = m_outputs.file("out");
  const std::string err = m_outputs.file("err");
  m_pid = ::fork();
  if (m_pid == 0) {
    ::dup2(::open("/dev/null", O_RDONLY), 0);
    ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    // Put in a group of its own, so that no signal meant for the tests reaches it.
    ::setpgid(0, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (m_pid > 0 && !m_reaped) {
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, &m_status, 0);
  }
}

bool ChildProcess::running() {
  if (m_reaped || m_pid <= 0) return false;
  if (::waitpid(m_pid, &m_status, WNOHANG) == m_pid) m_reaped = true;
  return !m_reaped;
}

bool ChildProcess::waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    if (!running()) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

bool ChildProcess::endsWithin(std::chrono::milliseconds timeout) {
  auto end = std::chrono::steady_clock::now() + timeout;
  while (running()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

void ChildProcess::signal(int number) {
  if (m_pid > 0 && !m_reaped) ::kill(m_pid, number);
}

ProcessResult ChildProcess::wait() {
  if (m_pid > 0 && !m_reaped) {
    ::waitpid(m_pid, &m_status, 0);
    m_reaped = true;
  }
  ProcessResult result;
  result.exitCode = WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
  m_endSignal = WIFSIGNALED(m_status) ? WTERMSIG(m_status) : 0;
  result.out = readFileText(m_outputs.file("out"));
  result.err = readFileText(m_outputs.file("err"));
  return result;
}

LockHolder::LockHolder(const std::string& path) : m_process({"flock", "--exclusive", path, "sleep", "120"}) {
  m_holding = m_process.waitFor(
      [&] {
        File probe;
        return !probe.openExisting(path, FileAccess::Read, true);
      },
      std::chrono::seconds(10));
}

}  // namespace sonaflux::test
