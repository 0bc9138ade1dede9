// Private networks for tests: network namespaces joined by veth pairs, so
// that broadcasts on the default ports really travel between a "PC" and
// "devices" without ever touching this machine's own interfaces. Deleting a
// namespace deletes its links and addresses, so destructors tear everything
// down, also when a test fails half-way. Names carry "tvx" and the process
// id: parallel runs never clash, and a killed run's leftovers are swept.
//
// Lab is a PC namespace with loopback only, plus device networks: network k
// is a device namespace on its own /16 (PC 10.(60+k).0.1, device side
// 10.(60+k).0.2, devices from 10.(60+k).1.1 on). With two PC interfaces (a
// PC wired and wireless on one LAN; the second is 10.(60+k).0.3) the device
// side is a bridge, and each broadcast arrives once per PC interface.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tavrix::lab {

struct NetnsSupport {
  bool usable = false;
  std::string reason;     // why not, when not usable
  bool required = false;  // env TAVRIX_REQUIRE_NETNS=1: a missing lab is then a failure
};

// Root and a working `ip netns`; probed once per process.
const NetnsSupport& CheckNetnsSupport();

class Namespace {
 public:
  // Loopback up, reverse-path filtering off (devices may answer from
  // addresses of other subnets).
  explicit Namespace(const std::string& role);
  ~Namespace();
  Namespace(const Namespace&) = delete;
  Namespace& operator=(const Namespace&) = delete;

  bool ok() const { return error_.empty(); }
  const std::string& name() const { return name_; }
  const std::string& error() const { return error_; }
  // Runs `ip -n <name> args...`; true on success, else `output` says why.
  bool Ip(const std::vector<std::string>& args, std::string* output = nullptr) const;

 private:
  std::string name_;
  std::string error_;
};

// Moves the calling thread into a namespace until destroyed; sockets opened
// meanwhile stay there, and threads started meanwhile inherit it.
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
  std::unique_ptr<Namespace> devices;
  std::string deviceInterface = "lan0";
  std::string firstDeviceAddress;
};

class Lab : public Namespace {
 public:
  Lab() : Namespace("pc") {}
  Namespace& pc() { return *this; }
  // Null on failure, with `error` saying why.
  DeviceNetwork* AddDeviceNetwork(std::string* error, int pcInterfaces = 1);

 private:
  std::vector<std::unique_ptr<DeviceNetwork>> networks_;
};

}  // namespace tavrix::lab
