#include "ui/main/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace {

constexpr size_t kDrainChunk = 8192;
// How often a command whose output has closed is checked for its exit.
constexpr int kExitPollMs = 20;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() { reset(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

}  // namespace

ProcessOutcome PosixCommandRunner::run(const std::vector<std::string>& argv, std::chrono::milliseconds deadline) {
  ProcessOutcome outcome;
  if (argv.empty()) {
    outcome.startError = EINVAL;
    return outcome;
  }
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
    outcome.startError = errno;
    outcome.pipeFailed = true;
    return outcome;
  }
  FileDescriptor readEnd(pipeEnds[0]);
  FileDescriptor writeEnd(pipeEnds[1]);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own process group, so the deadline kills whatever it started too.
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);

  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t child = -1;
  const int spawnError = posix_spawnp(&child, args[0], &actions, &attributes, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  writeEnd.reset();
  if (spawnError != 0) {
    outcome.startError = spawnError;
    return outcome;
  }
  outcome.started = true;

  const auto giveUpAt = std::chrono::steady_clock::now() + deadline;
  char discard[kDrainChunk];
  int status = 0;
  for (;;) {
    const pid_t reaped = waitpid(child, &status, WNOHANG);
    if (reaped == child) break;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(giveUpAt - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(-child, SIGKILL);
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      outcome.timedOut = true;
      return outcome;
    }
    const int waitMs = static_cast<int>(std::min<long long>(left.count(), kExitPollMs));
    pollfd readable{readEnd.get(), POLLIN, 0};
    if (readEnd.get() >= 0 && poll(&readable, 1, waitMs) > 0) {
      const ssize_t got = read(readEnd.get(), discard, sizeof discard);
      if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) readEnd.reset();
    } else if (readEnd.get() < 0) {
      poll(nullptr, 0, waitMs);
    }
  }
  if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  return outcome;
}
