// The device simulator as a child process, optionally inside a namespace,
// for tests and benchmarks that need real datagrams from real sockets.
// Start() returns once the simulator has printed its ready line (so the
// socket is bound and, in broadcast mode, its addresses are in place), or
// fails with the reason. A child has a lifetime, so a forgotten one ends by
// itself, and dies with its parent; the destructor stops and reaps it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tavrix::lab {

class SimProcess {
 public:
  SimProcess() = default;
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // `args` are nvtsim's options; `netns` empty runs it here.
  bool Start(const std::vector<std::string>& args, const std::string& netns = "", double lifetimeSeconds = 120,
             std::chrono::milliseconds readyTimeout = std::chrono::seconds(30));
  uint16_t port() const { return port_; }
  const std::string& error() const { return error_; }

 private:
  pid_t pid_ = -1;
  uint16_t port_ = 0;
  std::string error_;
};

}  // namespace tavrix::lab
