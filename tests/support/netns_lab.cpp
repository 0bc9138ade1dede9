#include "tests/support/netns_lab.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "tests/support/run_command.h"

namespace tavrix::lab {
namespace {

std::atomic<int> g_namespaceCounter{0};

std::string Prefix() { return "tvx" + std::to_string(getpid()) + "-"; }

// Namespaces named after a process that no longer exists were left by a
// killed run; deleting them keeps the machine tidy.
void SweepStaleNamespaces() {
  std::error_code noDirectory;
  for (const auto& entry : std::filesystem::directory_iterator("/run/netns", noDirectory)) {
    const std::string name = entry.path().filename();
    const long pid = name.starts_with("tvx") ? std::strtol(name.c_str() + 3, nullptr, 10) : 0;
    if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) RunCommand({"ip", "netns", "del", name});
  }
}

NetnsSupport Probe() {
  const char* required = std::getenv("TAVRIX_REQUIRE_NETNS");
  const bool isRequired = required != nullptr && std::string_view(required) == "1";
  if (geteuid() != 0) return {false, "not running as root", isRequired};
  SweepStaleNamespaces();
  const Namespace probe("probe");
  return {probe.ok(), probe.error(), isRequired};
}

}  // namespace

const NetnsSupport& CheckNetnsSupport() {
  static const NetnsSupport support = Probe();
  return support;
}

Namespace::Namespace(const std::string& role) : name_(Prefix() + std::to_string(g_namespaceCounter++) + "-" + role) {
  std::string output;
  if (RunCommand({"ip", "netns", "add", name_}, &output) != 0 || !Ip({"link", "set", "lo", "up"}, &output))
    error_ = "namespace " + name_ + ": " + output;
  else
    RunCommand({"ip", "netns", "exec", name_, "sysctl", "-q", "-w", "net.ipv4.conf.all.rp_filter=0",
                "net.ipv4.conf.default.rp_filter=0"});
}

Namespace::~Namespace() { RunCommand({"ip", "netns", "del", name_}); }

bool Namespace::Ip(const std::vector<std::string>& args, std::string* output) const {
  std::vector<std::string> argv = {"ip", "-n", name_};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunCommand(argv, output) == 0;
}

ScopedNetns::ScopedNetns(const Namespace& target) : original_(open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC)) {
  const int targetFd = open(("/run/netns/" + target.name()).c_str(), O_RDONLY | O_CLOEXEC);
  entered_ = original_ >= 0 && targetFd >= 0 && setns(targetFd, CLONE_NEWNET) == 0;
  if (targetFd >= 0) close(targetFd);
}

ScopedNetns::~ScopedNetns() {
  if (entered_) setns(original_, CLONE_NEWNET);
  if (original_ >= 0) close(original_);
}

DeviceNetwork* Lab::AddDeviceNetwork(std::string* error, int pcInterfaces) {
  auto network = std::make_unique<DeviceNetwork>();
  const std::string k = std::to_string(networks_.size() + 1);
  const std::string net = "10." + std::to_string(61 + networks_.size()) + ".";
  const std::string& lan = network->deviceInterface;
  network->firstDeviceAddress = net + "1.1";
  network->devices = std::make_unique<Namespace>("dev" + k);
  const Namespace& devices = *network->devices;
  std::string output = Namespace::error() + devices.error();
  bool up = ok() && devices.ok();
  if (up && pcInterfaces > 1) up = devices.Ip({"link", "add", lan, "type", "bridge", "forward_delay", "0"}, &output);
  for (int i = 0; up && i < pcInterfaces; ++i) {
    const std::string pcEnd = "pc" + k + (i == 0 ? "" : "b");
    const std::string deviceEnd = pcInterfaces > 1 ? "port" + std::to_string(i) : lan;
    up = RunCommand({"ip", "link", "add", "name", pcEnd, "netns", name(), "type", "veth", "peer", "name", deviceEnd,
                     "netns", devices.name()},
                    &output) == 0 &&
         Ip({"addr", "add", net + (i == 0 ? "0.1/16" : "0.3/16"), "dev", pcEnd}, &output) &&
         Ip({"link", "set", pcEnd, "up"}, &output) &&
         (deviceEnd == lan || devices.Ip({"link", "set", deviceEnd, "master", lan}, &output)) &&
         devices.Ip({"link", "set", deviceEnd, "up"}, &output);
  }
  if (!up || !devices.Ip({"addr", "add", net + "0.2/16", "dev", lan}, &output) ||
      !devices.Ip({"link", "set", lan, "up"}, &output)) {
    if (error) *error = "device network " + k + ": " + output;
    return nullptr;
  }
  networks_.push_back(std::move(network));
  return networks_.back().get();
}

}  // namespace tavrix::lab
