// One device's change as the "Apply" button makes it: the request built
// from the panel and the login, and the whole command - confirmation, login,
// exchange, error boxes - against the simulator on loopback.
#include <gtest/gtest.h>

#include <thread>

#include "tests/config/config_test_support.h"
#include "tests/discovery/fake_device.h"
#include "tests/support/operator_answers.h"
#include "tests/support/scripted_prompts.h"
#include "ui/config/apply_command.h"
#include "ui/config/single_change.h"

using namespace config_test;

namespace {

constexpr uint8_t kStaticMac[6] = {0x00, 0x1A, 0x2B, 0x00, 0x01, 0x01};
constexpr uint8_t kDhcpMac[6] = {0x00, 0x1A, 0x2B, 0x00, 0x01, 0x02};
constexpr uint8_t kPppoeMac[6] = {0x00, 0x1A, 0x2B, 0x00, 0x01, 0x03};
constexpr uint8_t kOperatorMac[6] = {0x00, 0x1A, 0x2B, 0x00, 0x01, 0x04};
constexpr uint8_t kMuteMac[6] = {0x00, 0x1A, 0x2B, 0x00, 0x01, 0x05};

const char kFleet[] =
    "00:1A:2B:00:01:02 CAM-DHCP 127.0.21.2 255.255.255.0 127.0.21.254 127.0.21.253 80 - 3 root kefo\n"
    "00:1A:2B:00:01:03 CAM-PPPOE 127.0.21.3 255.255.255.0 127.0.21.254 127.0.21.253 80 - 3 root kefo\n"
    "00:1A:2B:00:01:04 CAM-OPER 127.0.21.4 255.255.255.0 127.0.21.254 127.0.21.253 80 - 3 operator s3cret\n"
    "00:1A:2B:00:01:05 CAM-MUTE 127.0.21.5 255.255.255.0 127.0.21.254 127.0.21.253 80 - 3 root kefo silent\n";

SettingsPanelValues Panel(bool isStatic, bool isDhcp, const char* ip, const char* mask = "255.255.0.0") {
  return {isStatic, isDhcp, ntohl(Ip(ip)), ntohl(Ip(mask)), ntohl(Ip("127.0.22.1")), ntohl(Ip("127.0.22.2"))};
}

// Confirms, logs in with `user` / `password`, and runs one Apply.
ApplyCommandOutcome Apply(ScriptedPrompts& prompts, const DeviceInfo& device, const SettingsPanelValues& panel,
                          const EncpEndpointSettings& settings, const QString& user = "root",
                          const QString& password = "kefo") {
  QueueApplyAnswers(prompts, user, password);
  return RunApplyCommand(nullptr, device, panel, settings);
}

TEST(SingleChangeRequest, AddressesInWireOrderAndLoginTextsCut) {
  const DeviceInfo device = Device(kPppoeMac, "10.0.0.9");
  const auto request = BuildSettingRequest(device, Panel(true, true, "192.168.1.10"), "operator", std::string(30, 'p'));
  EXPECT_EQ(request.ipAddress, Ip("192.168.1.10"));
  EXPECT_EQ(request.networkType, kNetworkStatic) << "Static wins";
  EXPECT_EQ(std::string(request.userId, 8), "operator") << "8 characters fill the field, no terminator";
  EXPECT_EQ(std::string(request.password, sizeof request.password), std::string(22, 'p'));
  const auto other = BuildSettingRequest(device, Panel(false, false, "0.0.0.0"), "ab%d", "x");
  EXPECT_EQ(other.networkType, kNetworkPppoe);
  EXPECT_EQ(std::string(other.userId, 8), std::string("ab%d\0\0\0\0", 8)) << "taken as typed, zero-filled";

  // The exchange wipes the password it was handed, also when it could send
  // nothing (the local port is held).
  UdpSocket holder;
  EncpEndpointSettings settings;
  settings.localPort = settings.devicePort = holder.port();
  settings.destinationAddress = Ip("127.0.0.1");
  auto exchanged = request;
  EXPECT_TRUE(RunSettingExchange(settings, DeviceInfo{}, exchanged).endpointFault);
  EXPECT_EQ(std::string(exchanged.password, sizeof exchanged.password), std::string(22, '\0'));
}

class ApplyAgainstSim : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    ASSERT_TRUE(sim_.Start({"--fleet", files_.Write(kFleet), "--dhcp-first", "127.0.9.1"})) << sim_.error();
  }
  std::optional<DeviceInfo> SettledAt(const uint8_t (&mac)[6], const char* address) {
    return sim_.ScanFor(mac, [&](const DeviceInfo& d) { return d.sourceAddress == Ip(address); });
  }
  TempFiles files_;
  LoopbackSim sim_;
  ScriptedPrompts prompts_;
  PromptsInstaller installed_{prompts_};
};

// A static change through the window is proven by the window's own tests.
TEST_F(ApplyAgainstSim, DhcpAndPppoeRequestsMoveTheDevices) {
  EXPECT_EQ(Apply(prompts_, Device(kDhcpMac, "127.0.21.2"), Panel(false, true, "127.0.22.11"), sim_.settings()),
            ApplyCommandOutcome::kAccepted);
  const auto dhcp = SettledAt(kDhcpMac, "127.0.9.1");
  ASSERT_TRUE(dhcp);
  EXPECT_EQ(dhcp->sourceAddress, Ip("127.0.9.1")) << "the panel's addresses are not used for DHCP";

  // PPPoE keeps the device's own dial-up texts.
  DeviceInfo pppoe = Device(kPppoeMac, "127.0.21.3");
  std::strcpy(pppoe.pppoeText1, "user@isp");
  std::strcpy(pppoe.pppoeText2, "secret");
  EXPECT_EQ(Apply(prompts_, pppoe, Panel(false, false, "127.0.22.12"), sim_.settings()),
            ApplyCommandOutcome::kAccepted);
  const auto dialUp = sim_.ScanFor(kPppoeMac, [](const DeviceInfo& d) { return d.networkType == kNetworkPppoe; });
  ASSERT_TRUE(dialUp);
  EXPECT_EQ(dialUp->networkType, kNetworkPppoe);
  EXPECT_STREQ(dialUp->pppoeText1, "user@isp");
  EXPECT_STREQ(dialUp->pppoeText2, "secret");
  EXPECT_EQ(prompts_.messages().size(), 2u) << "two confirmations, no error box";
}

TEST_F(ApplyAgainstSim, LoginLengthsRefusalsAndSilence) {
  const DeviceInfo oper = Device(kOperatorMac, "127.0.21.4");
  // A 10-character ID reaches the device as its first 8; 7 are refused.
  EXPECT_EQ(Apply(prompts_, oper, Panel(true, false, "127.0.23.1"), sim_.settings(), "operator12", "s3cret"),
            ApplyCommandOutcome::kAccepted);
  EXPECT_EQ(Apply(prompts_, oper, Panel(true, false, "127.0.23.2"), sim_.settings(), "operato", "s3cret"),
            ApplyCommandOutcome::kRefusedCredential);
  ASSERT_EQ(prompts_.messages().size(), 3u);
  EXPECT_EQ(prompts_.messages()[2].text, kApplyBadLoginText);

  // A silent device: a second of waiting, then no box at all.
  EXPECT_EQ(Apply(prompts_, Device(kMuteMac, "127.0.21.5"), Panel(true, false, "127.0.24.2"), sim_.settings()),
            ApplyCommandOutcome::kNoAnswer);
  EXPECT_EQ(prompts_.messages().size(), 4u) << "the confirmation only";
  EXPECT_EQ(SettledAt(kOperatorMac, "127.0.23.1").value_or(DeviceInfo{}).sourceAddress, Ip("127.0.23.1"))
      << "the refused change left the device where it was";
}

TEST(ApplyCommand, AMalformedAnswerIsAConfigurationError) {
  TestApplication();
  UdpSocket device;
  ASSERT_TRUE(device.bound());
  EncpEndpointSettings settings;
  settings.localPort = tavrix::lab::FreeUdpPortPair().local;
  settings.devicePort = device.port();
  settings.destinationAddress = Ip("127.0.0.1");
  ScriptedPrompts prompts;
  PromptsInstaller installed(prompts);
  std::thread answerer([&] {
    sockaddr_in from{};
    device.Receive(std::chrono::seconds(10), &from);
    device.SendTo(from, {'E', 'N', 'C', 'P', 3, 99, 0, 0});  // length field lies
  });
  // The device answers from where it was found, as answers must.
  EXPECT_EQ(Apply(prompts, Device(kStaticMac, "127.0.0.1"), Panel(true, false, "127.0.25.1"), settings),
            ApplyCommandOutcome::kRefused);
  answerer.join();
  ASSERT_EQ(prompts.messages().size(), 2u);
  EXPECT_EQ(prompts.messages()[1].text, kApplyConfigErrorText);
}

}  // namespace
