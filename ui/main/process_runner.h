// Runs an external command the way the window needs it: from an argument
// vector (no shell, so nothing in it is ever interpreted), with standard
// output drained in 8192-byte reads and thrown away (a chatty command can
// never stall on a full pipe), standard error inherited, and a deadline after
// which the command and anything it started are killed. The window thread
// blocks for at most that deadline.
//
// CommandRunner is the seam: the window calls through it, tests substitute a
// scripted runner or use the real one with harmless commands.
#pragma once

#include <chrono>
#include <string>
#include <vector>

struct ProcessOutcome {
  bool started = false;
  bool timedOut = false;
  int exitCode = -1;        // -1 when it did not exit normally
  int startError = 0;       // errno when it could not be started
  bool pipeFailed = false;  // not started because its output pipe could not be made
  bool succeeded() const { return started && !timedOut && exitCode == 0; }
};

class CommandRunner {
 public:
  virtual ~CommandRunner() = default;
  virtual ProcessOutcome run(const std::vector<std::string>& argv, std::chrono::milliseconds deadline) = 0;
};

class PosixCommandRunner : public CommandRunner {
 public:
  ProcessOutcome run(const std::vector<std::string>& argv, std::chrono::milliseconds deadline) override;
};
