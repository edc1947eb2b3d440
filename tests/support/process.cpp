#include "tests/support/process.h"

#include "tests/support/temp_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace sonaflux::test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
  m_outputs = (std::filesystem::temp_directory_path() / "sonaflux-process-XXXXXX").string();
  if (!::mkdtemp(m_outputs.data())) return;
  const std::string out = m_outputs + "/out", err = m_outputs + "/err";
  m_pid = ::fork();
  if (m_pid != 0) return;
  ::dup2(::open("/dev/null", O_RDONLY), 0);
  ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
  ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
  // No signal meant for the tests reaches it.
  ::setpgid(0, 0);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  ::execvp(args[0], args.data());
  ::_exit(127);
}

ChildProcess::~ChildProcess() {
  if (m_pid > 0 && !m_reaped) {
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, &m_status, 0);
  }
  std::error_code ignored;
  std::filesystem::remove_all(m_outputs, ignored);
}

bool ChildProcess::running() {
  if (!m_reaped && m_pid > 0 && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid) m_reaped = true;
  return !m_reaped && m_pid > 0;
}

std::string ChildProcess::outputSoFar() const { return readFileText(m_outputs + "/out"); }

bool ChildProcess::waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    if (!running()) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

void ChildProcess::signal(int number) {
  if (m_pid > 0 && !m_reaped) ::kill(m_pid, number);
}

ProcessResult ChildProcess::wait() {
  if (m_pid > 0 && !m_reaped) ::waitpid(m_pid, &m_status, 0);
  m_reaped = true;
  return {WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1, readFileText(m_outputs + "/out"),
          readFileText(m_outputs + "/err")};
}

ProcessResult runProcess(const std::vector<std::string>& argv) {
  return ChildProcess(argv).wait();
}

LockHolder::LockHolder(const std::string& path) : m_process({"flock", "--exclusive", path, "sleep", "120"}) {
  // Held once the program's own exclusive open (flock) would fail.
  const auto held = [&] {
    int fd = ::open(path.c_str(), O_RDONLY);
    bool refused = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (fd >= 0) ::close(fd);
    return refused;
  };
  m_holding = m_process.waitFor(held, std::chrono::seconds(10));
}

}  // namespace sonaflux::test
