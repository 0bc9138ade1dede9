// One device's change as the "Apply" button makes it: the request built
// from the panel and the login, and the whole command - confirmation, login,
// exchange, error boxes - against the simulator on loopback.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <thread>

#include "tests/config/config_test_support.h"
#include "tests/discovery/fake_device.h"
#include "ui/common/prompts.h"
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
    "00:1A:2B:00:01:01 CAM-STATIC 127.0.21.1 255.255.255.0 127.0.21.254 127.0.21.253 80 - 3 root kefo\n"
    "00:1A:2B:00:01:02 CAM-DHCP 127.0.21.2 255.255.255.0 127.0.21.254 127.0.21.253 80 - 3 root kefo\n"
    "00:1A:2B:00:01:03 CAM-PPPOE 127.0.21.3 255.255.255.0 127.0.21.254 127.0.21.253 80 - 3 root kefo\n"
    "00:1A:2B:00:01:04 CAM-OPER 127.0.21.4 255.255.255.0 127.0.21.254 127.0.21.253 80 - 3 operator s3cret\n"
    "00:1A:2B:00:01:05 CAM-MUTE 127.0.21.5 255.255.255.0 127.0.21.254 127.0.21.253 80 - 3 root kefo silent\n";

SettingsPanelValues Panel(bool isStatic, bool isDhcp, const char* ip, const char* mask = "255.255.0.0",
                          const char* gateway = "127.0.22.1", const char* dns = "127.0.22.2") {
  return {isStatic, isDhcp, ntohl(Ip(ip)), ntohl(Ip(mask)), ntohl(Ip(gateway)), ntohl(Ip(dns))};
}

// Confirms, logs in with `user` / `password`, and runs one Apply.
ApplyCommandOutcome Apply(ScriptedPrompts& prompts, const DeviceInfo& device, const SettingsPanelValues& panel,
                          const EncpEndpointSettings& settings, const QString& user = "root",
                          const QString& password = "kefo") {
  prompts.queueMessageAnswer(QMessageBox::Ok);
  prompts.queueDialogScript([=](QDialog& login) {
    login.findChild<QLineEdit*>("userIdEdit")->setText(user);
    login.findChild<QLineEdit*>("passwordEdit")->setText(password);
    QTest::mouseClick(login.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    return login.result();
  });
  return RunApplyCommand(nullptr, device, panel, settings);
}

std::vector<QString> Texts(const ScriptedPrompts& prompts) {
  std::vector<QString> texts;
  for (const auto& message : prompts.messages()) texts.push_back(message.text);
  return texts;
}

TEST(SingleChangeRequest, AddressesInWireOrderAndLoginTextsCut) {
  const DeviceInfo device = Device(kPppoeMac, "10.0.0.9");
  const auto request = BuildSettingRequest(device, Panel(true, true, "192.168.1.10"), "operator", std::string(30, 'p'));
  const uint8_t* ip = reinterpret_cast<const uint8_t*>(&request.ipAddress);
  EXPECT_EQ((std::vector<int>{ip[0], ip[1], ip[2], ip[3]}), (std::vector<int>{192, 168, 1, 10}));
  EXPECT_EQ(request.networkType, kNetworkStatic) << "Static wins";
  EXPECT_EQ(std::string(request.userId, 8), "operator") << "8 characters fill the field, no terminator";
  EXPECT_EQ(std::string(request.password, sizeof request.password), std::string(22, 'p'));
  const auto other = BuildSettingRequest(device, Panel(false, false, "0.0.0.0"), "ab%d", "x");
  EXPECT_EQ(other.networkType, kNetworkPppoe);
  EXPECT_EQ(std::string(other.userId, 8), std::string("ab%d\0\0\0\0", 8)) << "taken as typed, zero-filled";
}

class ApplyAgainstSim : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(sim_.Start({"--fleet", files_.Write(kFleet), "--dhcp-first", "127.0.9.1"})) << sim_.error();
  }
  TempFiles files_;
  LoopbackSim sim_;
  ScriptedPrompts prompts_;
  PromptsInstaller installed_{prompts_};
};

TEST_F(ApplyAgainstSim, StaticDhcpAndPppoeRequestsMoveTheDevices) {
  EXPECT_EQ(Apply(prompts_, Device(kStaticMac, "127.0.21.1"), Panel(true, true, "127.0.22.10"), sim_.settings()),
            ApplyCommandOutcome::kAccepted);
  const auto moved = sim_.ScanFor(kStaticMac, [](const DeviceInfo& d) { return d.sourceAddress == Ip("127.0.22.10"); });
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->sourceAddress, Ip("127.0.22.10"));
  EXPECT_EQ(moved->networkType, kNetworkStatic);
  EXPECT_EQ(moved->subnetMask, Ip("255.255.0.0"));
  EXPECT_EQ(moved->gateway, Ip("127.0.22.1"));
  EXPECT_EQ(moved->dnsServer, Ip("127.0.22.2"));

  EXPECT_EQ(Apply(prompts_, Device(kDhcpMac, "127.0.21.2"), Panel(false, true, "127.0.22.11"), sim_.settings()),
            ApplyCommandOutcome::kAccepted);
  const auto dhcp = sim_.ScanFor(kDhcpMac, [](const DeviceInfo& d) { return d.networkType == kNetworkDhcp; });
  ASSERT_TRUE(dhcp);
  EXPECT_EQ(dhcp->networkType, kNetworkDhcp);
  EXPECT_EQ(dhcp->sourceAddress, Ip("127.0.9.1")) << "the panel's addresses are not used for DHCP";

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
  EXPECT_EQ(dialUp->sourceAddress, Ip("127.0.21.3"));

  EXPECT_TRUE(prompts_.messages().size() == 3u) << "three confirmations, no error box";
}

TEST_F(ApplyAgainstSim, LoginLengthsRefusalsAndSilence) {
  const DeviceInfo oper = Device(kOperatorMac, "127.0.21.4");
  // A 10-character ID reaches the device as its first 8.
  EXPECT_EQ(Apply(prompts_, oper, Panel(true, false, "127.0.23.1"), sim_.settings(), "operator12", "s3cret"),
            ApplyCommandOutcome::kAccepted);
  EXPECT_EQ(Apply(prompts_, oper, Panel(true, false, "127.0.23.2"), sim_.settings(), "operator", "s3cret"),
            ApplyCommandOutcome::kAccepted);
  EXPECT_EQ(Texts(prompts_).size(), 2u) << "confirmations only";

  EXPECT_EQ(Apply(prompts_, oper, Panel(true, false, "127.0.23.3"), sim_.settings(), "operato", "s3cret"),
            ApplyCommandOutcome::kNotAccepted);
  ASSERT_EQ(prompts_.messages().size(), 4u);
  EXPECT_EQ(prompts_.messages()[3].text, kApplyBadLoginText);
  EXPECT_EQ(prompts_.messages()[3].icon, QMessageBox::Critical);

  // A non-contiguous mask is refused with result 1.
  EXPECT_EQ(Apply(prompts_, Device(kStaticMac, "127.0.21.1"), Panel(true, false, "127.0.24.1", "255.0.255.0"),
                  sim_.settings()),
            ApplyCommandOutcome::kNotAccepted);
  ASSERT_EQ(prompts_.messages().size(), 6u);
  EXPECT_EQ(prompts_.messages()[5].text, kApplyConfigErrorText);

  // A silent device: a second of waiting, then nothing at all.
  EXPECT_EQ(Apply(prompts_, Device(kMuteMac, "127.0.21.5"), Panel(true, false, "127.0.24.2"), sim_.settings()),
            ApplyCommandOutcome::kNotAccepted);
  EXPECT_EQ(prompts_.messages().size(), 7u) << "the confirmation only";

  const auto last = sim_.ScanFor(kOperatorMac, [](const DeviceInfo& d) { return d.sourceAddress == Ip("127.0.23.2"); });
  ASSERT_TRUE(last);
  EXPECT_EQ(last->sourceAddress, Ip("127.0.23.2")) << "the refused change left the device where it was";
}

TEST(ApplyCommand, CancelledStepsSendNothingAndAMalformedAnswerIsAnError) {
  App();
  UdpSocket device;
  ASSERT_TRUE(device.bound());
  EncpEndpointSettings settings;
  settings.localPort = tavrix::lab::FreeUdpPortPair().local;
  settings.devicePort = device.port();
  settings.destinationAddress = Ip("127.0.0.1");
  ScriptedPrompts prompts;
  PromptsInstaller installed(prompts);
  const DeviceInfo target = Device(kStaticMac, "127.0.21.1");

  prompts.queueMessageAnswer(QMessageBox::Cancel);
  EXPECT_EQ(RunApplyCommand(nullptr, target, Panel(true, false, "127.0.25.1"), settings),
            ApplyCommandOutcome::kNotConfirmed);
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text, kApplyConfirmText);
  EXPECT_EQ(prompts.messages()[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(prompts.dialogsRun(), 0);

  prompts.queueMessageAnswer(QMessageBox::Ok);  // the login is left unscripted: cancelled
  EXPECT_EQ(RunApplyCommand(nullptr, target, Panel(true, false, "127.0.25.1"), settings),
            ApplyCommandOutcome::kLoginCancelled);
  EXPECT_TRUE(device.Receive(std::chrono::milliseconds(300)).empty()) << "nothing was sent";

  std::vector<uint8_t> received;
  std::thread answerer([&] {
    sockaddr_in from{};
    received = device.Receive(std::chrono::seconds(10), &from);
    device.SendTo(from, {'E', 'N', 'C', 'P', 3, 99, 0, 0});  // length field lies
  });
  EXPECT_EQ(Apply(prompts, target, Panel(true, false, "127.0.25.1"), settings), ApplyCommandOutcome::kNotAccepted);
  answerer.join();
  ASSERT_GE(received.size(), 4u);
  EXPECT_EQ(std::string(received.begin(), received.begin() + 4), "ADCT");
  ASSERT_EQ(prompts.messages().size(), 4u);
  EXPECT_EQ(prompts.messages()[3].text, kApplyConfigErrorText);
}

}  // namespace
