// The protocol client against the simulator over loopback: real sockets,
// real datagrams, two independent implementations of the wire format.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "tests/sim/sim_fixture.h"
#include "tools/cli/device_text.h"
#include "tools/cli/set_exchange.h"

namespace {

uint32_t Ip(const char* text) { return inet_addr(text); }

const char kFleet[] =
    "00:1A:2B:00:00:01 CAM-A 127.0.7.1 255.255.255.0 127.0.7.254 127.0.7.253 80 4000,4001,4002 3 root kefo\n"
    "00:1A:2B:00:00:02 CAM%20B 127.0.7.2 255.255.0.0 127.0.0.1 127.0.0.2 0 4000,0,5000 3 admin s3cret\n"
    "00:1A:2B:00:00:03 OLD-V2 127.0.7.3 255.255.255.0 127.0.7.254 127.0.7.254 8080 4000,4001,0 2 root kefo\n"
    "00:1A:2B:00:00:04 LONG 127.0.7.4 255.255.255.0 127.0.7.254 127.0.7.254 80 - 3 root kefo long-texts\n"
    "00:1A:2B:00:00:05 MUTE 127.0.7.5 255.255.255.0 127.0.7.254 127.0.7.254 80 - 3 root kefo silent\n";

NetworkSettingRequest RequestFor(const DeviceInfo& device, const char* user, const char* password,
                                 const char* address = "127.0.8.10", const char* mask = "255.255.255.0") {
  CliArgs args;
  args.userId = user;
  args.ipAddress = Ip(address);
  args.subnetMask = Ip(mask);
  args.gateway = Ip("127.0.8.1");
  args.dnsServer = Ip("127.0.8.2");
  return BuildSetRequest(device, args, password);
}

class ClientAgainstSim : public LoopbackSim {};

}  // namespace

TEST_F(ClientAgainstSim, ScanFindsEveryDeviceWithEveryFieldAndNoJunk) {
  StartSim({"--fleet", WriteTempFile(kFleet), "--junk"});
  const ScanCycleResult cycle = RunScanCycle(settings_);
  EXPECT_EQ(cycle.initResult, 0);
  // Four answering devices, one reply each: none of the junk decoded.
  ASSERT_EQ(cycle.replies.size(), 4u);
  for (const DeviceInfo& d : cycle.replies) EXPECT_NE(d.mac[0], 0xFE) << d.modelName;

  const DeviceInfo* a = FindModel(cycle.replies, "CAM-A");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(FormatListMac(a->mac), "00:1A:2B - 00:00:01");
  EXPECT_EQ(a->sourceAddress, Ip("127.0.7.1"));
  EXPECT_EQ(a->ipAddress, Ip("127.0.7.1"));
  EXPECT_EQ(a->dnsServer, Ip("127.0.7.253"));
  EXPECT_EQ(a->webPort, 80);
  EXPECT_EQ(FormatAvPorts(*a), "4000 / 4001 / 4002");

  const DeviceInfo* b = FindModel(cycle.replies, "CAM B");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->sourceAddress, Ip("127.0.7.2"));
  EXPECT_EQ(FormatWebPort(b->webPort), "-");
  EXPECT_EQ(FormatAvPorts(*b), "4000");  // the third port shows only after a second

  // A version-2 device sends port options that a client must not read.
  const DeviceInfo* old = FindModel(cycle.replies, "OLD-V2");
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->webPort + old->avPort1 + old->avPort2 + old->avPort3, 0);

  // 255-byte texts are cut to the fields and decoding goes on to the ports.
  const DeviceInfo* longTexts = FindModel(cycle.replies, "LONG");
  ASSERT_NE(longTexts, nullptr);
  EXPECT_EQ(std::strlen(longTexts->modelName), 63u);
  EXPECT_EQ(longTexts->webPort, 80);

  EXPECT_EQ(FindModel(cycle.replies, "MUTE"), nullptr);
}

TEST_F(ClientAgainstSim, DuplicateRepliesAreAllDelivered) {
  StartSim({"--count", "3", "--first-ip", "127.0.7.1", "--duplicate"});
  const ScanCycleResult cycle = RunScanCycle(settings_);
  EXPECT_EQ(cycle.replies.size(), 6u);
  EXPECT_EQ(UniqueByMac(cycle.replies).size(), 3u);
}

TEST_F(ClientAgainstSim, ChangesAreCheckedAndAppliedByTheDevice) {
  StartSim({"--fleet", WriteTempFile(kFleet), "--move-delay", "50", "--dhcp-first", "127.0.9.1"});
  const std::vector<DeviceInfo> before = UniqueByMac(RunScanCycle(settings_).replies);
  const DeviceInfo* a = FindModel(before, "CAM-A");
  const DeviceInfo* b = FindModel(before, "CAM B");
  ASSERT_TRUE(a && b);

  // Wrong password, wrong user, another device's credentials: all 2.
  EXPECT_EQ(RunSetExchange(settings_, RequestFor(*a, "root", "kefx")), 2);
  EXPECT_EQ(RunSetExchange(settings_, RequestFor(*a, "rooot", "kefo")), 2);
  EXPECT_EQ(RunSetExchange(settings_, RequestFor(*b, "root", "kefo")), 2);

  // Settings no host can use are refused with a code other than 0 and 2.
  EXPECT_EQ(RunSetExchange(settings_, RequestFor(*a, "root", "kefo", "0.0.0.0")), 1);
  EXPECT_EQ(RunSetExchange(settings_, RequestFor(*a, "root", "kefo", "255.255.255.255")), 1);
  EXPECT_EQ(RunSetExchange(settings_, RequestFor(*a, "root", "kefo", "127.0.8.10", "255.0.255.0")), 1);

  // Accepted: the next scans see the device at its new address.
  EXPECT_EQ(RunSetExchange(settings_, RequestFor(*b, "admin", "s3cret")), 0);
  std::vector<DeviceInfo> after = ScanUntil([&](const std::vector<DeviceInfo>& devices) {
    const DeviceInfo* moved = FindModel(devices, "CAM B");
    return moved && moved->sourceAddress == Ip("127.0.8.10");
  });
  const DeviceInfo* moved = FindModel(after, "CAM B");
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(moved->ipAddress, Ip("127.0.8.10"));
  EXPECT_EQ(moved->dnsServer, Ip("127.0.8.2"));
  // The refused and rejected requests moved nothing.
  EXPECT_EQ(FindModel(after, "CAM-A")->sourceAddress, Ip("127.0.7.1"));

  // DHCP: the device takes the address the pool hands out.
  NetworkSettingRequest dhcp = RequestFor(*a, "root", "kefo");
  dhcp.networkType = kNetworkDhcp;
  EXPECT_EQ(RunSetExchange(settings_, dhcp), 0);
  after = ScanUntil([&](const std::vector<DeviceInfo>& devices) {
    const DeviceInfo* d = FindModel(devices, "CAM-A");
    return d && d->sourceAddress == Ip("127.0.9.1");
  });
  ASSERT_NE(FindModel(after, "CAM-A"), nullptr);
  EXPECT_EQ(FindModel(after, "CAM-A")->sourceAddress, Ip("127.0.9.1"));
  EXPECT_EQ(FindModel(after, "CAM-A")->networkType, 0);

  // A silent device and an unknown MAC leave the exchange without answer.
  DeviceInfo ghost = *a;
  ghost.mac[5] = 0x05;  // MUTE
  EXPECT_EQ(RunSetExchange(settings_, RequestFor(ghost, "root", "kefo")), kSetNoAnswer);
}

TEST_F(ClientAgainstSim, BusyLocalPortFailsInitButTheCycleCompletes) {
  StartSim({"--count", "2", "--first-ip", "127.0.7.1"});
  const int blocker = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(settings_.localPort);
  ASSERT_EQ(bind(blocker, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);

  const auto start = std::chrono::steady_clock::now();
  const ScanCycleResult cycle = RunScanCycle(settings_);
  EXPECT_EQ(cycle.initResult, -1);
  EXPECT_GE(std::chrono::steady_clock::now() - start, kScanCycleLength);
  // Whatever arrived decoded cleanly (the search left from another port).
  for (const DeviceInfo& d : cycle.replies) EXPECT_EQ(std::string(d.modelName).rfind("NVT-SIM-", 0), 0u);

  // The configuration exchange on a busy port fails cleanly as well.
  DeviceInfo device{};
  device.mac[1] = 0x1A;
  EXPECT_NE(RunSetExchange(settings_, RequestFor(device, "root", "kefo")), 0);
  close(blocker);
}
