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
  if (network != nullptr &&
      sim.Start({"--broadcast", network->deviceInterface, "--count", std::to_string(count), "--first-ip",
                 network->firstDeviceAddress, "--mask", "255.255.0.0", "--move-delay", "50", "--mac-base", macBase},
                network->devices->name()))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << error << sim.error();
}

std::set<std::string> SourceAddresses(const std::vector<DeviceInfo>& devices) {
  std::set<std::string> addresses;
  for (const DeviceInfo& d : devices) addresses.insert(inet_ntoa(in_addr{d.sourceAddress}));
  return addresses;
}

}  // namespace

TEST(NetnsScan, DefaultsFindTheFleetsOfTwoNetworksAndAMovedDevice) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  Lab lab;
  SimProcess firstSim, secondSim;
  ASSERT_TRUE(StartLan(lab, firstSim, 25, "00:1A:2B:00:00:00"));
  ASSERT_TRUE(StartLan(lab, secondSim, 12, "00:1A:2C:00:00:00"));
  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  const EncpEndpointSettings defaults;
  const std::vector<DeviceInfo> devices = UniqueByMac(RunScanCycle(defaults).replies);
  ASSERT_EQ(devices.size(), 37u);
  EXPECT_EQ(SourceAddresses(devices).size(), 37u);

  // Re-addressing by broadcast reaches a device outside the PC's view of
  // its subnet, and the device then answers from its new address.
  const RequestedSettings settings{kNetworkStatic, inet_addr("192.168.77.5"), inet_addr("255.255.255.0"),
                                   inet_addr("192.168.77.1"), inet_addr("192.168.77.1")};
  ChangeEngineSeams seams;
  seams.verifyFor = std::chrono::seconds(10);
  const ChangeRunResult run = RunChangeEngine({{MacOf(devices[0].mac), devices[0], settings}}, {"root", "kefo"}, seams);
  EXPECT_EQ(run.lines[0].outcome, ChangeOutcome::kVerified);
  std::set<std::string> after;
  for (int attempt = 0; attempt < 20 && !after.count("192.168.77.5"); ++attempt)
    after = SourceAddresses(UniqueByMac(RunScanCycle(defaults).replies));
  EXPECT_TRUE(after.count("192.168.77.5"));
  EXPECT_EQ(after.size(), 37u);
}

TEST(NetnsScan, PcWithoutAnyAdapterEndsItsCycleQuietly) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  Lab lab;
  ASSERT_TRUE(lab.ok()) << lab.error();
  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(RunScanCycle(EncpEndpointSettings{}).replies.empty());
  EXPECT_GE(std::chrono::steady_clock::now() - start, kScanCycleLength);
}
