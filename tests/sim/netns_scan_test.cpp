// The client with its unmodified defaults (limited broadcast, ports 32153
// and 32154) in private namespaces, against simulators that behave like
// devices on a LAN: they own their addresses and answer by broadcast.
#include <arpa/inet.h>

#include <set>

#include "tests/support/netns_gtest.h"
#include "tests/support/sim_process.h"
#include "tools/cli/scan_cycle.h"
#include "tools/cli/set_exchange.h"

using tavrix::lab::DeviceNetwork;
using tavrix::lab::Lab;
using tavrix::lab::ScopedNetns;
using tavrix::lab::SimProcess;

namespace {

// Adds a device network to `lab` with `count` simulated devices on it; the
// MAC base keeps the devices of several networks apart.
::testing::AssertionResult StartLan(Lab& lab, SimProcess& sim, int count, const char* macBase) {
  std::string error;
  const DeviceNetwork* network = lab.AddDeviceNetwork(&error);
  if (network == nullptr) return ::testing::AssertionFailure() << error;
  if (!sim.Start({"--broadcast", network->deviceInterface, "--count", std::to_string(count), "--first-ip",
                  network->firstDeviceAddress, "--mask", "255.255.0.0", "--move-delay", "50", "--mac-base", macBase},
                 network->devices->name()))
    return ::testing::AssertionFailure() << sim.error();
  return ::testing::AssertionSuccess();
}

std::set<std::string> SourceAddresses(const std::vector<DeviceInfo>& devices) {
  std::set<std::string> addresses;
  for (const DeviceInfo& d : devices) addresses.insert(inet_ntoa(in_addr{d.sourceAddress}));
  return addresses;
}

}  // namespace

TEST(NetnsScan, DefaultsFindTheFleetAndAMovedDevice) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  Lab lab;
  SimProcess sim;
  ASSERT_TRUE(StartLan(lab, sim, 25, "00:1A:2B:00:00:00"));
  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  const EncpEndpointSettings defaults;
  const ScanCycleResult cycle = RunScanCycle(defaults);
  EXPECT_EQ(cycle.initResult, 0);
  const std::vector<DeviceInfo> devices = UniqueByMac(cycle.replies);
  ASSERT_EQ(devices.size(), 25u);
  const std::set<std::string> addresses = SourceAddresses(devices);
  EXPECT_TRUE(addresses.count("10.61.1.1") && addresses.count("10.61.1.25"));

  // Re-addressing by broadcast reaches a device outside the PC's view of
  // its subnet, and the device then answers from its new address.
  CliArgs args;
  args.userId = "root";
  args.ipAddress = inet_addr("192.168.77.5");
  args.subnetMask = inet_addr("255.255.255.0");
  args.gateway = args.dnsServer = inet_addr("192.168.77.1");
  EXPECT_EQ(RunSetExchange(defaults, devices[0], BuildSetRequest(devices[0], args, "kefo")), 0);
  std::set<std::string> after;
  for (int attempt = 0; attempt < 20 && !after.count("192.168.77.5"); ++attempt)
    after = SourceAddresses(UniqueByMac(RunScanCycle(defaults).replies));
  EXPECT_TRUE(after.count("192.168.77.5"));
  EXPECT_EQ(after.size(), 25u);
}

TEST(NetnsScan, PcWithTwoNetworksFindsTheDevicesOfBoth) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  Lab lab;
  SimProcess firstSim, secondSim;
  ASSERT_TRUE(StartLan(lab, firstSim, 10, "00:1A:2B:00:00:00"));
  ASSERT_TRUE(StartLan(lab, secondSim, 12, "00:1A:2C:00:00:00"));
  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  int onFirst = 0, onSecond = 0;
  for (const std::string& a : SourceAddresses(UniqueByMac(RunScanCycle(EncpEndpointSettings{}).replies))) {
    onFirst += a.rfind("10.61.", 0) == 0;
    onSecond += a.rfind("10.62.", 0) == 0;
  }
  EXPECT_EQ(onFirst, 10);
  EXPECT_EQ(onSecond, 12);
}

TEST(NetnsScan, PcWithoutAnyAdapterEndsItsCycleQuietly) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  Lab lab;
  ASSERT_TRUE(lab.ok()) << lab.error();
  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  const auto start = std::chrono::steady_clock::now();
  const ScanCycleResult cycle = RunScanCycle(EncpEndpointSettings{});
  EXPECT_GE(std::chrono::steady_clock::now() - start, kScanCycleLength);
  EXPECT_TRUE(cycle.replies.empty());
}
