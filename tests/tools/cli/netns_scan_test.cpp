// The client with its unmodified defaults (limited broadcast, ports 32153
// and 32154) in private namespaces, against simulators that behave like
// devices on a LAN: they own their addresses and answer by broadcast. The
// command-line program runs in the PC's namespace where a test needs the
// whole command (adapter names, exit status).
#include <arpa/inet.h>
#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <sstream>

#include "protocol/encp_endpoint.h"
#include "protocol/usable_adapters.h"
#include "tests/support/loopback_udp.h"
#include "tests/support/netns_gtest.h"
#include "tests/support/run_command.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_files.h"
#include "tools/cli/cli_main.h"
#include "tools/cli/scan_cycle.h"
#include "tools/cli/set_exchange.h"

using tavrix::lab::DeviceNetwork;
using tavrix::lab::Lab;
using tavrix::lab::RunCommand;
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

std::string Contents(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
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

// A PC on two LANs that no broadcast crosses: pc1 on LAN A (10.61/16), pc2
// on LAN B (10.62/16), five devices each; LAN B's simulator logs every
// request it hears. Named adapters keep a scan and a range batch to LAN A;
// without a name, a range of LAN A passes LAN B's devices by, as "other network"
// (code 8) in JSON too.
TEST(NetnsScan, AnAdapterChoiceKeepsScansAndRangeBatchesOffTheOtherLan) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  Lab lab;
  TempFiles files;
  const std::string lanBLog = files.Write("");
  SimProcess lanA, lanB;
  ASSERT_TRUE(StartLan(lab, lanA, 5, "00:1A:2B:00:00:00"));
  ASSERT_TRUE(StartLan(lab, lanB, 5, "00:1A:2C:00:00:00", {"--request-log", lanBLog}));
  const auto cli = [&](const std::string& args, std::string* output) {
    output->clear();
    return RunCommand({"sh", "-c", "ip netns exec " + lab.pc().name() + " " TAVRIX_CLI_PATH " " + args + " 2>&1"},
                      output, std::chrono::seconds(60));
  };
  const std::string range =
      " --mask 255.255.0.0 --gateway 10.61.0.1 --dns 10.61.0.1 --static --user root "
      "--password kefo --timeout 20";
  std::string output;

  EXPECT_EQ(cli("scan --interface nosuch0", &output), 2);
  EXPECT_EQ(output, "tavrix-cli: no adapter named nosuch0; usable adapters: pc1 (10.61.0.1), pc2 (10.62.0.1)\n");
  EXPECT_EQ(cli("scan --interface pc1", &output), 0) << output;
  EXPECT_EQ(Count(output, "\t10.61.1."), 5u) << output;
  EXPECT_EQ(Count(output, "10.62."), 0u) << output;
  EXPECT_EQ(cli("batch --range 10.61.2.1 10.61.2.50 --interface pc1" + range, &output), 0) << output;
  EXPECT_EQ(Count(output, "\tverified\n"), 5u) << output;
  EXPECT_EQ(Contents(lanBLog), "") << "neither a search nor a change reached LAN B";

  EXPECT_EQ(cli("batch --range 10.61.3.1 10.61.3.50" + range, &output), 1) << output;
  EXPECT_EQ(Count(output, "\t10.61.3."), 5u) << output;
  EXPECT_EQ(Count(output, "00:1A:2C:00:00:0"), 5u) << output;
  EXPECT_EQ(Count(output, "\t-\tother network\n"), 5u) << output;
  EXPECT_NE(Contents(lanBLog), "") << "the scan searched LAN B";
  EXPECT_EQ(Count(Contents(lanBLog), "change"), 0u) << "LAN B's devices were sent nothing";

  EXPECT_EQ(cli("batch --json --range 10.61.4.1 10.61.4.50" + range, &output), 1) << output;
  EXPECT_EQ(Count(output, "\"outcome\": \"other network\", \"code\": 8"), 5u) << output;
  EXPECT_EQ(Count(output, "\"line\": 10,"), 1u) << "passed-by devices are numbered after the plan: " << output;
  EXPECT_EQ(Count(Contents(lanBLog), "change"), 0u) << "LAN B's devices were sent nothing";
}

// The chosen adapter goes away between the scan and the change: the
// request is not sent, not even through the adapter still there.
TEST(NetnsScan, AChosenAdapterThatWentAwayTakesNothingToAnotherAdapter) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  Lab lab;
  TempFiles files;
  const std::string lanBLog = files.Write("");
  SimProcess lanA, lanB;
  ASSERT_TRUE(StartLan(lab, lanA, 1, "00:1A:2B:00:00:00"));
  ASSERT_TRUE(StartLan(lab, lanB, 1, "00:1A:2C:00:00:00", {"--request-log", lanBLog}));
  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  const AdapterChoice choice = ChooseAdapters({"pc1"}, ReadInterfaceEntries());
  ASSERT_EQ(choice.error, "");
  EncpEndpointSettings settings;
  settings.adapters = AdapterIndexes(choice.adapters);
  EncpEndpoint endpoint(settings);
  ASSERT_EQ(endpoint.openResult(), 0);
  ASSERT_TRUE(lab.pc().Ip({"link", "del", "pc1"}));

  NetworkSettingRequest request{};
  request.mac[0] = 0x00, request.mac[1] = 0x1A, request.mac[2] = 0x2C, request.mac[5] = 0x01;
  request.networkType = kNetworkDhcp;
  EXPECT_EQ(endpoint.Search(), -1);
  EXPECT_EQ(endpoint.client().ops.SetNetwork(&endpoint.client(), &request), -1);
  EXPECT_EQ(VanishedAdapters(choice.adapters, ReadUsableAdapters()), (std::vector<std::string>{"pc1"}));
  EXPECT_EQ(Contents(lanBLog), "") << "nothing reached LAN B";
}
