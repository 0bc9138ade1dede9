// Private networks for tests: network namespaces joined by veth pairs, so
// that broadcasts on the default ports really travel between a "PC" and
// "devices" without ever touching this machine's own interfaces.
//
// Everything is torn down by destructors, also when a test fails half-way:
// deleting a namespace deletes its veth ends and every address on them.
// Names carry "tvx" and the process id, so parallel test runs never clash,
// and namespaces left behind by a killed run are swept at the next check.
//
// A thread can step into a namespace with ScopedNetns; sockets it opens
// there stay there, and threads it starts meanwhile inherit the namespace.
//
// Topologies come from Lab: a PC namespace that starts with loopback only,
// plus any number of device networks, each a device namespace on its own
// veth link and its own /16 (network k: PC 10.(60+k).0.1, device side
// 10.(60+k).0.2, device addresses from 10.(60+k).1.1 on). A network may
// reach the PC through two interfaces, as a PC with wired and wireless
// access to one LAN does: the device side is then a bridge with two ports,
// and every broadcast of either side arrives once per PC interface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavrix::lab {

struct NetnsSupport {
  bool usable = false;
  std::string reason;  // why not, when not usable
};

// Root and a working `ip netns`; probed once per process.
const NetnsSupport& CheckNetnsSupport();
// True when env TAVRIX_REQUIRE_NETNS=1: a missing lab is then a failure.
bool NetnsRequired();

class Namespace {
 public:
  // Creates "tvx<pid>-<n>-<role>" with loopback up and reverse-path
  // filtering off (devices may answer from addresses of other subnets).
  explicit Namespace(const std::string& role);
  ~Namespace();
  Namespace(const Namespace&) = delete;
  Namespace& operator=(const Namespace&) = delete;

  bool ok() const { return ok_; }
  const std::string& name() const { return name_; }
  const std::string& error() const { return error_; }

  // Runs `ip -n <name> args...`; true on success, else `output` says why.
  bool Ip(const std::vector<std::string>& args, std::string* output = nullptr) const;
  // Runs a program inside the namespace (`ip netns exec`).
  int Exec(const std::vector<std::string>& argv, std::string* output = nullptr) const;

 private:
  std::string name_;
  bool ok_ = false;
  std::string error_;
};

// Joins two namespaces by a veth pair, gives each end its address (CIDR
// text such as "10.61.0.1/16"; empty for none) and brings both up.
bool LinkNamespaces(const Namespace& a, const std::string& aInterface, const std::string& aCidr, const Namespace& b,
                    const std::string& bInterface, const std::string& bCidr, std::string* error);

// Moves the calling thread into a namespace until destroyed.
class ScopedNetns {
 public:
  explicit ScopedNetns(const Namespace& target);
  ~ScopedNetns();
  ScopedNetns(const ScopedNetns&) = delete;
  ScopedNetns& operator=(const ScopedNetns&) = delete;
  bool ok() const { return entered_; }

 private:
  int original_ = -1;
  bool entered_ = false;
};

struct DeviceNetwork {
  int index = 0;
  std::unique_ptr<Namespace> devices;
  std::string pcInterface;         // in the PC namespace, e.g. "pc1"
  std::string secondPcInterface;   // "pc1b" with two PC interfaces, else empty
  std::string deviceInterface;     // in the device namespace: "lan0"
  std::string pcAddress;           // 10.(60+k).0.1
  std::string firstDeviceAddress;  // 10.(60+k).1.1
};

class Lab {
 public:
  Lab();
  bool ok() const { return pc_.ok(); }
  const std::string& error() const { return pc_.error(); }
  Namespace& pc() { return pc_; }

  // A new device network linked to the PC namespace through one or two PC
  // interfaces (the second at 10.(60+k).0.3); null on failure.
  DeviceNetwork* AddDeviceNetwork(std::string* error, int pcInterfaces = 1);

 private:
  Namespace pc_;
  std::vector<std::unique_ptr<DeviceNetwork>> networks_;
};

}  // namespace tavrix::lab
