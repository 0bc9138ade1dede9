// The client with its unmodified defaults (limited broadcast, ports 32153
// and 32154) in private namespaces, against simulators that behave like
// devices on a LAN: they own their addresses and answer by broadcast.
#include <arpa/inet.h>
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <sstream>

#include "tests/support/loopback_udp.h"
#include "tests/support/netns_gtest.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_files.h"
#include "tools/cli/cli_main.h"
#include "tools/cli/scan_cycle.h"
#include "tools/cli/set_exchange.h"

using tavrix::lab::DeviceNetwork;
using tavrix::lab::Lab;
using tavrix::lab::ScopedNetns;
using tavrix::lab::SimProcess;

namespace {

// Adds a device network to `lab` with `count` simulated devices on it; the
// MAC base keeps the devices of several networks apart; `more` goes to the
// simulator.
::testing::AssertionResult StartLan(Lab& lab, SimProcess& sim, int count, const char* macBase,
                                    const std::vector<std::string>& more = {}) {
  std::string error;
  const DeviceNetwork* network = lab.AddDeviceNetwork(&error);
  if (network == nullptr) return ::testing::AssertionFailure() << error;
  std::vector<std::string> args = {"--broadcast",  network->deviceInterface,
                                   "--count",      std::to_string(count),
                                   "--first-ip",   network->firstDeviceAddress,
                                   "--mask",       "255.255.0.0",
                                   "--move-delay", "50",
                                   "--mac-base",   macBase};
  args.insert(args.end(), more.begin(), more.end());
  if (sim.Start(args, network->devices->name())) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << sim.error();
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

// With another program on the real port, no command sends anything: the
// devices' request log stays empty, and each command says so once and fails.
// Once the port is free, the same scan reaches them.
TEST(NetnsScan, HeldPortSendsNothingFromAnyCommand) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  TempFiles files;
  const std::string requestLog = files.Write("");
  const std::string list = files.Write("00:1A:2B:00:00:01 STATIC 10.60.1.9 255.255.0.0 10.60.0.1 10.60.0.1\n");
  const std::string output = files.Write("");
  Lab lab;
  SimProcess sim;
  ASSERT_TRUE(StartLan(lab, sim, 3, "00:1A:2B:00:00:00", {"--request-log", requestLog}));
  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  const auto run = [&](const std::vector<std::string>& args) {
    const int fd = open(output.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    ReportSink out(fd);
    testing::internal::CaptureStderr();
    const int status = RunTavrixCli(args, out);
    const std::string said = testing::internal::GetCapturedStderr();
    close(fd);
    return std::pair(status, said);
  };
  const auto logged = [&] {
    std::stringstream text;
    text << std::ifstream(requestLog).rdbuf();
    return text.str();
  };
  {
    UdpSocket holder(kEncpLocalPort, "0.0.0.0");
    ASSERT_TRUE(holder.bound());
    const std::string heldText = "tavrix-cli: UDP port 32153 is held by another program; nothing was sent\n";
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"scan"},
             {"set", "--mac", "00:1A:2B:00:00:01", "--dhcp", "--user", "root", "--password", "kefo"},
             {"batch", list, "--user", "root", "--password", "kefo"},
             {"batch", list, "--dry-run", "--json"}}) {
      EXPECT_EQ(run(args), std::pair(1, heldText)) << args[0];
    }
  }
  EXPECT_EQ(logged(), "");
  EXPECT_EQ(run({"scan"}).first, 0);
  EXPECT_NE(logged().find("search"), std::string::npos) << "the control: a free port reaches the devices";
}
