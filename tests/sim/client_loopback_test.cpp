// The scan cycle and the configuration exchange against the simulator over
// loopback, where the program's output cannot show it: every duplicate
// delivered, a busy local port. The outcomes the program reports are proven
// through it in cli_test.cpp.
#include "tests/sim/sim_fixture.h"
#include "tests/support/loopback_udp.h"
#include "tools/cli/scan_cycle.h"
#include "tools/cli/set_exchange.h"

using ClientAgainstSim = LoopbackSim;

TEST_F(ClientAgainstSim, DuplicateRepliesAreAllDelivered) {
  StartSim({"--count", "3", "--first-ip", "127.0.7.1", "--duplicate"});
  const ScanCycleResult cycle = RunScanCycle(settings_);
  EXPECT_EQ(cycle.initResult, 0);
  EXPECT_EQ(cycle.replies.size(), 6u);
  EXPECT_EQ(UniqueByMac(cycle.replies).size(), 3u);
}

TEST_F(ClientAgainstSim, BusyLocalPortFailsInitButTheCycleCompletes) {
  StartSim({"--count", "2", "--first-ip", "127.0.7.1"});
  UdpSocket blocker(settings_.localPort, "0.0.0.0");
  ASSERT_TRUE(blocker.bound());

  const auto start = std::chrono::steady_clock::now();
  const ScanCycleResult cycle = RunScanCycle(settings_);
  EXPECT_EQ(cycle.initResult, -1);
  EXPECT_GE(std::chrono::steady_clock::now() - start, kScanCycleLength);
  // Whatever arrived decoded cleanly (the search left from another port).
  for (const DeviceInfo& d : cycle.replies) EXPECT_EQ(std::string(d.modelName).rfind("NVT-SIM-", 0), 0u);

  // A change is never sent from a port its answer cannot reach.
  NetworkSettingRequest request{};
  request.networkType = kNetworkDhcp;
  EXPECT_EQ(RunSetExchange(settings_, DeviceInfo{}, request), kSetPortUnavailable);
  EXPECT_EQ(SetOutcomeExitStatus(kSetPortUnavailable), 1);
}
