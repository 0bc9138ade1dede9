// "Apply" and "NVT setting" pressed in the real window, against the device
// simulator on loopback (each device answers from its own 127.x address) and,
// end to end, in private network namespaces with the window's unmodified
// default endpoint settings. Dialogs are answered by scripted prompts; the
// simulator's devices really move, so "IP address has changed." means a
// device answered from its new address. Threaded: also run under the
// sanitizers.
#include <unistd.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <cstdlib>

#include "discovery/row_texts.h"
#include "tests/discovery/fake_device.h"
#include "tests/main/window_fixture.h"
#include "tests/support/netns_gtest.h"
#include "tests/support/sim_process.h"
#include "tools/cli/scan_cycle.h"
#include "ui/common/ip_address_edit.h"
#include "ui/config/batch_command.h"
#include "ui/config/single_change.h"

// Failures print texts, not their UTF-16 bytes.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

using tavrix::lab::DeviceNetwork;
using tavrix::lab::Lab;
using tavrix::lab::ScopedNetns;
using tavrix::lab::SimProcess;

namespace {

constexpr const char* kChecking = "Checking ip address ...";
constexpr const char* kChanged = "IP address has changed.";

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

class WindowConfigTest : public WindowTest {
 protected:
  void TearDown() override {
    window.reset();
    for (const std::string& path : files_) unlink(path.c_str());
  }

  std::string WriteFile(const std::string& text) {
    char path[] = "/tmp/tavrix-window-config-XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0) {
      (void)!write(fd, text.data(), text.size());
      close(fd);
      files_.push_back(path);
    }
    return path;
  }

  // Devices take an accepted change before they answer anything else: the
  // window counts the first answer after the change as the device's
  // answer from its new settings.
  EncpEndpointSettings StartLoopbackSim(const std::string& fleet) {
    const tavrix::lab::UdpPortPair ports = tavrix::lab::FreeUdpPortPair();
    EXPECT_TRUE(sim.Start({"--fleet", WriteFile(fleet), "--port", std::to_string(ports.device), "--move-delay", "0"}))
        << sim.error();
    EncpEndpointSettings settings;
    settings.localPort = ports.local;
    settings.devicePort = sim.port();
    settings.destinationAddress = inet_addr("127.0.0.1");
    return settings;
  }

  bool ScanToTheEnd() {
    Click("scanButton");
    return window->GetState() == kStateScanning && PumpUntil([&] { return window->GetState() == kStateIdle; });
  }

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

  QString Cell(int row, int column) { return List().GetItemText(row, column); }
  QString StateOf(int device) { return Cell(RowOfMac(static_cast<uint8_t>(device)), 6); }
  QString AddressOf(int device) { return Cell(RowOfMac(static_cast<uint8_t>(device)), 3); }
  QLabel* Progress() { return window->findChild<QLabel*>("batchProgressLabel"); }
  std::vector<QString> Texts() {
    std::vector<QString> texts;
    for (const auto& message : prompts.messages()) texts.push_back(message.text);
    return texts;
  }

  // Selects the device's row and puts a static address into the panel.
  void FillPanel(int device, const char* address, const char* mask = "255.255.255.0") {
    ClickRow(RowOfMac(static_cast<uint8_t>(device)));
    window->findChild<QRadioButton*>("staticRadio")->setChecked(true);
    Edit("ipAddressEdit")->setText(address);
    Edit("subnetMaskEdit")->setText(mask);
  }
  QLineEdit* Edit(const char* name) { return window->findChild<QLineEdit*>(name); }

  // The answers to one "Apply": the confirmation, then the login.
  void QueueApplyAnswers(const QString& user, const QString& password) {
    prompts.queueMessageAnswer(QMessageBox::Ok);
    prompts.queueDialogScript([=](QDialog& login) {
      login.findChild<QLineEdit*>("userIdEdit")->setText(user);
      login.findChild<QLineEdit*>("passwordEdit")->setText(password);
      QTest::mouseClick(login.findChild<QPushButton*>("okButton"), Qt::LeftButton);
      return login.result();
    });
  }

  // The answers to one "NVT setting": the file chosen in the dialog (whose
  // viewer then opens and is closed), OK, and the confirmation.
  void QueueBatchAnswers(const std::string& path) {
    prompts.queueDialogScript([this, path](QDialog& dialog) {
      prompts.queueFileName(QString::fromStdString(path));
      QTest::mouseClick(dialog.findChild<QPushButton*>("selectButton"), Qt::LeftButton);
      QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
      return dialog.result();
    });
    prompts.queueMessageAnswer(QMessageBox::Ok);
  }

  void Tick(std::initializer_list<int> devices) {
    for (int device : devices) List().SetCheckbox(RowOfMac(static_cast<uint8_t>(device)), 0, 1);
  }

  SimProcess sim;
  std::vector<std::string> files_;
};

TEST_F(WindowConfigTest, ApplyRefusesOrSendsOnceAndVerifiesTheMove) {
  Open(StartLoopbackSim(FleetLine(0) + FleetLine(1) + FleetLine(2)));
  ASSERT_TRUE(ScanToTheEnd());
  ASSERT_EQ(List().GetItemCount(), 3);

  // Not idle: no confirmation, no login, nothing on the wire.
  FillPanel(0, "127.0.53.1");
  Click("scanButton");
  ASSERT_EQ(window->GetState(), kStateScanning);
  QueueApplyAnswers("root", "kefo");
  Click("applyButton");
  EXPECT_TRUE(prompts.messages().empty());
  EXPECT_EQ(prompts.dialogsRun(), 0);
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == kStateIdle; }));

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
  EXPECT_EQ(window->GetState(), kStateIdle);
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
  EXPECT_EQ(window->GetState(), kStateIdle);
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
  EXPECT_EQ(window->GetState(), kStateVerifying);
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == kStateIdle; }, 30000));
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
  EXPECT_EQ(window->GetState(), kStateVerifying);
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == kStateIdle; }, 30000));
  EXPECT_EQ(AddressOf(0), "127.0.53.9");
}

TEST_F(WindowConfigTest, BatchFromAFileChangesTheTickedDevicesAndShowsItsProgress) {
  // Device 1 takes no change (a second of silence first); device 4 is not ticked.
  Open(StartLoopbackSim(FleetLine(0) + FleetLine(1, "ignore-changes") + FleetLine(2) + FleetLine(3) + FleetLine(4)));
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
  ASSERT_EQ(window->GetState(), kStateBatch);
  EXPECT_TRUE(window->IsBatchRunning());
  EXPECT_TRUE(Progress()->isVisible());

  // While device 1 keeps the run waiting: the first progress, and no second run.
  ASSERT_TRUE(PumpUntil([&] { return Progress()->text().contains("0 / 4 sent"); }));
  EXPECT_EQ(Progress()->text(), "NVT setting in progress\n0 / 4 sent, 0 accepted");
  const char* buildDir = std::getenv("TAVRIX_BUILD_DIR");
  const QString shot = QString::fromLocal8Bit(buildDir != nullptr ? buildDir : ".") + "/tavrix_window_batch.png";
  EXPECT_TRUE(window->grab().save(shot));
  Click("nvtSettingButton");
  EXPECT_EQ(prompts.messages().back().text, kBatchAlreadyRunningText);
  ClickRow(RowOfMac(4));
  Click("applyButton");  // ignored: not idle
  EXPECT_EQ(prompts.messages().back().text, kBatchAlreadyRunningText);
  for (int device : {0, 1, 2, 3, 4}) EXPECT_EQ(StateOf(device), "") << "progress stays out of the list";
  ClickHeader(3);  // sorting stays available; the run follows its devices by MAC
  ASSERT_EQ(RowOfMac(0), 4) << "descending by address";

  // Every accepted device is checked, then seen at its new address.
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == kStateIdle; }, 60000));
  for (int device : {0, 2, 3}) {
    EXPECT_EQ(StateOf(device), kChanged) << device;
    EXPECT_EQ(AddressOf(device), QString("127.0.54.%1").arg(device + 1)) << device;
  }
  EXPECT_EQ(StateOf(1), "");
  EXPECT_EQ(AddressOf(1), "127.0.51.2");
  EXPECT_EQ(AddressOf(4), "127.0.51.5");
  EXPECT_EQ(AddressOnTheWire(4), "127.0.51.5") << "an unticked device gets nothing";
  EXPECT_FALSE(window->IsRescanTimerActive());
  EXPECT_FALSE(window->IsBatchRunning());
  EXPECT_FALSE(Progress()->isVisible());
  EXPECT_TRUE(Progress()->text().isEmpty());
  EXPECT_EQ(window->Inventory()->lock().changed().GetCount(), 0);

  // The panel of a changed device shows what it took.
  ClickRow(RowOfMac(2));
  EXPECT_EQ(Edit("ipAddressEdit")->text(), "127.0.54.3");
}

TEST_F(WindowConfigTest, BatchDuringAScanTakesThePortAndClearEndsTheWait) {
  // Every line is refused (a broken mask), so nothing is ever awaited.
  Open(StartLoopbackSim(FleetLine(0) + FleetLine(1) + FleetLine(2, "ignore-changes") +
                        FleetLine(3, "ignore-changes")));
  ASSERT_TRUE(ScanToTheEnd());
  Tick({0, 1, 2, 3});
  const std::string refused = WriteFile(ListLine(0, "127.0.55.1", "255.0.255.0") +
                                        ListLine(1, "127.0.55.2", "255.0.255.0"));

  Click("scanButton");
  ASSERT_TRUE(window->IsDiscoveryWorkerRecorded());
  QueueBatchAnswers(refused);
  Click("nvtSettingButton");
  EXPECT_EQ(window->GetState(), kStateBatch);
  EXPECT_FALSE(window->IsDiscoveryWorkerRecorded()) << "the scan's cycle gave up the port";
  EXPECT_FALSE(window->IsRescanTimerActive());

  // No device accepted: the window re-scans until "Clear".
  ASSERT_TRUE(PumpUntil([&] { return !window->IsBatchRunning(); }, 30000));
  EXPECT_EQ(window->GetState(), kStateBatch);
  EXPECT_TRUE(window->IsRescanTimerActive());
  EXPECT_FALSE(Progress()->isVisible());
  QTest::qWait(3500);
  EXPECT_EQ(window->GetState(), kStateBatch);
  EXPECT_TRUE(window->IsRescanTimerActive());
  for (int device : {0, 1, 2, 3}) EXPECT_EQ(StateOf(device), "") << device;
  Click("clearButton");
  EXPECT_EQ(window->GetState(), kStateIdle);
  EXPECT_FALSE(window->IsRescanTimerActive());

  // "Clear" during a run (while devices 2 and 3 keep it waiting): idle,
  // nothing awaited, progress gone; the run keeps the port to its end, so
  // "NVT Scan" waits for it, and its end starts no verification.
  ASSERT_TRUE(ScanToTheEnd());
  Tick({2, 3, 0});
  QueueBatchAnswers(WriteFile(ListLine(2, "127.0.55.3") + ListLine(3, "127.0.55.4") + ListLine(0, "127.0.55.1")));
  Click("nvtSettingButton");
  ASSERT_TRUE(PumpUntil([&] { return Progress()->text().contains("sent"); }));
  Click("clearButton");
  EXPECT_EQ(window->GetState(), kStateIdle);
  EXPECT_FALSE(Progress()->isVisible());
  EXPECT_TRUE(window->IsBatchRunning());
  Click("scanButton");
  EXPECT_EQ(window->GetState(), kStateIdle);
  ASSERT_TRUE(PumpUntil([&] { return !window->IsBatchRunning(); }, 30000));
  EXPECT_EQ(window->GetState(), kStateIdle);
  EXPECT_FALSE(window->IsRescanTimerActive());
  EXPECT_FALSE(window->IsDiscoveryWorkerRecorded());
  EXPECT_FALSE(Progress()->isVisible()) << "later progress of a cleared run stays hidden";
  EXPECT_EQ(window->Inventory()->lock().changed().GetCount(), 0);
  EXPECT_EQ(AddressOnTheWire(0), "127.0.51.1") << "a cleared row is skipped";
  EXPECT_TRUE(ScanToTheEnd());
  EXPECT_EQ(List().GetItemCount(), 4);
}

// A second batch while a device of the first is still awaited (it moved
// where it can no longer answer): the second batch's devices are verified
// too, and the first batch's device is still awaited.
TEST_F(WindowConfigTest, ASecondBatchWhileTheFirstIsStillAwaited) {
  Open(StartLoopbackSim(FleetLine(0) + FleetLine(1) + FleetLine(2)));
  ASSERT_TRUE(ScanToTheEnd());
  Tick({0, 1});
  QueueBatchAnswers(WriteFile(ListLine(0, "10.99.0.1") + ListLine(1, "127.0.56.2")));
  Click("nvtSettingButton");
  ASSERT_TRUE(PumpUntil([&] { return StateOf(1) == kChanged; }, 30000));
  EXPECT_EQ(StateOf(0), kChecking);
  ASSERT_EQ(window->GetState(), kStateBatch);

  List().SetCheckbox(RowOfMac(0), 0, 0);
  List().SetCheckbox(RowOfMac(1), 0, 0);
  Tick({2});
  QueueBatchAnswers(WriteFile(ListLine(2, "127.0.56.3")));
  Click("nvtSettingButton");
  ASSERT_TRUE(PumpUntil([&] { return StateOf(2) == kChanged; }, 30000)) << StateOf(2).toStdString();
  EXPECT_EQ(AddressOf(2), "127.0.56.3");
  EXPECT_EQ(StateOf(0), kChecking);
  EXPECT_EQ(window->GetState(), kStateBatch);
  EXPECT_EQ(window->Inventory()->lock().changedCount(), 1);
  Click("clearButton");
  EXPECT_EQ(window->GetState(), kStateIdle);
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
  const EncpEndpointSettings settings = StartLoopbackSim(fleet);
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

TEST_F(WindowConfigTest, BatchReaddressesFiftyDevicesOnALan) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  constexpr int kDevices = 50;
  Lab lab;
  std::string error;
  DeviceNetwork* network = lab.AddDeviceNetwork(&error);
  ASSERT_NE(network, nullptr) << error;
  ASSERT_TRUE(sim.Start({"--broadcast", network->deviceInterface, "--count", std::to_string(kDevices), "--first-ip",
                         network->firstDeviceAddress, "--mask", "255.255.0.0", "--mac-base", "00:1A:2B:00:05:00",
                         "--move-delay", "0"},
                        network->devices->name()))
      << sim.error();
  // 10.6k.1.(i+1) moves to 10.6k.2.(i+1), in the same network.
  const std::string prefix = network->firstDeviceAddress.substr(0, network->firstDeviceAddress.rfind(".1.1"));
  std::string lines;
  for (int i = 0; i < kDevices; ++i) {
    lines += QString::asprintf("00:1A:2B:00:05:%02X STATIC %s.2.%d 255.255.0.0 %s.0.1 %s.0.1\n", i, prefix.c_str(),
                               i + 1, prefix.c_str(), prefix.c_str())
                 .toStdString();
  }
  const std::string path = WriteFile(lines);

  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  MainWindowSeams seams;  // the real adapters of the PC namespace
  seams.commandRunner = runner;
  window = std::make_unique<CTavrixDlg>(EncpEndpointSettings{}, seams);
  window->show();
  ASSERT_TRUE(ScanToTheEnd());
  ASSERT_EQ(List().GetItemCount(), kDevices);
  for (int row = 0; row < kDevices; ++row) List().SetCheckbox(row, 0, 1);

  QueueBatchAnswers(path);
  Click("nvtSettingButton");
  ASSERT_EQ(window->GetState(), kStateBatch);
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == kStateIdle; }, 120000))
      << "still awaited: " << window->Inventory()->lock().changedCount();
  for (int i = 0; i < kDevices; ++i) {
    EXPECT_EQ(StateOf(i), kChanged) << i;
    EXPECT_EQ(AddressOf(i), QString::asprintf("%s.2.%d", prefix.c_str(), i + 1)) << i;
  }

  // At once one more change by hand, while the last search cycle may still
  // hold the port that the device's answer is broadcast to.
  const std::string moved = prefix + ".3.1";
  FillPanel(0, moved.c_str(), "255.255.0.0");
  QueueApplyAnswers("root", "kefo");
  Click("applyButton");
  ASSERT_EQ(window->GetState(), kStateVerifying) << "the answer reached the window's endpoint";
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == kStateIdle; }, 30000));
  EXPECT_EQ(AddressOf(0), QString::fromStdString(moved));
  window.reset();
}

}  // namespace
