#include "tests/support/run_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace tavrix::lab {

int RunCommand(const std::vector<std::string>& argv, std::string* output, std::chrono::milliseconds timeout) {
  if (argv.empty()) return -1;
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
  const pid_t child = fork();
  if (child < 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    return -1;
  }
  if (child == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    dup2(pipeFds[1], STDERR_FILENO);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(pipeFds[1]);

  const auto deadline = std::chrono::steady_clock::now() + timeout;
  bool timedOut = false;
  char buffer[4096];
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    pollfd entry{pipeFds[0], POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(left.count())) <= 0) continue;
    const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    if (output) output->append(buffer, static_cast<size_t>(n));
  }
  close(pipeFds[0]);
  if (timedOut) kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (timedOut || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace tavrix::lab
