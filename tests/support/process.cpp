#include "tests/support/process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace sonaflux::test {

namespace {

void drain(int fd, std::string& into) {
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return;
    into.append(buffer, static_cast<std::size_t>(n));
  }
}

}  // namespace

ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
  ProcessResult result;
  int out[2], err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) return result;
  pid_t pid = ::fork();
  if (pid == 0) {
    int devNull = ::open("/dev/null", O_RDONLY);
    ::dup2(devNull, 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::close(out[0]);
    ::close(err[0]);
    if (options.fileSizeLimit > 0) {
      ::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
      rlimit limit{static_cast<rlim_t>(options.fileSizeLimit), static_cast<rlim_t>(options.fileSizeLimit)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  ::fcntl(out[0], F_SETFL, O_NONBLOCK);
  ::fcntl(err[0], F_SETFL, O_NONBLOCK);
  bool interrupted = false;
  int status = 0;
  for (;;) {
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    ::poll(fds, 2, 5);
    drain(out[0], result.out);
    drain(err[0], result.err);
    if (!interrupted && options.interruptWhen && options.interruptWhen()) {
      ::kill(pid, SIGINT);
      interrupted = true;
    }
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
  }
  // Whatever is still in the pipes after exit.
  ::fcntl(out[0], F_SETFL, 0);
  ::fcntl(err[0], F_SETFL, 0);
  drain(out[0], result.out);
  drain(err[0], result.err);
  ::close(out[0]);
  ::close(err[0]);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace sonaflux::test
