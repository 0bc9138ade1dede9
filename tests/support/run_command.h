// Programs run without a shell (arguments are passed as they are, so names
// and addresses need no quoting), their output read through a pipe within a
// deadline, and never outliving the test that started them.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace tavrix::lab {

struct Child {
  pid_t pid = -1;   // -1 when it could not be started
  int output = -1;  // the reading end of its stdout (and stderr, when asked)
};

// Starts `argv`; the child dies with its parent.
inline Child Spawn(const std::vector<std::string>& argv, bool withStderr) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t parent = getpid();
  int pipeFds[2];
  if (argv.empty() || pipe2(pipeFds, O_CLOEXEC) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    // A blocked mask survives exec, and a command run in-process (one that
    // waits for its stop signals) leaves SIGINT and SIGTERM blocked on this
    // thread: the child must still stop when told to.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    dup2(pipeFds[1], STDOUT_FILENO);
    if (withStderr) dup2(pipeFds[1], STDERR_FILENO);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(pipeFds[1]);
  if (pid < 0) close(pipeFds[0]);
  return {pid, pid < 0 ? -1 : pipeFds[0]};
}

// Appends the child's output to `seen` until `done(seen)` holds (true), or
// until the output ends or `deadline` passes (false).
inline bool ReadOutput(const Child& child, std::chrono::steady_clock::time_point deadline, std::string* seen,
                       const std::function<bool(const std::string&)>& done) {
  char buffer[4096];
  for (pollfd entry{child.output, POLLIN, 0}; std::chrono::steady_clock::now() < deadline;) {
    if (poll(&entry, 1, 100) <= 0) continue;
    const ssize_t n = read(child.output, buffer, sizeof buffer);
    if (n <= 0) return false;
    seen->append(buffer, static_cast<size_t>(n));
    if (done(*seen)) return true;
  }
  return false;
}

// Runs a program to completion: its exit status (0 on success), or -1 when
// it could not be run, was killed or timed out (it is then killed).
// `output` receives stdout and stderr together.
inline int RunCommand(const std::vector<std::string>& argv, std::string* output = nullptr,
                      std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
  const Child child = Spawn(argv, true);
  if (child.pid < 0) return -1;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::string ignored;
  ReadOutput(child, deadline, output ? output : &ignored, [](const std::string&) { return false; });
  close(child.output);
  const bool timedOut = std::chrono::steady_clock::now() >= deadline;
  if (timedOut) kill(child.pid, SIGKILL);
  int status = 0;
  while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
  }
  return timedOut || !WIFEXITED(status) ? -1 : WEXITSTATUS(status);
}

}  // namespace tavrix::lab
