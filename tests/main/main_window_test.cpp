// The main window driven as the operator and the workers drive it: clicks on
// its buttons, list and header, and the events workers post. Cycles search a
// silent loopback port, so the only devices are the ones a test delivers.
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cerrno>
#include <tuple>

#include "tests/main/window_fixture.h"

namespace {

using Texts = std::vector<QString>;

class MainWindowTest : public WindowTest {
 protected:
  // Lists `devices` through one scan, then ends it.
  void Fill(const std::vector<DeviceInfo>& devices) {
    StartScan();
    for (const DeviceInfo& device : devices) Deliver(device);
    DeliverEnded();
    ASSERT_EQ(window->GetState(), WindowState::kIdle);
  }

  QString Cell(int row, int column) { return List().GetItemText(row, column); }
  Texts Column(int column) {
    Texts texts;
    for (int row = 0; row < List().GetItemCount(); ++row) texts.push_back(Cell(row, column));
    return texts;
  }
  // The texts of labels and edit boxes of the window.
  Texts TextsOf(std::initializer_list<const char*> names) {
    Texts texts;
    for (const char* name : names) texts.push_back(window->findChild<QWidget*>(name)->property("text").toString());
    return texts;
  }
  bool Enabled(const char* name) { return window->findChild<QWidget*>(name)->isEnabled(); }

  QPoint BelowTheRows() { return QPoint(20, List().viewport()->height() - 5); }
  void ContextMenuOn(int row) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, CellPoint(row, 2),
                            List().viewport()->mapToGlobal(CellPoint(row, 2)));
    QApplication::sendEvent(List().viewport(), &event);
  }
};

TEST_F(MainWindowTest, StartUpLaysOutColumnsAndPanels) {
  CTavrixDlg& w = Open();
  EXPECT_EQ(w.windowTitle(), "Tavrix");
  EXPECT_EQ(w.minimumSize(), w.maximumSize());
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
  EXPECT_TRUE(prompts.messages().empty());

  // The menu bar pushed every control down: all still inside the window.
  for (QWidget* child : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    EXPECT_TRUE(!child->isVisible() || w.rect().contains(child->geometry())) << child->objectName().toStdString();
  EXPECT_LT(List().geometry().right(), w.findChild<QWidget*>("nvtNetworkGroup")->geometry().left());
  EXPECT_EQ(window->SetState(4), -1) << "no such state";
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
}

// A worker let go at its stop wait posts whenever it wakes, even during a
// later scan.
TEST_F(MainWindowTest, AStoppedCyclesLateEventsChangeNothing) {
  Open();
  StartScan();
  const DiscoveryCycle stopped = window->CurrentDiscoveryCycle();
  Click("clearButton");
  StartScan();
  Deliver(MakeDevice(0x01, "10.0.0.1"), stopped);
  DeliverEnded(stopped);
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_EQ(window->GetState(), WindowState::kScanning);
  DeliverEnded();
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
}

// A verification searches at once, then every 3000 ms. A box opened
// meanwhile runs the re-scan timer, so a cycle that faults every time would
// otherwise stack one box on another.
TEST_F(MainWindowTest, AVerificationReScansAtOnceThenPeriodicallyAndSaysAFaultOnce) {
  Open();
  Fill({MakeDevice(0x01, "10.0.0.1")});
  window->BeginVerification(MakeDevice(0x01, "").mac, inet_addr("10.0.0.9"));
  EXPECT_EQ(window->RescanTimerInterval(), 0);
  ASSERT_TRUE(PumpUntil([&] { return window->IsDiscoveryWorkerRecorded(); }));
  EXPECT_TRUE(window->IsRescanTimerActive());
  EXPECT_EQ(window->RescanTimerInterval(), CTavrixDlg::kRescanPeriodMs);
  for (int cycle = 0; cycle < 2; ++cycle) {
    WorkerFaultEvent fault(QString::fromLatin1(kDiscoveryFaultText), WorkerFaultKind::kFault,
                           window->CurrentDiscoveryCycle());
    QApplication::sendEvent(window.get(), &fault);
  }
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text, "[ERROR] EncpThreadProc : EncpThreadProcRun");
}

TEST_F(MainWindowTest, SelectionFillsThePanelAndOpensWebPages) {
  Open();
  std::vector<DeviceInfo> devices = {MakeDevice(0x01, "10.0.0.1", "A", 0), MakeDevice(0x02, "10.0.0.2", "B", 8080),
                                     MakeDevice(0x03, "10.0.0.3", "C", 80)};
  devices[1].networkType = 0;  // DHCP
  devices[2].networkType = 2;  // PPPoE
  Fill(devices);

  // No selected row: no menu, no page.
  ContextMenuOn(0);
  EXPECT_EQ(window->findChild<QMenu*>("deviceMenu"), nullptr);
  QTest::mouseDClick(List().viewport(), Qt::LeftButton, Qt::NoModifier, BelowTheRows());
  EXPECT_TRUE(openedUrls.empty());

  ClickRow(2);
  EXPECT_TRUE(window->findChild<QRadioButton*>("pppoeRadio")->isChecked());
  EXPECT_EQ(TextsOf({"macEdit", "ipAddressEdit", "subnetMaskEdit", "gatewayEdit", "dnsServerEdit"}),
            (Texts{"00:1A:2B - 3C:4D:03", "10.0.0.3", "255.255.255.0", "10.0.0.1", "10.0.0.2"}));
  for (const char* name : {"staticRadio", "dhcpRadio", "ipAddressEdit", "dnsServerEdit", "applyButton"})
    EXPECT_TRUE(Enabled(name)) << name;
  EXPECT_FALSE(Enabled("pppoeRadio"));
  EXPECT_EQ(LookOf(List(), 2, 0), kWhiteOnBlue);
  ClickRow(1);
  EXPECT_TRUE(window->findChild<QRadioButton*>("dhcpRadio")->isChecked());
  EXPECT_EQ(LookOf(List(), 2, 0), kBlackOnWhite);

  // Several rows selected: the topmost one is shown, whichever was clicked.
  ClickRow(2);
  ClickRow(0, Qt::ControlModifier);
  EXPECT_EQ(TextsOf({"macEdit"}), Texts{"00:1A:2B - 3C:4D:01"});

  // An empty part of the list: panel disabled, values and mark left as they are.
  QTest::mouseClick(List().viewport(), Qt::LeftButton, Qt::NoModifier, BelowTheRows());
  EXPECT_FALSE(window->SelectedDevice());
  EXPECT_FALSE(Enabled("applyButton"));
  EXPECT_EQ(TextsOf({"macEdit"}), Texts{"00:1A:2B - 3C:4D:01"});

  for (int row = 0; row < 3; ++row)
    QTest::mouseDClick(List().viewport(), Qt::LeftButton, Qt::NoModifier, CellPoint(row, 2));
  EXPECT_EQ(openedUrls, (Texts{"http://10.0.0.1", "http://10.0.0.2:8080", "http://10.0.0.3:80"}));
  ClickRow(1);
  ContextMenuOn(1);
  QMenu* menu = window->findChild<QMenu*>("deviceMenu");
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 2);
  EXPECT_FALSE(menu->actions()[0]->isEnabled()) << "Monitoring";
  menu->actions()[1]->trigger();
  EXPECT_EQ(openedUrls.back(), "http://10.0.0.2:8080");
  menu->close();
}

// Sort keys and directions are the table core's; the window moves whole
// rows (ticks, colours, the selection) but leaves the numbers in place.
TEST_F(MainWindowTest, SortMovesTicksColoursAndTheSelectionButNotTheNumbers) {
  Open();
  Fill({MakeDevice(0x01, "192.168.0.9", "A"), MakeDevice(0x02, "192.168.0.10", "B"),
        MakeDevice(0x03, "192.168.0.2", "C"), MakeDevice(0x05, "192.168.0.2", "E")});  // E collides with C
  ClickRow(2, Qt::NoModifier, 0);                                                      // tick C's box
  ClickRow(1);

  ClickHeader(3);
  EXPECT_EQ(Column(3), (Texts{"192.168.0.9", "192.168.0.2", "192.168.0.2", "192.168.0.10"}));
  EXPECT_EQ(Column(0), (Texts{"   1", "   2", "   3", "   4"}));
  const int rowC = RowOfMac(0x03);
  EXPECT_EQ(LookOf(List(), rowC, 6), kWhiteOnRed);
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(window->Inventory()->lock().IsTicked(row), row == rowC) << row;
    EXPECT_EQ(List().GetCheckbox(row, 0), row == rowC ? 1 : 0) << row;
  }
  EXPECT_EQ(List().GetCurSel(), RowOfMac(0x02));
  EXPECT_EQ(LookOf(List(), RowOfMac(0x02), 0), kWhiteOnBlue);
  EXPECT_EQ(window->SelectedDevice()->mac[5], 0x02);

  // The header box of column 0 ticks every row, and workers see it.
  ClickHeader(0);
  for (int row = 0; row < 4; ++row) EXPECT_TRUE(window->Inventory()->lock().IsTicked(row)) << row;
}

TEST_F(MainWindowTest, EnterAndEscKeepTheWindowOnlyTheCloseBoxEndsIt) {
  CTavrixDlg& w = Open();
  Fill({MakeDevice(0x01, "10.0.0.1")});
  bool stillOpenAfterKeys = false;
  QTimer::singleShot(0, [&] {
    List().setFocus();
    for (QWidget* target : {static_cast<QWidget*>(&w), static_cast<QWidget*>(&List())}) {
      for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) QTest::keyClick(target, key);
    }
    stillOpenAfterKeys = w.isVisible() && List().GetItemCount() == 1;
    w.close();  // the close box
  });
  EXPECT_EQ(w.exec(), QDialog::Accepted);
  EXPECT_TRUE(stillOpenAfterKeys);
  EXPECT_FALSE(w.isVisible());
}

TEST_F(MainWindowTest, ExportListWritesTheRowsInListOrderAndReportsAFailedWrite) {
  CTavrixDlg& w = Open();
  Fill({MakeDevice(0x01, "10.0.0.1", "B, \"cam\""), MakeDevice(0x02, "10.0.0.2", "A"),
        MakeDevice(0x03, "10.0.0.1", "C", 0)});
  ClickHeader(kColumnModel);  // descending: C, B, A
  QAction* exportList = nullptr;
  for (QAction* item : w.findChild<QMenuBar*>("menuBar")->actions().front()->menu()->actions())
    if (item->text() == "Export list...") exportList = item;
  ASSERT_NE(exportList, nullptr);
  EXPECT_TRUE(w.actions().contains(exportList));

  QTemporaryDir directory;
  prompts.queueSaveFileName(directory.filePath("devices.csv"));
  exportList->trigger();
  QFile file(directory.filePath("devices.csv"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
  const QString rest = ",255.255.255.0,10.0.0.1,10.0.0.2,Static,";
  EXPECT_EQ(lines.mid(1),
            (QStringList{"1,C,00:1A:2B - 3C:4D:03,10.0.0.1,-,4000 / 4001,IP address collision" + rest,
                         "2,\"B, \"\"cam\"\"\",00:1A:2B - 3C:4D:01,10.0.0.1,80,4000 / 4001,IP address collision" + rest,
                         "3,A,00:1A:2B - 3C:4D:02,10.0.0.2,80,4000 / 4001," + rest, ""}));

  prompts.queueSaveFileName(directory.filePath("no such directory/devices.csv"));
  exportList->trigger();
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages().back().icon, QMessageBox::Critical);
  EXPECT_TRUE(prompts.messages().back().text.startsWith("Failed to export list.\n"));
}

TEST_F(MainWindowTest, AboutBoxAndArpFlushReachTheOperator) {
  CTavrixDlg& w = Open();
  QAction* about = nullptr;
  for (QAction* top : w.findChild<QMenuBar*>("menuBar")->actions())
    for (QAction* item : top->menu()->actions())
      if (item->text() == QString::fromUtf8("Tavrix 정보(&A)...")) about = item;
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(w.actions().contains(about));  // also on the window's background menu
  QString line;
  prompts.queueDialogScript([&](QDialog& dialog) {
    line = dialog.findChild<QLabel*>("versionLabel")->text();
    return int(QDialog::Accepted);
  });
  about->trigger();
  EXPECT_EQ(line, QString::fromUtf8("Tavrix 버전 1.0"));

  // Only a flush that ran to a clean exit is reported as done.
  const std::tuple<ProcessOutcome, const char*, QMessageBox::Icon> flushes[] = {
      {{true, false, 0, 0}, "Delete ARP table.", QMessageBox::Information},
      {{true, false, 2, 0}, "Failed to delete ARP table.", QMessageBox::Critical},  // not permitted, say
      {{true, true, 0, 0}, "Failed to delete ARP table.", QMessageBox::Critical},   // killed at its deadline
      {{false, false, -1, 2}, "Failed to execute CreateProcess().", QMessageBox::NoIcon},
      {{false, false, -1, EMFILE, true}, "Error", QMessageBox::NoIcon},  // no pipe for its output
  };
  for (const auto& [outcome, text, icon] : flushes) {
    runner->outcome = outcome;
    Click("deleteArpButton");
    EXPECT_EQ(prompts.messages().back().text, QString::fromLatin1(text));
    EXPECT_EQ(prompts.messages().back().icon, icon) << text;
  }
  EXPECT_EQ(prompts.messages().size(), 5u);
  EXPECT_EQ(runner->commands.back(), (std::vector<std::string>{"ip", "-s", "-s", "neigh", "flush", "all"}));
}

}  // namespace
