// "Apply" and "NVT setting" pressed in the real window, against the device
// simulator on loopback (each device answers from its own 127.x address) and,
// end to end, in private network namespaces with the window's unmodified
// default endpoint settings. Dialogs are answered by scripted prompts; the
// simulator's devices really move, so "IP address has changed." means a
// device answered from its new address. Threaded: also run under the
// sanitizers.
#include <QElapsedTimer>
#include <fstream>
#include <map>

#include "table/row_texts.h"
#include "tests/discovery/fake_device.h"
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
  return QString::asprintf("00:1A:2B:00:05:%02X CAM-%d 127.0.51.%d 255.255.255.0 127.0.51.254 127.0.51.253 "
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
};

TEST_F(WindowConfigTest, ApplyRefusesOrSendsOnceAndVerifiesTheMove) {
  Open(StartFleetSim(FleetLine(0) + FleetLine(1) + FleetLine(2)));
  ASSERT_TRUE(ScanToTheEnd());
  ASSERT_EQ(List().GetItemCount(), 3);

  // Not idle: no confirmation, no login, nothing on the wire.
  FillPanel(0, "127.0.53.1");
  Click("scanButton");
  ASSERT_EQ(window->GetState(), WindowState::kScanning);
  QueueApplyAnswers("root", "kefo");
  Click("applyButton");
  EXPECT_TRUE(prompts.messages().empty());
  EXPECT_EQ(prompts.dialogsRun(), 0);
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == WindowState::kIdle; }));

  // Cancelled at the confirmation, then at the login: still nothing sent.
  prompts = ScriptedPrompts();
  prompts.queueMessageAnswer(QMessageBox::Cancel);
  Click("applyButton");
  EXPECT_EQ(Texts(), std::vector<QString>{kApplyConfirmText});
  EXPECT_EQ(prompts.dialogsRun(), 0);
  prompts.queueMessageAnswer(QMessageBox::Ok);  // the login is rejected unscripted
  Click("applyButton");
  EXPECT_EQ(prompts.dialogsRun(), 1);
  EXPECT_EQ(prompts.messages().size(), 2u);
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
  EXPECT_EQ(AddressOnTheWire(0), "127.0.51.1");

  // A wrong password, then settings the device refuses: their boxes, still idle.
  QueueApplyAnswers("root", "wrong");
  Click("applyButton");
  EXPECT_EQ(prompts.messages().back().text, kApplyBadLoginText);
  EXPECT_EQ(prompts.messages().back().icon, QMessageBox::Critical);
  FillPanel(0, "127.0.53.1", "255.0.255.0");
  QueueApplyAnswers("root", "kefo");
  Click("applyButton");
  EXPECT_EQ(prompts.messages().back().text, kApplyConfigErrorText);
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
  EXPECT_FALSE(window->IsRescanTimerActive());
  EXPECT_EQ(AddressOnTheWire(0), "127.0.51.1");

  // Accepted: checked until the device answers from its new address.
  FillPanel(0, "127.0.53.1");
  QueueApplyAnswers("root", "kefo");
  const size_t boxesBefore = prompts.messages().size();
  Click("applyButton");
  EXPECT_EQ(prompts.messages().size(), boxesBefore + 1) << "only the confirmation";
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
  QueueApplyAnswers("root", "kefo");
  Click("applyButton");
  EXPECT_EQ(window->GetState(), WindowState::kVerifying);
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == WindowState::kIdle; }, 30000));
  EXPECT_EQ(AddressOf(0), "127.0.53.9");
}

TEST_F(WindowConfigTest, BatchFromAFileChangesTheTickedDevicesAndShowsItsProgress) {
  // Device 1 takes no change (a second of silence first); device 4 is not ticked.
  Open(StartFleetSim(FleetLine(0) + FleetLine(1, "ignore-changes") + FleetLine(2) + FleetLine(3) + FleetLine(4)));
  ASSERT_TRUE(ScanToTheEnd());
  ASSERT_EQ(List().GetItemCount(), 5);

  Click("nvtSettingButton");
  EXPECT_EQ(Texts(), std::vector<QString>{kBatchNothingTickedText});
  EXPECT_EQ(prompts.dialogsRun(), 0);

  Tick({0, 1, 2, 3});
  const std::string path = WriteFile(ListLine(1, "127.0.54.2") + ListLine(0, "127.0.54.1") +
                                     ListLine(2, "127.0.54.3") + ListLine(3, "127.0.54.4") +
                                     ListLine(4, "127.0.54.5"));
  QueueBatchAnswers(path);
  Click("nvtSettingButton");
  ASSERT_EQ(window->GetState(), WindowState::kBatch);
  EXPECT_TRUE(window->IsBatchRunning());
  EXPECT_TRUE(Progress()->isVisible());

  // While device 1 keeps the run waiting: the first progress, and no second run.
  ASSERT_TRUE(PumpUntil([&] { return Progress()->text().contains("0 / 4 sent"); }));
  EXPECT_EQ(Progress()->text(), "NVT setting in progress\n0 / 4 sent, 0 accepted, 0 refused, 0 no answer");
  EXPECT_TRUE(SaveShot(*window, "tavrix_window_batch.png"));
  Click("nvtSettingButton");
  EXPECT_EQ(prompts.messages().back().text, kBatchAlreadyRunningText);
  ClickRow(RowOfMac(4));
  Click("applyButton");  // ignored: not idle
  EXPECT_EQ(prompts.messages().back().text, kBatchAlreadyRunningText);
  for (int device : {0, 1, 2, 3, 4}) EXPECT_EQ(StateOf(device), "") << "progress stays out of the list";
  ClickHeader(3);  // sorting stays available; the run follows its devices by MAC
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
  EXPECT_EQ(AddressOf(4), "127.0.51.5");
  EXPECT_EQ(AddressOnTheWire(4), "127.0.51.5") << "an unticked device gets nothing";
  EXPECT_FALSE(window->IsRescanTimerActive());
  EXPECT_FALSE(window->IsBatchRunning());
  EXPECT_EQ(Progress()->text(), "NVT setting ended\n4 sent, 3 accepted, 0 refused, 1 no answer, 3 verified")
      << "the run's tally stays";
  EXPECT_TRUE(Progress()->isVisible());
  EXPECT_EQ(window->Inventory()->lock().awaited().size(), 0u);

  // The panel of a changed device shows what it took.
  ClickRow(RowOfMac(2));
  EXPECT_EQ(Edit("ipAddressEdit")->text(), "127.0.54.3");
}

TEST_F(WindowConfigTest, BatchDuringAScanTakesThePortAndClearEndsTheWait) {
  // Every line is refused (a broken mask), so nothing is ever awaited.
  Open(StartFleetSim(FleetLine(0) + FleetLine(1) + FleetLine(2, "ignore-changes") +
                        FleetLine(3, "ignore-changes")));
  ASSERT_TRUE(ScanToTheEnd());
  Tick({0, 1, 2, 3});
  const std::string refused = WriteFile(ListLine(0, "127.0.55.1", "255.0.255.0") +
                                        ListLine(1, "127.0.55.2", "255.0.255.0"));

  Click("scanButton");
  ASSERT_TRUE(window->IsDiscoveryWorkerRecorded());
  QueueBatchAnswers(refused);
  Click("nvtSettingButton");
  EXPECT_EQ(window->GetState(), WindowState::kBatch);
  EXPECT_FALSE(window->IsDiscoveryWorkerRecorded()) << "the scan's cycle gave up the port";
  EXPECT_FALSE(window->IsRescanTimerActive());

  // No device accepted: the window re-scans until "Clear".
  ASSERT_TRUE(PumpUntil([&] { return !window->IsBatchRunning(); }, 30000));
  EXPECT_EQ(window->GetState(), WindowState::kBatch);
  EXPECT_TRUE(window->IsRescanTimerActive());
  EXPECT_EQ(Progress()->text(), "NVT setting ended\n2 sent, 0 accepted, 2 refused, 0 no answer, 0 verified");
  for (int device : {0, 1}) EXPECT_EQ(StateOf(device), kRefusedBySettings) << device;
  for (int device : {2, 3}) EXPECT_EQ(StateOf(device), "") << device;
  Click("clearButton");
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
  EXPECT_FALSE(window->IsRescanTimerActive());
  EXPECT_FALSE(Progress()->isVisible()) << "\"Clear\" puts the tally away";

  // "Clear" during a run (while devices 2 and 3 keep it waiting): idle,
  // nothing awaited, progress gone; the run keeps the port to its end, so
  // "NVT Scan" waits for it, and its end starts no verification.
  ASSERT_TRUE(ScanToTheEnd());
  Tick({2, 3, 0});
  QueueBatchAnswers(WriteFile(ListLine(2, "127.0.55.3") + ListLine(3, "127.0.55.4") + ListLine(0, "127.0.55.1")));
  Click("nvtSettingButton");
  ASSERT_TRUE(PumpUntil([&] { return Progress()->text().contains("sent"); }));
  Click("clearButton");
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
  EXPECT_FALSE(Progress()->isVisible());
  EXPECT_TRUE(window->IsBatchRunning());
  Click("scanButton");
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
  ASSERT_TRUE(PumpUntil([&] { return !window->IsBatchRunning(); }, 30000));
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
  EXPECT_FALSE(window->IsRescanTimerActive());
  EXPECT_FALSE(window->IsDiscoveryWorkerRecorded());
  EXPECT_FALSE(Progress()->isVisible()) << "later progress of a cleared run stays hidden";
  EXPECT_EQ(window->Inventory()->lock().awaited().size(), 0u);
  EXPECT_EQ(AddressOnTheWire(0), "127.0.51.1") << "a cleared row is skipped";
  EXPECT_TRUE(ScanToTheEnd());
  EXPECT_EQ(List().GetItemCount(), 4);
}

// A second batch while a device of the first is still awaited (it moved
// where it can no longer answer): the second batch's devices are verified
// too, and the first batch's device is still awaited.
TEST_F(WindowConfigTest, ASecondBatchWhileTheFirstIsStillAwaited) {
  Open(StartFleetSim(FleetLine(0) + FleetLine(1) + FleetLine(2)));
  ASSERT_TRUE(ScanToTheEnd());
  Tick({0, 1});
  QueueBatchAnswers(WriteFile(ListLine(0, "10.99.0.1") + ListLine(1, "127.0.56.2")));
  Click("nvtSettingButton");
  ASSERT_TRUE(PumpUntil([&] { return StateOf(1) == kChanged; }, 30000));
  EXPECT_EQ(StateOf(0), kChecking);
  ASSERT_EQ(window->GetState(), WindowState::kBatch);

  List().SetCheckbox(RowOfMac(0), 0, 0);
  List().SetCheckbox(RowOfMac(1), 0, 0);
  Tick({2});
  QueueBatchAnswers(WriteFile(ListLine(2, "127.0.56.3")));
  Click("nvtSettingButton");
  ASSERT_TRUE(PumpUntil([&] { return StateOf(2) == kChanged; }, 30000)) << StateOf(2).toStdString();
  EXPECT_EQ(AddressOf(2), "127.0.56.3");
  EXPECT_EQ(StateOf(0), kChecking);
  EXPECT_EQ(window->GetState(), WindowState::kBatch);
  EXPECT_EQ(window->Inventory()->lock().awaited().size(), 1u);
  Click("clearButton");
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
}

// Closing the window in the middle of a run: the run is stopped (each
// device costs at most a second, the window waits at most 3000 ms), nothing
// reaches the freed window, and the port is free again afterwards.
TEST_F(WindowConfigTest, ClosingTheWindowStopsARunningBatch) {
  std::string fleet;
  std::string lines;
  for (int i = 0; i < 8; ++i) {
    fleet += FleetLine(i, "ignore-changes");
    lines += ListLine(i, "127.0.57." + std::to_string(i + 1));
  }
  const EncpEndpointSettings settings = StartFleetSim(fleet);
  const std::string path = WriteFile(lines);
  for (int round = 0; round < 2; ++round) {
    Open(settings);
    ASSERT_TRUE(ScanToTheEnd());
    Tick({0, 1, 2, 3, 4, 5, 6, 7});
    QueueBatchAnswers(path);
    Click("nvtSettingButton");
    ASSERT_TRUE(window->IsBatchRunning());
    if (round == 1) PumpUntil([&] { return Progress()->text().contains("1 / 8"); });
    QElapsedTimer clock;
    clock.start();
    window->close();
    window.reset();
    EXPECT_LT(clock.elapsed(), 10000) << "bounded by the stop wait, not by the eight devices";
    QTest::qWait(50);
    UdpSocket samePort(settings.localPort);
    EXPECT_TRUE(samePort.bound()) << "the run ended and closed its endpoint";
  }
}

// Another program holds the local port: the operator is told once per
// command, no change leaves the PC, and nothing is marked as changed.
TEST_F(WindowConfigTest, AHeldPortIsReportedAndNoChangeIsSent) {
  const EncpEndpointSettings settings = StartFleetSim(FleetLine(0) + FleetLine(1));
  Open(settings);
  ASSERT_TRUE(ScanToTheEnd());
  ASSERT_EQ(List().GetItemCount(), 2);
  const QString held = QString("UDP port %1 cannot be used (Address already in use).").arg(settings.localPort);
  {
    UdpSocket otherProgram(settings.localPort);
    ASSERT_TRUE(otherProgram.bound());

    ASSERT_TRUE(ScanToTheEnd());
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_TRUE(prompts.messages()[0].text.startsWith(held)) << prompts.messages()[0].text.toStdString();
    EXPECT_EQ(prompts.messages()[0].icon, QMessageBox::Warning);

    FillPanel(0, "127.0.58.1");
    QueueApplyAnswers();
    Click("applyButton");
    EXPECT_TRUE(prompts.messages().back().text.startsWith(held));
    EXPECT_TRUE(prompts.messages().back().text.endsWith("No setting was sent."));
    EXPECT_EQ(window->GetState(), WindowState::kIdle);
    EXPECT_EQ(StateOf(0), "");

    // The run ends at once, telling why.
    Tick({0, 1});
    QueueBatchAnswers(WriteFile(ListLine(0, "127.0.58.1") + ListLine(1, "127.0.58.2")));
    const size_t boxesBefore = prompts.messages().size();
    Click("nvtSettingButton");
    ASSERT_TRUE(PumpUntil([&] { return !window->IsBatchRunning(); }));
    ASSERT_EQ(prompts.messages().size(), boxesBefore + 2) << "the confirmation and one warning";
    EXPECT_TRUE(prompts.messages().back().text.endsWith("No setting was sent."));
    EXPECT_EQ(StateOf(0), "");
    EXPECT_EQ(StateOf(1), "");
    EXPECT_EQ(window->Inventory()->lock().awaited().size(), 0u);
    Click("clearButton");
  }
  EXPECT_EQ(AddressOnTheWire(0), "127.0.51.1");
  EXPECT_EQ(AddressOnTheWire(1), "127.0.51.2");
  const size_t boxes = prompts.messages().size();
  ASSERT_TRUE(ScanToTheEnd());
  EXPECT_EQ(List().GetItemCount(), 2);
  EXPECT_EQ(prompts.messages().size(), boxes) << "a free port says nothing";
}

// A device that accepts its change and is never heard of again: the window
// keeps searching for it until "Clear", stays usable meanwhile, and closes
// promptly in the middle of such a wait.
TEST_F(WindowConfigTest, ADeviceThatNeverReappearsIsAwaitedUntilClear) {
  const EncpEndpointSettings settings = StartFleetSim(FleetLine(0, "vanish") + FleetLine(1, "vanish") + FleetLine(2));
  Open(settings);
  ASSERT_TRUE(ScanToTheEnd());
  FillPanel(0, "127.0.59.1");
  QueueApplyAnswers();
  Click("applyButton");
  ASSERT_EQ(window->GetState(), WindowState::kVerifying);
  QTest::qWait(4000);
  EXPECT_EQ(window->GetState(), WindowState::kVerifying);
  EXPECT_EQ(StateOf(0), kChecking);
  ClickHeader(1);
  ClickRow(RowOfMac(2));
  EXPECT_EQ(Edit("ipAddressEdit")->text(), "127.0.51.3");
  Click("clearButton");
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
  EXPECT_FALSE(window->IsRescanTimerActive());

  ASSERT_TRUE(ScanToTheEnd());
  EXPECT_EQ(List().GetItemCount(), 2) << "the vanished device stays silent";
  FillPanel(1, "127.0.59.2");
  QueueApplyAnswers();
  Click("applyButton");
  ASSERT_EQ(window->GetState(), WindowState::kVerifying);
  QTest::qWait(3200);
  QElapsedTimer clock;
  clock.start();
  window->close();
  window.reset();
  EXPECT_LT(clock.elapsed(), 10000) << "bounded by the cycle's stop wait";
  UdpSocket samePort(settings.localPort);
  EXPECT_TRUE(samePort.bound()) << "the last cycle closed its endpoint";
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
  std::string error;
  DeviceNetwork* network = lab.AddDeviceNetwork(&error, 2);
  ASSERT_NE(network, nullptr) << error;
  const std::string prefix = network->firstDeviceAddress.substr(0, network->firstDeviceAddress.rfind(".1.1"));
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
  MainWindowSeams seams;  // the real adapters of the PC namespace
  seams.commandRunner = runner;
  window = std::make_unique<CTavrixDlg>(EncpEndpointSettings{}, seams);
  window->show();
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
  auto requests = changeRequests();
  EXPECT_EQ(requests.size(), static_cast<size_t>(kLast)) << "nothing for the all-zero MAC";
  for (const auto& [mac, count] : requests) EXPECT_EQ(count, 1) << mac;

  // One more change by hand, also sent once.
  const std::string moved = prefix + ".3.5";
  FillPanel(4, moved.c_str(), "255.255.0.0");
  QueueApplyAnswers("root", "kefo");
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
  std::string error;
  DeviceNetwork* network = lab.AddDeviceNetwork(&error);
  ASSERT_NE(network, nullptr) << error;
  const std::string prefix = network->firstDeviceAddress.substr(0, network->firstDeviceAddress.rfind(".1.1"));
  std::string fleet;
  for (int i = 1; i <= kTicked + 1; ++i) {
    fleet += QString::asprintf("00:1A:2B:00:05:%02X CAM-%d %s.%d.%d 255.255.0.0 %s.0.1 %s.0.1 80 4000,0,0 3 root kefo\n",
                               i, i, prefix.c_str(), i > kTicked ? 2 : 1, i > kTicked ? 5 : i, prefix.c_str(),
                               prefix.c_str())
                 .toStdString();
  }
  ASSERT_TRUE(sim.Start({"--broadcast", network->deviceInterface, "--fleet", WriteFile(fleet)},
                        network->devices->name()))
      << sim.error();

  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  MainWindowSeams seams;
  seams.commandRunner = runner;
  window = std::make_unique<CTavrixDlg>(EncpEndpointSettings{}, seams);
  window->show();
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
    for (const auto& [name, text] : typed) dialog.findChild<IpAddressEdit*>(name)->setText(QString::fromStdString(text));
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
  EXPECT_EQ(AddressOf(kTicked + 1), QString::fromStdString(prefix + ".2.5"));
  EXPECT_EQ(Progress()->text(), "NVT setting ended\n12 sent, 12 accepted, 0 refused, 0 no answer, 12 verified");
  window.reset();
}

}  // namespace
