#include "tests/support/netns_lab.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "tests/support/run_command.h"

namespace tavrix::lab {
namespace {

std::atomic<int> g_namespaceCounter{0};

std::string Prefix() { return "tvx" + std::to_string(getpid()) + "-"; }

// Namespaces named after a process that no longer exists were left by a
// killed run; deleting them keeps the machine tidy.
void SweepStaleNamespaces() {
  DIR* dir = opendir("/run/netns");
  if (dir == nullptr) return;
  std::vector<std::string> stale;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.rfind("tvx", 0) != 0) continue;
    const long pid = std::strtol(name.c_str() + 3, nullptr, 10);
    if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) stale.push_back(name);
  }
  closedir(dir);
  for (const std::string& name : stale) RunCommand({"ip", "netns", "del", name});
}

NetnsSupport Probe() {
  NetnsSupport support;
  if (geteuid() != 0) {
    support.reason = "not running as root";
    return support;
  }
  SweepStaleNamespaces();
  const std::string probe = Prefix() + "probe";
  std::string output;
  if (RunCommand({"ip", "netns", "add", probe}, &output) != 0) {
    support.reason = "`ip netns add` failed: " + output;
    return support;
  }
  RunCommand({"ip", "netns", "del", probe});
  support.usable = true;
  return support;
}

}  // namespace

const NetnsSupport& CheckNetnsSupport() {
  static const NetnsSupport support = Probe();
  return support;
}

bool NetnsRequired() {
  const char* value = std::getenv("TAVRIX_REQUIRE_NETNS");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

Namespace::Namespace(const std::string& role) : name_(Prefix() + std::to_string(g_namespaceCounter++) + "-" + role) {
  std::string output;
  if (RunCommand({"ip", "netns", "add", name_}, &output) != 0) {
    error_ = "ip netns add " + name_ + ": " + output;
    return;
  }
  ok_ = true;
  if (!Ip({"link", "set", "lo", "up"}, &output)) {
    error_ = "loopback up in " + name_ + ": " + output;
    ok_ = false;
    return;
  }
  Exec({"sysctl", "-q", "-w", "net.ipv4.conf.all.rp_filter=0", "net.ipv4.conf.default.rp_filter=0"});
}

Namespace::~Namespace() { RunCommand({"ip", "netns", "del", name_}); }

bool Namespace::Ip(const std::vector<std::string>& args, std::string* output) const {
  std::vector<std::string> argv = {"ip", "-n", name_};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunCommand(argv, output) == 0;
}

int Namespace::Exec(const std::vector<std::string>& argv, std::string* output) const {
  std::vector<std::string> full = {"ip", "netns", "exec", name_};
  full.insert(full.end(), argv.begin(), argv.end());
  return RunCommand(full, output);
}

bool LinkNamespaces(const Namespace& a, const std::string& aInterface, const std::string& aCidr, const Namespace& b,
                    const std::string& bInterface, const std::string& bCidr, std::string* error) {
  std::string output;
  auto fail = [&](const std::string& step) {
    if (error) *error = step + ": " + output;
    return false;
  };
  if (RunCommand({"ip", "link", "add", "name", aInterface, "netns", a.name(), "type", "veth", "peer", "name",
                  bInterface, "netns", b.name()},
                 &output) != 0)
    return fail("veth " + aInterface + "/" + bInterface);
  if (!aCidr.empty() && !a.Ip({"addr", "add", aCidr, "dev", aInterface}, &output)) return fail("address " + aCidr);
  if (!bCidr.empty() && !b.Ip({"addr", "add", bCidr, "dev", bInterface}, &output)) return fail("address " + bCidr);
  if (!a.Ip({"link", "set", aInterface, "up"}, &output)) return fail("up " + aInterface);
  if (!b.Ip({"link", "set", bInterface, "up"}, &output)) return fail("up " + bInterface);
  return true;
}

ScopedNetns::ScopedNetns(const Namespace& target) {
  original_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
  const int targetFd = open(("/run/netns/" + target.name()).c_str(), O_RDONLY | O_CLOEXEC);
  if (original_ >= 0 && targetFd >= 0) entered_ = setns(targetFd, CLONE_NEWNET) == 0;
  if (targetFd >= 0) close(targetFd);
}

ScopedNetns::~ScopedNetns() {
  if (original_ < 0) return;
  if (entered_) setns(original_, CLONE_NEWNET);
  close(original_);
}

Lab::Lab() : pc_("pc") {}

DeviceNetwork* Lab::AddDeviceNetwork(std::string* error, int pcInterfaces) {
  if (!pc_.ok()) {
    if (error) *error = pc_.error();
    return nullptr;
  }
  auto network = std::make_unique<DeviceNetwork>();
  network->index = static_cast<int>(networks_.size()) + 1;
  const std::string k = std::to_string(network->index);
  const std::string net = "10." + std::to_string(60 + network->index) + ".";
  network->devices = std::make_unique<Namespace>("dev" + k);
  if (!network->devices->ok()) {
    if (error) *error = network->devices->error();
    return nullptr;
  }
  network->pcInterface = "pc" + k;
  network->deviceInterface = "lan0";
  network->pcAddress = net + "0.1";
  network->firstDeviceAddress = net + "1.1";
  if (pcInterfaces == 1) {
    if (!LinkNamespaces(pc_, network->pcInterface, network->pcAddress + "/16", *network->devices,
                        network->deviceInterface, net + "0.2/16", error))
      return nullptr;
  } else {
    network->secondPcInterface = network->pcInterface + "b";
    Namespace& devices = *network->devices;
    std::string output;
    const auto fail = [&](const std::string& step) {
      if (error) *error = step + ": " + output;
      return nullptr;
    };
    if (!devices.Ip({"link", "add", network->deviceInterface, "type", "bridge", "forward_delay", "0"}, &output))
      return fail("bridge");
    if (!LinkNamespaces(pc_, network->pcInterface, network->pcAddress + "/16", devices, "port0", "", error) ||
        !LinkNamespaces(pc_, network->secondPcInterface, net + "0.3/16", devices, "port1", "", error))
      return nullptr;
    for (const char* port : {"port0", "port1"}) {
      if (!devices.Ip({"link", "set", port, "master", network->deviceInterface}, &output)) return fail("port");
    }
    if (!devices.Ip({"addr", "add", net + "0.2/16", "dev", network->deviceInterface}, &output) ||
        !devices.Ip({"link", "set", network->deviceInterface, "up"}, &output))
      return fail("bridge address");
  }
  networks_.push_back(std::move(network));
  return networks_.back().get();
}

}  // namespace tavrix::lab
