// The main window driven as the operator drives it, with stand-ins for the
// outside world (adapter, browser, command runner, dialogs). Tests deliver
// worker events, or the window searches the simulator (whose devices really
// move) on loopback or, for a LAN's faults, in private namespaces. Rules below
// the window are proven there; here each journey runs once. Threaded.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <array>
#include <cerrno>
#include <fstream>
#include <map>
#include <tuple>

#include "discovery/worker_events.h"
#include "tests/support/device_builder.h"
#include "tests/support/loopback_udp.h"
#include "tests/support/netns_gtest.h"
#include "tests/support/operator_answers.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_files.h"
#include "ui/common/ip_address_edit.h"
#include "ui/config/single_change.h"
#include "ui/controls/grid_model.h"
#include "ui/controls/xheader_ctrl.h"
#include "ui/controls/xlist_ctrl.h"
#include "ui/main/tavrix_dlg.h"

// Failures print texts, not their UTF-16 bytes.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

using Texts = std::vector<QString>;

constexpr const char* kChanged = "IP address has changed.";
constexpr const char* kNoAnswer = "No answer to the change";
constexpr const char* kRefusedBySettings = "Change refused by the device";
// The selected row's mark, as LookOf gives it
constexpr const char* kWhiteOnBlue = "FFFFFF/316AC5";

struct ScriptedRunner : CommandRunner {
  ProcessOutcome run(const std::vector<std::string>& argv, std::chrono::milliseconds) override {
    commands.push_back(argv);
    return outcome;
  }
  ProcessOutcome outcome;
  std::vector<std::vector<std::string>> commands;
};

// Loopback settings; by default a port nobody serves, so cycles find nothing.
EncpEndpointSettings Loopback(uint16_t localPort = 0, uint16_t devicePort = 9) {
  EncpEndpointSettings settings;
  settings.localPort = localPort;
  settings.devicePort = devicePort;
  settings.destinationAddress = inet_addr("127.0.0.1");
  return settings;
}

// Device i of the simulator (MAC 00:1A:2B:00:05:i) at `address` of a /16:
// its line in the simulator's fleet, and an address list line that moves it.
std::string FleetLine(int i, const std::string& address, const char* flags = "") {
  return QString::asprintf("00:1A:2B:00:05:%02X CAM-%d %s 255.255.0.0 0.0.0.0 0.0.0.0 80 4000,0,0 3 root kefo %s\n", i,
                           i, address.c_str(), flags)
      .toStdString();
}
std::string ListLine(int i, const std::string& address, const char* mask = "255.255.0.0") {
  return QString::asprintf("00:1A:2B:00:05:%02X STATIC %s %s 0.0.0.0 0.0.0.0\n", i, address.c_str(), mask)
      .toStdString();
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { TestApplication(); }

  // With the fixed adapter, or with the machine's (or namespace's) own.
  CTavrixDlg& Open(EncpEndpointSettings settings = Loopback(), bool realAdapters = false) {
    MainWindowSeams seams;
    if (!realAdapters) {
      AdapterInfo adapter;
      adapter.adapterName = "lan0";
      adapter.ipAddresses = {{"192.168.0.5", "255.255.255.0"}, {"192.168.9.9", "255.255.0.0"}};
      adapter.gateways = {"192.168.0.1"};
      adapter.dnsServers = {"192.168.0.2"};
      seams.readAdapters = [adapter] { return std::vector<AdapterInfo>{adapter, AdapterInfo{}}; };
    }
    seams.openUrl = [this](const QUrl& address) { openedUrls.push_back(address.toString()); };
    seams.commandRunner = runner;
    seams.runsAsRoot = true;  // the non-root way to the flush is main_core_test's
    window = std::make_unique<CTavrixDlg>(settings, seams);
    QObject::connect(window.get(), &CTavrixDlg::discoveryCycleStarted,
                     [this](DiscoveryCycle cycle) { currentCycle = cycle; });
    QObject::connect(window.get(), &CTavrixDlg::rescanScheduled, [this] { rescanPending = true; });
    QObject::connect(window.get(), &CTavrixDlg::rescanCancelled, [this] { rescanPending = false; });
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return *window;
  }

  void Click(const char* button) { QTest::mouseClick(window->findChild<QPushButton*>(button), Qt::LeftButton); }
  bool ScanToTheEnd() {
    Click("scanButton");
    return window->GetState() == WindowState::kScanning && WaitForIdle();
  }
  bool WaitForIdle() {
    return PumpUntil([&] { return window->GetState() == WindowState::kIdle; }, 60000);
  }

  // A worker's events as they reach the window (delivered at once): what it
  // found, then its end; of the current cycle unless the test names another.
  void Deliver(const std::vector<DeviceInfo>& devices, std::optional<DiscoveryCycle> cycle = {}) {
    WorkerEvent found(DevicesFound{devices}, cycle.value_or(currentCycle));
    QApplication::sendEvent(window.get(), &found);
    WorkerEvent ended(DiscoveryEnded{}, found.cycle());
    QApplication::sendEvent(window.get(), &ended);
  }

  CXListCtrl& List() { return *window->DeviceList(); }
  QString Cell(int row, int column) { return List().GetItemText(row, column); }
  Texts Column(int column) {
    Texts texts;
    for (int row = 0; row < List().GetItemCount(); ++row) texts.push_back(Cell(row, column));
    return texts;
  }
  int RowOfMac(int macLast) {
    const QString suffix = QString::asprintf(":%02X", macLast);
    for (int row = 0; row < List().GetItemCount(); ++row)
      if (Cell(row, 2).endsWith(suffix)) return row;
    return -1;
  }
  QString StateOf(int device) { return Cell(RowOfMac(device), 6); }
  QString AddressOf(int device) { return Cell(RowOfMac(device), 3); }
  // A cell's colours as the grid holds them: "text/background" in RRGGBB
  // ("default" for the list's own colours).
  std::string LookOf(int row, int column) {
    const GridCell* cell = static_cast<const GridModel*>(List().model())->cell(row, column);
    const auto hex = [](const QColor& colour) {
      return colour.isValid() ? colour.name().mid(1).toUpper() : QString("default");
    };
    return cell ? (hex(cell->textColour) + '/' + hex(cell->backColour)).toStdString() : "none";
  }

  QPoint CellPoint(int row, int column) { return List().visualRect(List().model()->index(row, column)).center(); }
  void ClickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier, int column = 2) {
    QTest::mouseClick(List().viewport(), Qt::LeftButton, modifiers, CellPoint(row, column));
  }
  void ClickHeader(int column) {
    CXHeaderCtrl* header = List().headerCtrl();
    const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, middle);
  }

  // The texts of labels and edit boxes of the window.
  Texts TextsOf(std::initializer_list<const char*> names) {
    Texts texts;
    for (const char* name : names) texts.push_back(window->findChild<QWidget*>(name)->property("text").toString());
    return texts;
  }
  bool Enabled(const char* name) { return window->findChild<QWidget*>(name)->isEnabled(); }
  // An item of the window's menu bar (each is also on its background menu).
  QAction* MenuItem(const QString& text) {
    for (QAction* top : window->findChild<QMenuBar*>("menuBar")->actions())
      for (QAction* item : top->menu()->actions())
        if (item->text() == text) return item;
    return nullptr;
  }
  QLabel* Progress() { return window->findChild<QLabel*>("batchProgressLabel"); }

  // Selects the device's row and puts a static address into the panel.
  void FillPanel(int device, const std::string& address, const char* mask) {
    ClickRow(RowOfMac(device));
    window->findChild<QRadioButton*>("staticRadio")->setChecked(true);
    window->findChild<QLineEdit*>("ipAddressEdit")->setText(QString::fromStdString(address));
    window->findChild<QLineEdit*>("subnetMaskEdit")->setText(mask);
  }
  // One "NVT setting" answered: the file chosen (its viewer shown), OK, confirmed.
  void QueueBatchAnswers(const std::string& path) {
    prompts.queueDialogScript([this, path](QDialog& dialog) {
      prompts.queueFileName(QString::fromStdString(path));
      QTest::mouseClick(dialog.findChild<QPushButton*>("selectButton"), Qt::LeftButton);
      QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
      return dialog.result();
    });
    prompts.queueMessageAnswer(QMessageBox::Ok);
  }
  // One "NVT setting" by range answered: start, end, mask, gateway and DNS
  // typed in, OK, confirmed.
  void QueueRangeAnswers(const std::array<const char*, 5>& texts) {
    prompts.queueDialogScript([texts](QDialog& dialog) {
      QTest::mouseClick(dialog.findChild<QRadioButton*>("throughUiRadio"), Qt::LeftButton);
      const char* names[] = {"startAddressEdit", "endAddressEdit", "subnetMaskEdit", "gatewayEdit", "dnsServerEdit"};
      for (size_t i = 0; i < texts.size(); ++i) dialog.findChild<IpAddressEdit*>(names[i])->setText(texts[i]);
      QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
      return dialog.result();
    });
    prompts.queueMessageAnswer(QMessageBox::Ok);
  }

  ScriptedPrompts prompts;
  PromptsInstaller promptsInstaller{prompts};
  std::shared_ptr<ScriptedRunner> runner = std::make_shared<ScriptedRunner>();
  std::vector<QString> openedUrls;
  // What the window's signals last said: the cycle whose events count, and
  // whether a re-scan is armed.
  DiscoveryCycle currentCycle = kNoDiscoveryCycle;
  bool rescanPending = false;
  tavrix::lab::SimProcess sim;
  TempFiles files;
  std::unique_ptr<CTavrixDlg> window;  // last, so it goes first
};

TEST_F(MainWindowTest, OpensIdleWithItsColumnsTheFirstAdapterAndTheSettingsPanelDisabled) {
  CTavrixDlg& w = Open();
  EXPECT_EQ(w.windowTitle(), "Tavrix");
  EXPECT_EQ(w.minimumSize(), w.maximumSize());
  EXPECT_EQ(w.GetState(), WindowState::kIdle);
  Texts titles;
  for (int column = 0; column < List().GetColumns(); ++column)
    titles.push_back(List().model()->headerData(column, Qt::Horizontal).toString());
  EXPECT_EQ(titles, (Texts{"No.", "Model Name", "MAC address", "IP address", "Web port", "AV port", "State"}));

  // The first adapter's first address entry, gateway and DNS server.
  EXPECT_EQ(TextsOf({"localIpLabel", "localMaskLabel", "localGatewayLabel", "localDnsLabel"}),
            (Texts{"192.168.0.5", "255.255.255.0", "192.168.0.1", "192.168.0.2"}));
  for (const char* name : {"staticRadio", "dhcpRadio", "pppoeRadio", "ipAddressEdit", "subnetMaskEdit", "gatewayEdit",
                           "dnsServerEdit", "applyButton", "firmwareUpdateButton"})
    EXPECT_FALSE(Enabled(name)) << name;
  EXPECT_TRUE(w.findChild<QLineEdit*>("macEdit")->isReadOnly());

  // The menu bar pushed every control down: all still inside the window.
  for (QWidget* child : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    EXPECT_TRUE(!child->isVisible() || w.rect().contains(child->geometry())) << child->objectName().toStdString();
  EXPECT_LT(List().geometry().right(), w.findChild<QWidget*>("nvtNetworkGroup")->geometry().left());
}

TEST_F(MainWindowTest, TheMenuBarAndTheBackgroundMenuOfferAboutAndExport) {
  CTavrixDlg& w = Open();
  QAction* about = MenuItem(QString::fromUtf8("Tavrix 정보(&A)..."));
  QAction* exportList = MenuItem("Export list...");
  ASSERT_TRUE(about && exportList);
  EXPECT_TRUE(w.actions().contains(about) && w.actions().contains(exportList));
  QString version;
  prompts.queueDialogScript([&](QDialog& dialog) {
    version = dialog.findChild<QLabel*>("versionLabel")->text();
    return int(QDialog::Accepted);
  });
  about->trigger();
  EXPECT_EQ(version, QString::fromUtf8("Tavrix 버전 1.0"));
}

TEST_F(MainWindowTest, OnlyAnArpFlushThatRanToACleanExitIsReportedAsDone) {
  Open();
  const std::tuple<ProcessOutcome, const char*, QMessageBox::Icon> flushes[] = {
      {{true, false, 0, 0}, "Delete ARP table.", QMessageBox::Information},
      // Not permitted, say
      {{true, false, 2, 0}, "Failed to delete ARP table.", QMessageBox::Critical},
      // Killed at its deadline
      {{true, true, 0, 0}, "Failed to delete ARP table.", QMessageBox::Critical},
      {{false, false, -1, 2}, "Failed to execute CreateProcess().", QMessageBox::NoIcon},
      {{false, false, -1, EMFILE, true}, "Error", QMessageBox::NoIcon},  // no pipe for its output
  };
  for (const auto& [outcome, text, icon] : flushes) {
    runner->outcome = outcome;
    Click("deleteArpButton");
    EXPECT_EQ(prompts.messages().back().text, QString::fromLatin1(text));
    EXPECT_EQ(prompts.messages().back().icon, icon) << text;
  }
  EXPECT_EQ(runner->commands.back(), (std::vector<std::string>{"ip", "-s", "-s", "neigh", "flush", "all"}));
}

// Sort keys and exported texts are the table core's; the grid moves whole
// rows with boxes and colours. The window keeps the workers' ticks and the
// selection with the rows, leaves the numbers and exports in list order.
TEST_F(MainWindowTest, SortingKeepsTicksAndSelectionWithTheRowsAndExportFollowsTheList) {
  Open();
  Click("scanButton");
  Deliver({TestDevice(1, "192.168.0.9").withModel("A"), TestDevice(2, "192.168.0.10").withModel("B"),
           TestDevice(3, "192.168.0.2").withModel("C"),
           TestDevice(5, "192.168.0.2").withModel("E")});  // E collides with C
  ClickRow(2, Qt::NoModifier, 0);                          // tick C's box
  ClickRow(1);

  ClickHeader(3);
  EXPECT_EQ(Column(3), (Texts{"192.168.0.9", "192.168.0.2", "192.168.0.2", "192.168.0.10"}));
  EXPECT_EQ(Column(0), (Texts{"   1", "   2", "   3", "   4"}));
  for (int row = 0; row < 4; ++row) EXPECT_EQ(window->Inventory()->lock().IsTicked(row), row == RowOfMac(3)) << row;
  EXPECT_EQ(List().GetCurSel(), RowOfMac(0x02));
  EXPECT_EQ(LookOf(RowOfMac(0x02), 0), kWhiteOnBlue);
  EXPECT_EQ(window->SelectedDevice()->mac[5], 0x02);

  QFile file(QString::fromStdString(files.Write("")));
  prompts.queueFileName(file.fileName());
  MenuItem("Export list...")->trigger();
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  Texts rows;  // each exported line's number and model
  for (const QString& line : QString::fromUtf8(file.readAll()).split("\r\n")) rows.push_back(line.section(',', 0, 1));
  EXPECT_EQ(rows, (Texts{"No.,Model Name", "1,A", "2,C", "3,E", "4,B", ""})) << "nothing after the last line's end";

  // The header box of column 0 ticks every row, and workers see it.
  ClickHeader(0);
  for (int row = 0; row < 4; ++row) EXPECT_TRUE(window->Inventory()->lock().IsTicked(row)) << row;
}

TEST_F(MainWindowTest, AnExportThatCannotBeWrittenIsReported) {
  Open();
  // Under a file, not a directory
  prompts.queueFileName(QString::fromStdString(files.Write("")) + "/devices.csv");
  MenuItem("Export list...")->trigger();
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages().back().icon, QMessageBox::Critical);
  EXPECT_TRUE(prompts.messages().back().text.startsWith("Failed to export list.\n"));
}

TEST_F(MainWindowTest, EnterAndEscKeepTheWindowOnlyTheCloseBoxEndsIt) {
  CTavrixDlg& w = Open();
  QTimer::singleShot(0, [&] {
    List().setFocus();
    for (QWidget* target : std::initializer_list<QWidget*>{&w, &List()})
      for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) QTest::keyClick(target, key);
    EXPECT_TRUE(w.isVisible());
    w.close();  // the close box
  });
  EXPECT_EQ(w.exec(), QDialog::Accepted);
}

// Three listed devices: one with no web port, one by DHCP on web port 8080
// and one by PPPoE.
std::vector<DeviceInfo> ThreeDevices() {
  return {TestDevice(1, "10.0.0.1").withWebPort(0),
          TestDevice(2, "10.0.0.2").withWebPort(8080).withNetworkType(kNetworkDhcp),
          TestDevice(3, "10.0.0.3").withNetworkType(kNetworkPppoe)};
}

// A worker let go at its stop wait posts whenever it wakes, even during a
// later scan.
TEST_F(MainWindowTest, LateEventsOfAStoppedCycleChangeNothing) {
  Open();
  Click("scanButton");
  const DiscoveryCycle stopped = currentCycle;
  Click("clearButton");
  Click("scanButton");
  Deliver(ThreeDevices(), stopped);
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_EQ(window->GetState(), WindowState::kScanning);
  Deliver(ThreeDevices());
  EXPECT_EQ(List().GetItemCount(), 3);
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
}

// The window after a scan that listed ThreeDevices().
class ListedDevicesTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Open();
    Click("scanButton");
    Deliver(ThreeDevices());
    ASSERT_EQ(List().GetItemCount(), 3);
  }
  // Verifies device 1 and waits for its first search.
  void BeginVerification() {
    QSignalSpy cycles(window.get(), &CTavrixDlg::discoveryCycleStarted);
    window->BeginVerification(TestDevice(1).mac, inet_addr("10.0.0.9"));
    ASSERT_TRUE(PumpUntil([&] { return cycles.count() == 1; }));
  }
};

TEST_F(ListedDevicesTest, ThePanelAndTheMarkFollowTheSelectedRow) {
  ClickRow(2);
  EXPECT_TRUE(window->findChild<QRadioButton*>("pppoeRadio")->isChecked());
  EXPECT_EQ(TextsOf({"macEdit", "ipAddressEdit", "subnetMaskEdit", "gatewayEdit", "dnsServerEdit"}),
            (Texts{"00:1A:2B - 3C:4D:03", "10.0.0.3", "255.255.255.0", "10.0.0.1", "10.0.0.2"}));
  for (const char* name : {"staticRadio", "dhcpRadio", "ipAddressEdit", "dnsServerEdit", "applyButton"})
    EXPECT_TRUE(Enabled(name)) << name;
  EXPECT_FALSE(Enabled("pppoeRadio"));
  EXPECT_EQ(LookOf(2, 0), kWhiteOnBlue);
  ClickRow(1);
  EXPECT_TRUE(window->findChild<QRadioButton*>("dhcpRadio")->isChecked());
  EXPECT_EQ(LookOf(2, 0), "000000/FFFFFF");  // black on white
}

TEST_F(ListedDevicesTest, OfSeveralSelectedRowsThePanelShowsTheTopmost) {
  ClickRow(2);
  ClickRow(0, Qt::ControlModifier);
  EXPECT_EQ(TextsOf({"macEdit"}), Texts{"00:1A:2B - 3C:4D:01"});
}

TEST_F(ListedDevicesTest, ClickingAnEmptyPartDisablesThePanelAndLeavesItsValues) {
  ClickRow(0);
  QTest::mouseClick(List().viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, List().viewport()->height() - 5));
  EXPECT_FALSE(window->SelectedDevice());
  EXPECT_FALSE(Enabled("applyButton"));
  EXPECT_EQ(TextsOf({"macEdit"}), Texts{"00:1A:2B - 3C:4D:01"});
}

TEST_F(ListedDevicesTest, ADoubleClickedRowOpensItsWebPage) {
  for (int row = 0; row < 3; ++row)
    QTest::mouseDClick(List().viewport(), Qt::LeftButton, Qt::NoModifier, CellPoint(row, 2));
  EXPECT_EQ(openedUrls, (Texts{"http://10.0.0.1", "http://10.0.0.2:8080", "http://10.0.0.3:80"}));
}

TEST_F(ListedDevicesTest, TheRowMenuOpensTheWebPageAndOffersNoMonitoring) {
  ClickRow(1);
  QContextMenuEvent event(QContextMenuEvent::Mouse, CellPoint(1, 2), List().viewport()->mapToGlobal(CellPoint(1, 2)));
  QApplication::sendEvent(List().viewport(), &event);
  QMenu* menu = window->findChild<QMenu*>("deviceMenu");
  ASSERT_TRUE(menu && menu->actions().size() == 2);
  EXPECT_FALSE(menu->actions()[0]->isEnabled()) << "Monitoring";
  menu->actions()[1]->trigger();
  EXPECT_EQ(openedUrls, Texts{"http://10.0.0.2:8080"});
  menu->close();
}

TEST_F(ListedDevicesTest, AVerificationSearchesAtOnceThenEveryRescanPeriod) {
  QSignalSpy rescans(window.get(), &CTavrixDlg::rescanScheduled);
  BeginVerification();
  EXPECT_EQ(QList<QVariantList>(rescans), (QList<QVariantList>{{0}, {CTavrixDlg::kRescanPeriodMs}}));
}

// A box opened by a fault runs the re-scan timer, so a cycle that faults
// every time would otherwise stack one box on another.
TEST_F(ListedDevicesTest, AFaultOfEveryRescanIsSaidOnce) {
  BeginVerification();
  WorkerEvent fault(WorkerFault{QString::fromLatin1(kDiscoveryFaultText)}, currentCycle);
  for (int cycle = 0; cycle < 2; ++cycle) QApplication::sendEvent(window.get(), &fault);
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text, "[ERROR] EncpThreadProc : EncpThreadProcRun");
}

TEST_F(MainWindowTest, APcWithOnlyLoopbackHasNoAdapterAndTheProgramEnds) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  tavrix::lab::Lab lab;
  ASSERT_TRUE(lab.ok()) << lab.error();
  tavrix::lab::ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  CTavrixDlg w;  // defaults throughout; it never gets to search
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text, "No Network Adapters Found on System.");
  EXPECT_EQ(prompts.messages()[0].icon, QMessageBox::Critical);
  EXPECT_EQ(w.exec(), QDialog::Rejected);
}

// A fleet on loopback. A batch started during a scan takes its port. When
// no device accepted, the window re-scans, and ignores "Apply", until
// "Clear", which also puts the tally away. A range gives twelve ticked
// devices its addresses in list order, passing over the one an unticked
// device holds, each verified there. "Clear" during a scan stops it.
TEST_F(MainWindowTest, ScanABatchThatMovesNothingAndARangeOnALoopbackFleet) {
  constexpr int kTicked = 12;  // devices 1..12; device 13 holds 127.0.60.5
  std::string fleet = FleetLine(kTicked + 1, "127.0.60.5");
  for (int i = 1; i <= kTicked; ++i) fleet += FleetLine(i, "127.0.51." + std::to_string(i));
  ASSERT_TRUE(sim.Start({"--fleet", files.Write(fleet), "--move-delay", "0", "--port", "0"})) << sim.error();
  Open(Loopback(FreeLoopbackPort(), sim.port()));
  Click("scanButton");
  ASSERT_TRUE(ScanToTheEnd()) << "a second press during the scan is ignored";
  ASSERT_EQ(List().GetItemCount(), kTicked + 1);
  for (int i : {1, 2}) List().SetCheckbox(RowOfMac(i), 0, CellCheck::kChecked);
  Click("scanButton");
  ASSERT_EQ(window->GetState(), WindowState::kScanning);
  QueueBatchAnswers(files.Write(ListLine(1, "127.0.55.1", "255.0.255.0") + ListLine(2, "127.0.55.2", "255.0.255.0")));
  Click("nvtSettingButton");
  ASSERT_TRUE(PumpUntil([&] { return !window->IsBatchRunning(); }, 30000));
  EXPECT_TRUE(rescanPending);
  // Sent and answered: the scan's cycle gave the batch the port.
  EXPECT_EQ(Progress()->text(), "NVT setting ended\n2 sent, 0 accepted, 2 refused, 0 no answer, 0 verified");
  for (int device : {1, 2}) EXPECT_EQ(StateOf(device), kRefusedBySettings) << device;
  FillPanel(1, "127.0.53.1", "255.255.0.0");
  Click("applyButton");
  EXPECT_EQ(prompts.messages().size(), 1u) << "the batch's confirmation only";
  Click("clearButton");
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
  EXPECT_FALSE(rescanPending);
  EXPECT_FALSE(Progress()->isVisible());

  ASSERT_TRUE(ScanToTheEnd());
  for (int i = 1; i <= kTicked; ++i) List().SetCheckbox(RowOfMac(i), 0, CellCheck::kChecked);
  QueueRangeAnswers({"127.0.60.1", "127.0.60.254", "255.255.0.0", "127.0.0.1", "127.0.0.1"});
  Click("nvtSettingButton");
  ASSERT_TRUE(WaitForIdle()) << "still awaited: " << window->Inventory()->lock().awaited().size();
  // The plan follows the list, not the MACs
  for (int row = 0, planned = 0; row <= kTicked; ++row) {
    const bool holder = row == RowOfMac(kTicked + 1);
    planned += holder ? 0 : planned == 4 ? 2 : 1;
    EXPECT_EQ(Cell(row, 3), holder ? "127.0.60.5" : QString::asprintf("127.0.60.%d", planned)) << row;
    EXPECT_EQ(Cell(row, 6), holder ? "" : kChanged) << row;
  }
  EXPECT_EQ(Progress()->text(), "NVT setting ended\n12 sent, 12 accepted, 0 refused, 0 no answer, 12 verified");
  ClickRow(1);
  // To look at
  EXPECT_TRUE(window->grab().save(qEnvironmentVariable("TAVRIX_BUILD_DIR") + "/tavrix_window.png"));

  Click("scanButton");
  Click("clearButton");
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_EQ(window->Inventory()->lock().table().GetCount(), 0);
}

// A PC with two interfaces on one LAN hears every broadcast answer twice,
// and devices hear a request twice if it leaves through both. There a batch
// from a file meets a device that accepts late, one that refuses, one that
// never answers a change, an all-zero MAC without a line and one unticked;
// devices answer from their old address for five seconds after accepting.
// Each ticked device with a line gets one request; only accepting ones verify.
TEST_F(MainWindowTest, BatchAndApplyOnATwoInterfaceLanCreditEveryAnswerToItsSender) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  constexpr int kLast = 13;  // devices 1..13, the last unticked; 0 is the all-zero MAC
  tavrix::lab::Lab lab;
  std::string error;
  const tavrix::lab::DeviceNetwork* network = lab.AddDeviceNetwork(&error, 2);
  ASSERT_NE(network, nullptr) << error;
  const std::string prefix = network->firstDeviceAddress.substr(0, network->firstDeviceAddress.rfind(".1.1"));
  std::string fleet = "00:00:00:00:00:00" + FleetLine(0, prefix + ".1.1").substr(17);
  std::string lines;
  for (int i = 1; i <= kLast; ++i) {
    const char* flags = i == 1 ? "late-answer" : i == 2 ? "refuse" : i == 3 ? "ignore-changes" : "";
    fleet += FleetLine(i, prefix + ".1." + std::to_string(i + 1), flags);
    lines += ListLine(i, prefix + ".2." + std::to_string(i + 1));
  }
  const std::string requestLog = files.Write("");
  ASSERT_TRUE(sim.Start({"--broadcast", network->deviceInterface, "--fleet", files.Write(fleet), "--move-delay", "5000",
                         "--request-log", requestLog},
                        network->devices->name()))
      << sim.error();
  const auto changeRequests = [&] {
    std::map<std::string, int> perMac;
    std::ifstream log(requestLog);
    for (std::string word; log >> word;)
      if (word.size() == 17) ++perMac[word];  // only a change names a MAC
    return perMac;
  };

  tavrix::lab::ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  Open(EncpEndpointSettings{}, true);
  ASSERT_TRUE(ScanToTheEnd());
  ASSERT_EQ(List().GetItemCount(), kLast + 1) << "each device listed once, though heard twice";
  for (int i = 0; i < kLast; ++i) List().SetCheckbox(RowOfMac(i), 0, CellCheck::kChecked);  // tick
  QueueBatchAnswers(files.Write(lines));
  Click("nvtSettingButton");
  ASSERT_EQ(window->GetState(), WindowState::kBatch);

  // While the run goes on: its progress, and sorting stays available (the
  // run follows its devices by MAC).
  ASSERT_TRUE(PumpUntil([&] { return Progress()->text().startsWith("NVT setting in progress\n"); }))
      << Progress()->text().toStdString();
  EXPECT_TRUE(Progress()->text().contains(" / 12 sent, ")) << Progress()->text().toStdString();
  EXPECT_TRUE(window->grab().save(qEnvironmentVariable("TAVRIX_BUILD_DIR") + "/tavrix_window_batch.png"));
  ClickHeader(3);
  ASSERT_EQ(RowOfMac(0), kLast) << "descending by address";
  ASSERT_TRUE(PumpUntil([&] { return StateOf(4) == "Checking ip address ..."; }, 60000));
  EXPECT_EQ(LookOf(RowOfMac(4), 6), "000000/FFFF00");  // black on yellow, while it moves
  ASSERT_TRUE(PumpUntil([&] { return !window->IsBatchRunning(); }, 60000));

  ASSERT_TRUE(WaitForIdle()) << "still awaited: " << window->Inventory()->lock().awaited().size();
  for (int i = 0; i <= kLast; ++i) {
    const bool accepts = i == 1 || (i >= 4 && i < kLast);
    EXPECT_EQ(StateOf(i), accepts ? kChanged : i == 2 ? kRefusedBySettings : i == 3 ? kNoAnswer : "") << i;
    EXPECT_EQ(AddressOf(i), QString::asprintf("%s.%d.%d", prefix.c_str(), accepts ? 2 : 1, i + 1)) << i;
  }
  EXPECT_EQ(LookOf(RowOfMac(1), 6), "000000/00FF00");  // black on green
  EXPECT_EQ(LookOf(RowOfMac(3), 6), "000000/FFA500");  // black on orange
  EXPECT_FALSE(rescanPending);
  EXPECT_EQ(Progress()->text(), "NVT setting ended\n12 sent, 10 accepted, 1 refused, 1 no answer, 10 verified")
      << "the late answer replaced its \"no answer\"";
  auto requests = changeRequests();
  EXPECT_EQ(requests.size(), static_cast<size_t>(kLast - 1)) << "nothing for the all-zero MAC or the unticked device";
  // Still at its old settings after its wait, the late answerer was asked
  // again, the silent one twice more.
  for (const auto& [mac, count] : requests) {
    EXPECT_EQ(count, mac == "00:1A:2B:00:05:01" ? 2 : mac == "00:1A:2B:00:05:03" ? 3 : 1) << mac;
  }

  // "Apply" straight after the verification (whose cycle may still hold the
  // port), from a panel showing what the device took: refused settings leave
  // it idle with the error box; accepted ones are checked until it answers.
  ClickRow(RowOfMac(4));
  EXPECT_EQ(TextsOf({"ipAddressEdit"}), Texts{QString::fromStdString(prefix + ".2.5")});
  FillPanel(4, prefix + ".3.5", "255.0.255.0");
  QueueApplyAnswers(prompts);
  Click("applyButton");
  EXPECT_EQ(prompts.messages().back().text, kApplyConfigErrorText);
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
  FillPanel(4, prefix + ".3.5", "255.255.0.0");
  QueueApplyAnswers(prompts);
  Click("applyButton");
  ASSERT_EQ(window->GetState(), WindowState::kVerifying) << "the answer reached the window's endpoint";
  EXPECT_EQ(changeRequests()["00:1A:2B:00:05:04"], 3) << "each change sent once";
  ASSERT_TRUE(WaitForIdle());
  EXPECT_EQ(AddressOf(4), QString::fromStdString(prefix + ".3.5"));
  window.reset();
}

// A PC on two separate LANs, five devices each; LAN B's simulator logs every
// request. With pc1 chosen the panel shows its settings, a scan lists LAN A
// only (a row's tool tip names the adapter) and a range batch over the whole
// list moves LAN A's devices alone; another choice empties the list.
TEST_F(MainWindowTest, TheChosenAdapterKeepsTheListAndABatchToItsLan) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  tavrix::lab::Lab lab;
  tavrix::lab::SimProcess lanB;
  const std::string lanBLog = files.Write("");
  std::string error;
  for (int k = 0; k < 2; ++k) {
    const tavrix::lab::DeviceNetwork* network = lab.AddDeviceNetwork(&error);
    ASSERT_NE(network, nullptr) << error;
    std::vector<std::string> args = {"--broadcast",  network->deviceInterface,
                                     "--count",      "5",
                                     "--first-ip",   network->firstDeviceAddress,
                                     "--mask",       "255.255.0.0",
                                     "--move-delay", "50",
                                     "--mac-base",   k == 0 ? "00:1A:2B:00:05:00" : "00:1A:2C:00:05:00"};
    if (k == 1) args.insert(args.end(), {"--request-log", lanBLog});
    ASSERT_TRUE((k == 0 ? sim : lanB).Start(args, network->devices->name())) << sim.error() << lanB.error();
  }
  tavrix::lab::ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  Open(EncpEndpointSettings{}, true);
  auto* choice = window->findChild<QComboBox*>("adapterCombo");
  Texts items;
  for (int i = 0; i < choice->count(); ++i) items.push_back(choice->itemText(i));
  EXPECT_EQ(items, (Texts{"All adapters", "pc1 (10.61.0.1)", "pc2 (10.62.0.1)"}));
  choice->setCurrentIndex(1);
  EXPECT_EQ(TextsOf({"localIpLabel", "localMaskLabel"}), (Texts{"10.61.0.1", "255.255.0.0"}));

  ASSERT_TRUE(ScanToTheEnd());
  ASSERT_EQ(List().GetItemCount(), 5);
  for (int row = 0; row < 5; ++row) {
    EXPECT_TRUE(Cell(row, 3).startsWith("10.61.1.")) << row;
    List().SetCheckbox(row, 0, CellCheck::kChecked);
  }
  QHelpEvent help(QEvent::ToolTip, CellPoint(0, 3), List().viewport()->mapToGlobal(CellPoint(0, 3)));
  QApplication::sendEvent(List().viewport(), &help);
  EXPECT_EQ(QToolTip::text(), "Adapter: pc1");
  QueueRangeAnswers({"10.61.4.1", "10.61.4.50", "255.255.0.0", "10.61.0.1", "10.61.0.1"});
  Click("nvtSettingButton");
  ASSERT_TRUE(WaitForIdle()) << "still awaited: " << window->Inventory()->lock().awaited().size();
  EXPECT_EQ(Progress()->text(), "NVT setting ended\n5 sent, 5 accepted, 0 refused, 0 no answer, 5 verified");
  for (int row = 0; row < 5; ++row) EXPECT_TRUE(Cell(row, 3).startsWith("10.61.4.")) << row;
  std::ifstream log(lanBLog);
  EXPECT_EQ(log.peek(), std::ifstream::traits_type::eof()) << "neither a search nor a change reached LAN B";

  choice->setCurrentIndex(0);
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_EQ(window->Inventory()->lock().table().GetCount(), 0);
  window.reset();
}

}  // namespace
