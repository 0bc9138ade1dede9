#include "tests/support/sim_process.h"

#include <string_view>
#include <thread>

#include "tests/support/run_command.h"

namespace tavrix::lab {
namespace {

using std::chrono::steady_clock;
constexpr std::string_view kReady = "nvtsim ready port=";

// SIGTERM, then SIGKILL after a grace period; reaps the child either way.
void StopChild(pid_t pid) {
  kill(pid, SIGTERM);
  const auto deadline = steady_clock::now() + std::chrono::seconds(5);
  while (waitpid(pid, nullptr, WNOHANG) == 0) {
    if (steady_clock::now() > deadline) kill(pid, SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

SimProcess::~SimProcess() {
  if (pid_ > 0) StopChild(pid_);
}

bool SimProcess::Start(const std::vector<std::string>& args, const std::string& netns, double lifetimeSeconds,
                       std::chrono::milliseconds readyTimeout) {
  std::vector<std::string> argv;
  if (!netns.empty()) argv = {"ip", "netns", "exec", netns};
  argv.push_back(TAVRIX_NVTSIM_PATH);
  argv.insert(argv.end(), args.begin(), args.end());
  argv.insert(argv.end(), {"--lifetime", std::to_string(lifetimeSeconds)});
  const Child child = Spawn(argv, false);
  std::string seen;
  const bool ready =
      child.pid > 0 && ReadOutput(child, steady_clock::now() + readyTimeout, &seen, [](const std::string& s) {
        const size_t at = s.find(kReady);
        return at != std::string::npos && s.find('\n', at) != std::string::npos;
      });
  if (child.output >= 0) close(child.output);
  if (!ready) {
    error_ = "nvtsim did not become ready (see its stderr above); stdout: " + seen;
    if (child.pid > 0) StopChild(child.pid);
    return false;
  }
  pid_ = child.pid;
  port_ = static_cast<uint16_t>(std::strtoul(seen.c_str() + seen.find(kReady) + kReady.size(), nullptr, 10));
  return true;
}

}  // namespace tavrix::lab
