// "Apply" and "NVT setting" pressed in the real window, against the device
// simulator on loopback (each device answers from its own 127.x address) and,
// for the faults a LAN brings, in private network namespaces with the
// window's unmodified default endpoint settings. Dialogs are answered by
// scripted prompts; the simulator's devices really move, so "IP address has
// changed." means a device answered from its new address. Who an answer
// belongs to, which line goes to which device and when a change counts as
// seen are proven below the window; here each journey runs once. Threaded:
// also run under the sanitizers.
#include <fstream>
#include <map>

#include "table/row_texts.h"
#include "tests/main/window_sim_fixture.h"
#include "tests/support/netns_gtest.h"
#include "tools/cli/scan_cycle.h"
#include "ui/common/ip_address_edit.h"
#include "ui/config/batch_command.h"
#include "ui/config/single_change.h"

using tavrix::lab::DeviceNetwork;
using tavrix::lab::Lab;
using tavrix::lab::ScopedNetns;

namespace {

constexpr const char* kChecking = "Checking ip address ...";
constexpr const char* kChanged = "IP address has changed.";
constexpr const char* kNoAnswer = "No answer to the change";
constexpr const char* kRefusedBySettings = "Change refused by the device";

// MAC 00:1A:2B:00:05:i as the list shows it ends in ":0i"; RowOfMac finds it.
std::string FleetLine(int i, const char* flags = "") {
  return QString::asprintf(
             "00:1A:2B:00:05:%02X CAM-%d 127.0.51.%d 255.255.255.0 127.0.51.254 127.0.51.253 "
             "80 4000,4001,0 3 root kefo %s\n",
             i, i, i + 1, flags)
      .toStdString();
}

std::string ListLine(int i, const std::string& address, const char* mask = "255.255.255.0") {
  return QString::asprintf("00:1A:2B:00:05:%02X STATIC %s %s 127.0.52.254 127.0.52.253\n", i, address.c_str(), mask)
      .toStdString();
}

class WindowConfigTest : public WindowSimFixture {
 protected:
  // Where the simulator's device i answers from now, by a search of the
  // test's own (on an ephemeral port, so the window's port stays free).
  std::string AddressOnTheWire(int i) {
    EncpEndpointSettings probe = window->EndpointSettings();
    probe.localPort = 0;
    for (const DeviceInfo& device : UniqueByMac(RunScanCycle(probe).replies)) {
      if (device.mac[4] == 0x05 && device.mac[5] == i) return FormatDottedAddress(device.sourceAddress).toStdString();
    }
    return "absent";
  }

  // A device network in `lab` (its addresses start with `prefix`), and
  // later the window in the PC namespace with its real adapters.
  DeviceNetwork* AddNetwork(Lab& lab, std::string& prefix, int pcInterfaces = 1) {
    std::string error;
    DeviceNetwork* network = lab.AddDeviceNetwork(&error, pcInterfaces);
    EXPECT_NE(network, nullptr) << error;
    if (network != nullptr) prefix = network->firstDeviceAddress.substr(0, network->firstDeviceAddress.rfind(".1.1"));
    return network;
  }
  void OpenWithDefaults() {
    MainWindowSeams seams;
    seams.commandRunner = runner;
    window = std::make_unique<CTavrixDlg>(EncpEndpointSettings{}, seams);
    window->show();
  }
};

TEST_F(WindowConfigTest, ApplyWaitsForIdleAndVerifiesTheMove) {
  Open(StartFleetSim(FleetLine(0) + FleetLine(1)));
  ASSERT_TRUE(ScanToTheEnd());

  // Not idle: no confirmation, nothing on the wire.
  FillPanel(0, "127.0.53.1");
  Click("scanButton");
  QueueApplyAnswers();
  Click("applyButton");
  EXPECT_TRUE(prompts.messages().empty());
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == WindowState::kIdle; }));

  // Settings the device refuses: the error box, still idle, not moved.
  prompts = ScriptedPrompts();
  FillPanel(0, "127.0.53.1", "255.0.255.0");
  QueueApplyAnswers();
  Click("applyButton");
  EXPECT_EQ(prompts.messages().back().text, kApplyConfigErrorText);
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
  EXPECT_EQ(AddressOnTheWire(0), "127.0.51.1");

  // Accepted: checked until the device answers from its new address.
  FillPanel(0, "127.0.53.1");
  QueueApplyAnswers();
  Click("applyButton");
  EXPECT_EQ(StateOf(0), kChecking);
  EXPECT_EQ(LookOf(List(), RowOfMac(0), 6), kBlackOnYellow);
  EXPECT_EQ(window->GetState(), WindowState::kVerifying);
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == WindowState::kIdle; }, 30000));
  EXPECT_EQ(StateOf(0), kChanged);
  EXPECT_EQ(LookOf(List(), RowOfMac(0), 6), kBlackOnGreen);
  EXPECT_EQ(AddressOf(0), "127.0.53.1");
  EXPECT_FALSE(window->IsRescanTimerActive());
  EXPECT_EQ(StateOf(1), "");

  // Straight after the verification (its cycle may still hold the port), a
  // second change of the same device goes through as well.
  FillPanel(0, "127.0.53.9");
  QueueApplyAnswers();
  Click("applyButton");
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == WindowState::kIdle; }, 30000));
  EXPECT_EQ(AddressOf(0), "127.0.53.9");
}

TEST_F(WindowConfigTest, BatchFromAFileChangesTheTickedDevicesAndShowsItsProgress) {
  // Device 1 takes no change (a second of silence first); device 4 is not ticked.
  Open(StartFleetSim(FleetLine(0) + FleetLine(1, "ignore-changes") + FleetLine(2) + FleetLine(3) + FleetLine(4)));
  ASSERT_TRUE(ScanToTheEnd());
  ASSERT_EQ(List().GetItemCount(), 5);

  Tick({0, 1, 2, 3});
  QueueBatchAnswers(WriteFile(ListLine(1, "127.0.54.2") + ListLine(0, "127.0.54.1") + ListLine(2, "127.0.54.3") +
                              ListLine(3, "127.0.54.4") + ListLine(4, "127.0.54.5")));
  Click("nvtSettingButton");
  ASSERT_EQ(window->GetState(), WindowState::kBatch);

  // While device 1 keeps the run waiting: the first progress, no second run,
  // and sorting stays available (the run follows its devices by MAC).
  ASSERT_TRUE(PumpUntil([&] { return Progress()->text().contains("0 / 4 sent"); }));
  EXPECT_EQ(Progress()->text(), "NVT setting in progress\n0 / 4 sent, 0 accepted, 0 refused, 0 no answer");
  EXPECT_TRUE(SaveShot(*window, "tavrix_window_batch.png"));
  Click("nvtSettingButton");
  EXPECT_EQ(prompts.messages().back().text, kBatchAlreadyRunningText);
  ClickHeader(3);
  ASSERT_EQ(RowOfMac(0), 4) << "descending by address";

  // Every accepted device is checked, then seen at its new address.
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == WindowState::kIdle; }, 60000));
  for (int device : {0, 2, 3}) {
    EXPECT_EQ(StateOf(device), kChanged) << device;
    EXPECT_EQ(AddressOf(device), QString("127.0.54.%1").arg(device + 1)) << device;
  }
  EXPECT_EQ(StateOf(1), kNoAnswer);
  EXPECT_EQ(LookOf(List(), RowOfMac(1), 6), kBlackOnOrange);
  EXPECT_EQ(AddressOf(1), "127.0.51.2");
  EXPECT_EQ(AddressOnTheWire(4), "127.0.51.5") << "an unticked device gets nothing";
  EXPECT_FALSE(window->IsRescanTimerActive());
  EXPECT_EQ(Progress()->text(), "NVT setting ended\n4 sent, 3 accepted, 0 refused, 1 no answer, 3 verified")
      << "the run's tally stays";

  // The panel of a changed device shows what it took.
  ClickRow(RowOfMac(2));
  EXPECT_EQ(Edit("ipAddressEdit")->text(), "127.0.54.3");
}

// A batch started during a scan takes the port from it. When no device
// accepted, the window keeps re-scanning until "Clear", which also puts the
// tally away.
TEST_F(WindowConfigTest, BatchDuringAScanTakesThePortAndOnlyClearEndsItsWait) {
  Open(StartFleetSim(FleetLine(0) + FleetLine(1)));
  ASSERT_TRUE(ScanToTheEnd());
  Tick({0, 1});
  Click("scanButton");
  ASSERT_TRUE(window->IsDiscoveryWorkerRecorded());
  QueueBatchAnswers(WriteFile(ListLine(0, "127.0.55.1", "255.0.255.0") + ListLine(1, "127.0.55.2", "255.0.255.0")));
  Click("nvtSettingButton");
  EXPECT_EQ(window->GetState(), WindowState::kBatch);
  EXPECT_FALSE(window->IsDiscoveryWorkerRecorded()) << "the scan's cycle gave up the port";

  ASSERT_TRUE(PumpUntil([&] { return !window->IsBatchRunning(); }, 30000));
  EXPECT_EQ(window->GetState(), WindowState::kBatch);
  EXPECT_TRUE(window->IsRescanTimerActive());
  EXPECT_EQ(Progress()->text(), "NVT setting ended\n2 sent, 0 accepted, 2 refused, 0 no answer, 0 verified");
  for (int device : {0, 1}) EXPECT_EQ(StateOf(device), kRefusedBySettings) << device;
  Click("clearButton");
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
  EXPECT_FALSE(window->IsRescanTimerActive());
  EXPECT_FALSE(Progress()->isVisible());
}

// A PC with two interfaces on one LAN hears every broadcast answer twice,
// and the devices hear a request twice if it leaves through both. On such a
// LAN a batch meets a device that accepts after its wait, one that refuses,
// one that never answers a change and one with an all-zero MAC that is sent
// nothing; the devices keep answering searches from their old address for
// five seconds after accepting. Every device gets exactly one request, and
// exactly the accepting ones end verified at their new address.
TEST_F(WindowConfigTest, BatchOnATwoInterfaceLanCreditsEveryAnswerToItsSender) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  constexpr int kLast = 13;  // devices 1..13; 0 is the all-zero MAC
  Lab lab;
  std::string prefix;
  DeviceNetwork* network = AddNetwork(lab, prefix, 2);
  ASSERT_NE(network, nullptr);
  const auto deviceLine = [&](const char* mac, int i, const char* flags) {
    return QString::asprintf("%s CAM-%d %s.1.%d 255.255.0.0 %s.0.1 %s.0.1 80 4000,0,0 3 root kefo %s\n", mac, i,
                             prefix.c_str(), i + 1, prefix.c_str(), prefix.c_str(), flags)
        .toStdString();
  };
  std::string fleet = deviceLine("00:00:00:00:00:00", 0, "");
  std::string lines;
  for (int i = 1; i <= kLast; ++i) {
    const QString mac = QString::asprintf("00:1A:2B:00:05:%02X", i);
    const char* flags = i == 1 ? "late-answer" : i == 2 ? "refuse" : i == 3 ? "ignore-changes" : "";
    fleet += deviceLine(mac.toLatin1().constData(), i, flags);
    lines += QString::asprintf("%s STATIC %s.2.%d 255.255.0.0 %s.0.1 %s.0.1\n", mac.toLatin1().constData(),
                               prefix.c_str(), i + 1, prefix.c_str(), prefix.c_str())
                 .toStdString();
  }
  const std::string requestLog = WriteFile("");
  ASSERT_TRUE(sim.Start({"--broadcast", network->deviceInterface, "--fleet", WriteFile(fleet), "--move-delay", "5000",
                         "--request-log", requestLog},
                        network->devices->name()))
      << sim.error();
  const auto changeRequests = [&] {
    std::map<std::string, int> perMac;
    std::ifstream log(requestLog);
    for (std::string kind, mac; log >> kind;) {
      if (kind == "change" && log >> mac) ++perMac[mac];
    }
    return perMac;
  };

  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  OpenWithDefaults();
  ASSERT_TRUE(ScanToTheEnd());
  ASSERT_EQ(List().GetItemCount(), kLast + 1) << "each device listed once, though heard twice";
  for (int row = 0; row <= kLast; ++row) List().SetCheckbox(row, 0, 1);

  QueueBatchAnswers(WriteFile(lines));
  Click("nvtSettingButton");
  ASSERT_EQ(window->GetState(), WindowState::kBatch);
  ASSERT_TRUE(PumpUntil([&] { return !window->IsBatchRunning(); }, 60000));
  QTest::qWait(1000);  // the first re-scan hears the accepted devices at their old addresses
  for (int i : {1, 4, kLast}) EXPECT_EQ(StateOf(i), kChecking) << i << " has not moved yet";

  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == WindowState::kIdle; }, 60000))
      << "still awaited: " << window->Inventory()->lock().awaited().size();
  for (int i = 0; i <= kLast; ++i) {
    const bool accepts = i == 1 || i >= 4;
    EXPECT_EQ(StateOf(i), accepts ? kChanged : i == 2 ? kRefusedBySettings : i == 3 ? kNoAnswer : "") << i;
    EXPECT_EQ(AddressOf(i), QString::asprintf("%s.%d.%d", prefix.c_str(), accepts ? 2 : 1, i + 1)) << i;
  }
  EXPECT_EQ(Progress()->text(), "NVT setting ended\n13 sent, 11 accepted, 1 refused, 1 no answer, 11 verified")
      << "the late answer replaced its \"no answer\"";
  auto requests = changeRequests();
  EXPECT_EQ(requests.size(), static_cast<size_t>(kLast)) << "nothing for the all-zero MAC";
  for (const auto& [mac, count] : requests) EXPECT_EQ(count, 1) << mac;

  // One more change by hand, also sent once.
  const std::string moved = prefix + ".3.5";
  FillPanel(4, moved.c_str(), "255.255.0.0");
  QueueApplyAnswers();
  Click("applyButton");
  ASSERT_EQ(window->GetState(), WindowState::kVerifying) << "the answer reached the window's endpoint";
  EXPECT_EQ(changeRequests()["00:1A:2B:00:05:04"], 2);
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == WindowState::kIdle; }, 30000));
  EXPECT_EQ(AddressOf(4), QString::fromStdString(moved));
  window.reset();
}

// A batch by range in a private namespace: twelve ticked devices get the
// range's addresses in list order, passing over the one an unticked device
// holds, and each is verified at its planned address.
TEST_F(WindowConfigTest, BatchByRangeGivesTheTickedDevicesFreeAddressesInListOrder) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  constexpr int kTicked = 12;  // devices 1..12; device 13 holds x.2.5
  Lab lab;
  std::string prefix;
  DeviceNetwork* network = AddNetwork(lab, prefix);
  ASSERT_NE(network, nullptr);
  std::string fleet;
  for (int i = 1; i <= kTicked + 1; ++i) {
    fleet +=
        QString::asprintf("00:1A:2B:00:05:%02X CAM-%d %s.%d.%d 255.255.0.0 %s.0.1 %s.0.1 80 4000,0,0 3 root kefo\n", i,
                          i, prefix.c_str(), i > kTicked ? 2 : 1, i > kTicked ? 5 : i, prefix.c_str(), prefix.c_str())
            .toStdString();
  }
  ASSERT_TRUE(
      sim.Start({"--broadcast", network->deviceInterface, "--fleet", WriteFile(fleet)}, network->devices->name()))
      << sim.error();

  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  OpenWithDefaults();
  ASSERT_TRUE(ScanToTheEnd());
  ASSERT_EQ(List().GetItemCount(), kTicked + 1);
  std::map<int, int> deviceByRow;  // the plan follows the list, not the MACs
  for (int i = 1; i <= kTicked; ++i) {
    Tick({i});
    deviceByRow[RowOfMac(static_cast<uint8_t>(i))] = i;
  }

  prompts.queueDialogScript([&](QDialog& dialog) {
    QTest::mouseClick(dialog.findChild<QRadioButton*>("throughUiRadio"), Qt::LeftButton);
    const std::pair<const char*, std::string> typed[] = {{"startAddressEdit", prefix + ".2.1"},
                                                         {"endAddressEdit", prefix + ".2.254"},
                                                         {"subnetMaskEdit", "255.255.0.0"},
                                                         {"gatewayEdit", prefix + ".0.1"},
                                                         {"dnsServerEdit", prefix + ".0.1"}};
    for (const auto& [name, text] : typed)
      dialog.findChild<IpAddressEdit*>(name)->setText(QString::fromStdString(text));
    QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    return dialog.result();
  });
  prompts.queueMessageAnswer(QMessageBox::Ok);
  Click("nvtSettingButton");
  ASSERT_EQ(window->GetState(), WindowState::kBatch);
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == WindowState::kIdle; }, 60000))
      << "still awaited: " << window->Inventory()->lock().awaited().size();
  int planned = 0;
  for (const auto& [row, i] : deviceByRow) {
    planned += planned == 4 ? 2 : 1;
    EXPECT_EQ(StateOf(i), kChanged) << i;
    EXPECT_EQ(AddressOf(i), QString::asprintf("%s.2.%d", prefix.c_str(), planned)) << i;
  }
  EXPECT_EQ(StateOf(kTicked + 1), "");
  EXPECT_EQ(Progress()->text(), "NVT setting ended\n12 sent, 12 accepted, 0 refused, 0 no answer, 12 verified");
  window.reset();
}

}  // namespace
