// The main window driven as the operator and the workers drive it: clicks on
// its buttons, list and header, and the events workers post. Cycles search a
// silent loopback port, so the only devices are the ones a test delivers.
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QStyle>

#include "tests/main/window_fixture.h"
#include "ui/common/ip_address_edit.h"
#include "ui/main/about_box.h"
#include "ui/main/column_layout.h"
#include "ui/main/device_actions.h"

namespace {

class MainWindowTest : public WindowTest {
 protected:
  // Lists `devices` through one scan, then ends it.
  void Fill(const std::vector<DeviceInfo>& devices) {
    StartScan();
    for (const DeviceInfo& device : devices) Deliver(device);
    DeliverType(WM_DISCOVERY_ENDED);
    ASSERT_EQ(window->GetState(), kStateIdle);
  }

  QString Cell(int row, int column) { return List().GetItemText(row, column); }

  template <typename T>
  T* Control(const char* name) {
    return window->findChild<T*>(name);
  }

  bool Enabled(const char* name) { return window->findChild<QWidget*>(name)->isEnabled(); }

  int Changed() { return window->Inventory()->lock().changed().GetCount(); }
};

TEST(ColumnLayoutTest, WeightsShareTheListWidthLessScrollBar) {
  const auto widths = DeviceColumnWidths(644, 17);
  EXPECT_EQ(std::vector<int>(widths.begin(), widths.end()), (std::vector<int>{58, 78, 107, 87, 58, 97, 146}));
  // A list too narrow for anything gives no negative widths.
  for (int width : DeviceColumnWidths(10, 17)) EXPECT_LE(width, 0);
}

TEST_F(MainWindowTest, StartUpLaysOutColumnsPanelsAndIdleState) {
  CTavrixDlg& w = Open();
  EXPECT_EQ(w.windowTitle(), "Tavrix");
  EXPECT_EQ(w.minimumSize(), w.maximumSize());
  EXPECT_EQ(w.GetState(), kStateIdle);
  EXPECT_EQ(List().GetItemCount(), 0);

  const int scrollBar = List().style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &List());
  const auto widths = DeviceColumnWidths(List().width(), scrollBar);
  ASSERT_EQ(List().GetColumns(), 7);
  for (int column = 0; column < 7; ++column) {
    EXPECT_EQ(List().model()->headerData(column, Qt::Horizontal).toString(), kDeviceColumnTitles[column]);
    EXPECT_EQ(List().columnWidth(column), widths[column]) << column;
    EXPECT_EQ(List().GetHeaderCheckedState(column), column == 0 ? 1 : 0);
    EXPECT_TRUE(List().model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignLeft);
  }

  // The first adapter's first address entry, gateway and DNS server.
  EXPECT_EQ(Control<QLabel>("localIpLabel")->text(), "192.168.0.5");
  EXPECT_EQ(Control<QLabel>("localMaskLabel")->text(), "255.255.255.0");
  EXPECT_EQ(Control<QLabel>("localGatewayLabel")->text(), "192.168.0.1");
  EXPECT_EQ(Control<QLabel>("localDnsLabel")->text(), "192.168.0.2");

  for (const char* name : {"staticRadio", "dhcpRadio", "pppoeRadio", "ipAddressEdit", "subnetMaskEdit", "gatewayEdit",
                           "dnsServerEdit", "applyButton", "firmwareUpdateButton"})
    EXPECT_FALSE(Enabled(name)) << name;
  EXPECT_TRUE(Enabled("macEdit"));
  EXPECT_TRUE(Control<QLineEdit>("macEdit")->isReadOnly());
  EXPECT_FALSE(Button("okButton")->isVisible());
  EXPECT_FALSE(Button("cancelButton")->isVisible());
  EXPECT_FALSE(w.IsClosedAtStart());

  // Every control lies inside the window, and the list left of the panels.
  for (QWidget* child : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->isVisible()) {
      EXPECT_TRUE(w.rect().contains(child->geometry())) << child->objectName().toStdString();
    }
  }
  EXPECT_LT(List().geometry().right(), Control<QWidget>("nvtNetworkGroup")->geometry().left());
  EXPECT_TRUE(prompts.messages().empty());
}

TEST_F(MainWindowTest, WithoutAdapterTheWindowSaysSoAndEnds) {
  WindowTestApp();
  MainWindowSeams seams;
  seams.readAdapters = [] { return std::vector<AdapterInfo>{}; };
  CTavrixDlg w(SilentLoopback(), seams);
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text, "No Network Adapters Found on System.");
  EXPECT_EQ(prompts.messages()[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(w.IsClosedAtStart());
  EXPECT_EQ(w.exec(), QDialog::Rejected);  // returns at once, never shown
  EXPECT_FALSE(w.isVisible());
}

TEST_F(MainWindowTest, ScanningListsNewDevicesMarksCollisionsAndDropsTheRest) {
  Open();
  Deliver(MakeDevice(0x01, "10.0.0.1"));  // idle: dropped
  EXPECT_EQ(List().GetItemCount(), 0);

  StartScan();
  Deliver(MakeDevice(0x01, "10.0.0.1", "NVT-100", 0, 4000, 0, 5000));
  Deliver(MakeDevice(0x01, "10.0.0.99", "renamed"));  // listed already: not refreshed
  Deliver(MakeDevice(0x02, "10.0.0.2", "NVT-200", 8080, 4000, 4001, 0));
  Deliver(MakeDevice(0x03, "10.0.0.1", "NVT-300", 80, 4000, 4001, 4002));  // collides with row 0
  Deliver(MakeDevice(0x04, "10.0.0.1", "NVT-400", 80, 0, 4001, 4002));     // third: marks itself and row 0
  Click("scanButton");  // a second press while scanning does nothing
  EXPECT_EQ(window->GetState(), kStateScanning);

  ASSERT_EQ(List().GetItemCount(), 4);
  const std::vector<QString> row0 = {"   1", "NVT-100", "00:1A:2B - 3C:4D:01", "10.0.0.1", "-", "4000", ""};
  const std::vector<QString> row1 = {"   2", "NVT-200", "00:1A:2B - 3C:4D:02", "10.0.0.2", "8080", "4000 / 4001", ""};
  for (int column = 0; column < 6; ++column) {
    EXPECT_EQ(Cell(0, column), row0[column]) << column;
    EXPECT_EQ(Cell(1, column), row1[column]) << column;
  }
  EXPECT_EQ(Cell(2, 5), "4000 / 4001 / 4002");
  EXPECT_EQ(Cell(3, 5), "-");
  EXPECT_EQ(List().GetCheckbox(3, 0), 0);
  for (int row : {0, 2, 3}) {
    EXPECT_EQ(Cell(row, 6), "IP address collision") << row;
    EXPECT_EQ(LookOf(List(), row, 3), kWhiteOnRed) << row;
    EXPECT_EQ(LookOf(List(), row, 6), kWhiteOnRed) << row;
  }
  EXPECT_EQ(Cell(1, 6), "");
  EXPECT_EQ(LookOf(List(), 1, 3), kDefaultLook);

  DeliverType(WM_DISCOVERY_ENDED);
  EXPECT_EQ(window->GetState(), kStateIdle);
  EXPECT_FALSE(window->IsDiscoveryWorkerRecorded());
  Deliver(MakeDevice(0x05, "10.0.0.5"));  // after the scan: dropped
  EXPECT_EQ(List().GetItemCount(), 4);
  EXPECT_EQ(window->Inventory()->lock().table().GetCount(), 4);
}

TEST_F(MainWindowTest, AStoppedScansLateEndDoesNotCutTheNextScanShort) {
  Open();
  StartScan();
  Deliver(MakeDevice(0x01, "10.0.0.1"));
  Click("clearButton");  // stops the worker, whose "ended" is now queued
  EXPECT_EQ(window->GetState(), kStateIdle);
  EXPECT_EQ(List().GetItemCount(), 0);
  Deliver(MakeDevice(0x02, "10.0.0.2"));  // a record of the stopped search
  EXPECT_EQ(List().GetItemCount(), 0);

  StartScan();
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_EQ(window->GetState(), kStateScanning);
  // The new scan ends with its own cycle.
  EXPECT_TRUE(PumpUntil([&] { return window->GetState() == kStateIdle; }));
}

TEST_F(MainWindowTest, VerifyingOneChangeWaitsForThatDeviceOnly) {
  Open();
  Fill({MakeDevice(0x01, "10.0.0.1"), MakeDevice(0x02, "10.0.0.2"), MakeDevice(0x03, "10.0.0.3")});
  const DeviceInfo first = MakeDevice(0x01, "10.0.0.1");

  window->BeginVerification(first.mac);
  EXPECT_EQ(window->GetState(), kStateVerifying);
  EXPECT_TRUE(window->IsRescanTimerActive());
  EXPECT_EQ(Cell(0, 6), "Checking ip address ...");
  EXPECT_EQ(LookOf(List(), 0, 6), kBlackOnYellow);
  Click("scanButton");  // ignored while verifying
  EXPECT_EQ(window->GetState(), kStateVerifying);

  Deliver(MakeDevice(0x02, "10.0.0.77"));  // another device: dropped
  EXPECT_EQ(Cell(1, 3), "10.0.0.2");
  DeliverType(WM_DISCOVERY_ENDED);  // changes nothing outside a scan
  EXPECT_EQ(window->GetState(), kStateVerifying);
  EXPECT_TRUE(window->IsRescanTimerActive());

  // The device answers from the third device's address.
  Deliver(MakeDevice(0x01, "10.0.0.3", "NVT-NEW", 8080));
  EXPECT_EQ(window->GetState(), kStateIdle);
  EXPECT_FALSE(window->IsRescanTimerActive());
  EXPECT_EQ(Cell(0, 1), "NVT-NEW");
  EXPECT_EQ(Cell(0, 3), "10.0.0.3");
  EXPECT_EQ(Cell(0, 4), "8080");
  for (int row : {0, 2}) {
    EXPECT_EQ(Cell(row, 6), "IP address has changed. IP address collision") << row;
    EXPECT_EQ(LookOf(List(), row, 3), kWhiteOnRed) << row;
    EXPECT_EQ(LookOf(List(), row, 6), kWhiteOnRed) << row;
  }
  EXPECT_EQ(window->Inventory()->lock().table().Find(0)->info->sourceAddress, inet_addr("10.0.0.3"));

  // A device that keeps its address (only mask or gateway changed) does not
  // collide with itself.
  const DeviceInfo second = MakeDevice(0x02, "10.0.0.2");
  window->BeginVerification(second.mac);
  Deliver(second);
  EXPECT_EQ(Cell(1, 6), "IP address has changed.");
  EXPECT_EQ(LookOf(List(), 1, 6), kBlackOnGreen);
  EXPECT_EQ(LookOf(List(), 1, 3), kBlackOnWhite);
  EXPECT_EQ(window->GetState(), kStateIdle);

  // "Clear" during a verification ends it and its timer.
  window->BeginVerification(second.mac);
  Click("clearButton");
  EXPECT_EQ(window->GetState(), kStateIdle);
  EXPECT_FALSE(window->IsRescanTimerActive());
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_EQ(window->Inventory()->lock().table().GetCount(), 0);
}

TEST_F(MainWindowTest, BatchEndMarksChangedDevicesAndCountsEachOffOnce) {
  Open();
  Fill({MakeDevice(0x01, "10.0.0.1"), MakeDevice(0x02, "10.0.0.2"), MakeDevice(0x03, "10.0.0.3")});
  // What a batch worker leaves behind: two accepted devices, then its end.
  {
    auto access = window->Inventory()->lock();
    access.AddChanged(MakeDevice(0x01, "10.0.1.1"));
    access.AddChanged(MakeDevice(0x03, "10.0.1.3"));
  }
  ASSERT_EQ(window->SetState(kStateBatch), kStateBatch);
  EXPECT_EQ(window->SetState(7), -1);
  EXPECT_EQ(window->GetState(), kStateBatch);
  window->Mailbox()->post(std::make_unique<QEvent>(WM_BATCH_ENDED));
  ASSERT_TRUE(PumpUntil([&] { return Cell(2, 6) == "Checking ip address ..."; }));
  EXPECT_EQ(Cell(0, 6), "Checking ip address ...");
  EXPECT_EQ(LookOf(List(), 0, 6), kBlackOnYellow);
  EXPECT_EQ(Cell(1, 6), "");
  EXPECT_TRUE(window->IsRescanTimerActive());
  EXPECT_EQ(window->GetState(), kStateBatch);

  DeliverType(WM_DISCOVERY_ENDED);
  Deliver(MakeDevice(0x02, "10.0.9.9"));  // not changed: dropped
  EXPECT_EQ(Cell(1, 3), "10.0.0.2");
  Deliver(MakeDevice(0x01, "10.0.1.1"));
  Deliver(MakeDevice(0x01, "10.0.1.1"));  // counted off already
  EXPECT_EQ(window->GetState(), kStateBatch);
  EXPECT_EQ(Cell(0, 3), "10.0.1.1");
  EXPECT_EQ(LookOf(List(), 0, 3), kBlackOnWhite);
  EXPECT_EQ(Cell(0, 6), "IP address has changed.");
  EXPECT_EQ(LookOf(List(), 0, 6), kBlackOnGreen);

  Deliver(MakeDevice(0x03, "10.0.1.3"));
  EXPECT_EQ(Cell(2, 6), "IP address has changed.");
  EXPECT_EQ(window->GetState(), kStateIdle);
  EXPECT_FALSE(window->IsRescanTimerActive());
  EXPECT_EQ(Changed(), 0);

  // "Clear" during a batch empties the changed-device list.
  window->Inventory()->lock().AddChanged(MakeDevice(0x02, "10.0.1.2"));
  window->SetState(kStateBatch);
  Click("clearButton");
  EXPECT_EQ(Changed(), 0);
  EXPECT_EQ(window->Inventory()->lock().changedCount(), 0);
  EXPECT_EQ(window->GetState(), kStateIdle);
}

TEST_F(MainWindowTest, SelectionFillsThePanelAndKeepsItsEnabledSet) {
  Open();
  DeviceInfo dhcp = MakeDevice(0x02, "10.0.0.2");
  dhcp.networkType = 0;
  DeviceInfo pppoe = MakeDevice(0x03, "10.0.0.3");
  pppoe.networkType = 2;
  pppoe.subnetMask = inet_addr("255.255.0.0");
  pppoe.gateway = inet_addr("10.0.255.254");
  pppoe.dnsServer = inet_addr("8.8.4.4");
  Fill({MakeDevice(0x01, "10.0.0.1"), dhcp, pppoe});

  auto radio = [&](const char* name) { return Control<QRadioButton>(name); };
  auto edit = [&](const char* name) { return Control<IpAddressEdit>(name)->text(); };

  ClickRow(2);
  EXPECT_TRUE(radio("pppoeRadio")->isChecked());
  EXPECT_FALSE(radio("pppoeRadio")->isEnabled());
  EXPECT_FALSE(radio("staticRadio")->isChecked());
  EXPECT_FALSE(radio("dhcpRadio")->isChecked());
  EXPECT_EQ(Control<QLineEdit>("macEdit")->text(), "00:1A:2B - 3C:4D:03");
  EXPECT_EQ(edit("ipAddressEdit"), "10.0.0.3");
  EXPECT_EQ(edit("subnetMaskEdit"), "255.255.0.0");
  EXPECT_EQ(edit("gatewayEdit"), "10.0.255.254");
  EXPECT_EQ(edit("dnsServerEdit"), "8.8.4.4");
  for (const char* name : {"staticRadio", "dhcpRadio", "ipAddressEdit", "subnetMaskEdit", "gatewayEdit",
                           "dnsServerEdit", "applyButton", "macEdit"})
    EXPECT_TRUE(Enabled(name)) << name;
  EXPECT_EQ(LookOf(List(), 2, 0), kWhiteOnBlue);
  EXPECT_EQ(LookOf(List(), 0, 0), kBlackOnWhite);
  ASSERT_TRUE(window->SelectedDevice());
  EXPECT_EQ(window->SelectedDevice()->mac[5], 0x03);

  ClickRow(0);
  EXPECT_TRUE(radio("staticRadio")->isChecked());
  EXPECT_FALSE(radio("pppoeRadio")->isChecked());
  EXPECT_EQ(LookOf(List(), 2, 0), kBlackOnWhite);
  ClickRow(1);
  EXPECT_TRUE(radio("dhcpRadio")->isChecked());
  EXPECT_EQ(LookOf(List(), 1, 0), kWhiteOnBlue);

  // Several rows selected: the topmost one is shown, whichever was clicked.
  ClickRow(2);
  ClickRow(0, Qt::ControlModifier);
  ClickRow(1, Qt::ControlModifier);
  EXPECT_EQ(window->SelectedDevice()->mac[5], 0x01);
  EXPECT_EQ(Control<QLineEdit>("macEdit")->text(), "00:1A:2B - 3C:4D:01");

  // An empty part of the list: panel disabled, values and mark left as they are.
  QTest::mouseClick(List().viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, List().viewport()->height() - 5));
  EXPECT_FALSE(window->SelectedDevice());
  EXPECT_FALSE(Enabled("applyButton"));
  EXPECT_FALSE(Enabled("pppoeRadio"));
  EXPECT_TRUE(Enabled("macEdit"));
  EXPECT_EQ(Control<QLineEdit>("macEdit")->text(), "00:1A:2B - 3C:4D:01");
  EXPECT_EQ(LookOf(List(), 0, 0), kWhiteOnBlue);
}

TEST_F(MainWindowTest, SortMovesWholeRowsAndTheSelectedDeviceFollows) {
  Open();
  Fill({MakeDevice(0x01, "192.168.0.9", "A", 0), MakeDevice(0x02, "192.168.0.10", "B", 8080),
        MakeDevice(0x03, "192.168.0.2", "C", 80), MakeDevice(0x04, "10.1.1.1", "D", 443),
        MakeDevice(0x05, "192.168.0.2", "E", 81)});  // E collides with C
  ClickRow(2, Qt::NoModifier, 0);                      // tick C's box
  ClickRow(1);                                         // select B
  ASSERT_TRUE(window->Inventory()->lock().IsTicked(2));

  ClickHeader(3);  // first sort: descending, as text
  const std::vector<QString> addresses = {"192.168.0.9", "192.168.0.2", "192.168.0.2", "192.168.0.10", "10.1.1.1"};
  auto column = [&](int c) {
    std::vector<QString> texts;
    for (int row = 0; row < List().GetItemCount(); ++row) texts.push_back(Cell(row, c));
    return texts;
  };
  EXPECT_EQ(column(3), addresses);
  EXPECT_EQ(column(0), (std::vector<QString>{"   1", "   2", "   3", "   4", "   5"}));
  const int rowB = RowOfMac(0x02), rowC = RowOfMac(0x03), rowE = RowOfMac(0x05);
  EXPECT_EQ(rowB, 3);
  ASSERT_TRUE(window->SelectedDevice());
  EXPECT_EQ(window->SelectedDevice()->mac[5], 0x02);
  EXPECT_EQ(LookOf(List(), rowB, 0), kWhiteOnBlue);
  EXPECT_EQ(LookOf(List(), rowC, 6), kWhiteOnRed);
  EXPECT_EQ(LookOf(List(), rowE, 3), kWhiteOnRed);
  EXPECT_EQ(Cell(rowC, 1), "C");
  {
    auto access = window->Inventory()->lock();
    for (int row = 0; row < 5; ++row) {
      ASSERT_NE(access.table().Find(row), nullptr);
      EXPECT_EQ(FormatListMac(access.table().Find(row)->info->mac), Cell(row, 2)) << row;
      EXPECT_EQ(access.IsTicked(row), row == rowC) << row;
      EXPECT_EQ(List().GetCheckbox(row, 0), row == rowC ? 1 : 0) << row;
    }
  }

  // The next click, on any column, sorts ascending; web ports as numbers.
  ClickHeader(4);
  EXPECT_EQ(column(4), (std::vector<QString>{"-", "80", "81", "443", "8080"}));
  ClickHeader(1);
  EXPECT_EQ(column(1), (std::vector<QString>{"E", "D", "C", "B", "A"}));

  // Column 0 never sorts; its header box ticks every row, and workers see it.
  ClickHeader(0);
  EXPECT_EQ(column(1), (std::vector<QString>{"E", "D", "C", "B", "A"}));
  for (int row = 0; row < 5; ++row) EXPECT_TRUE(window->Inventory()->lock().IsTicked(row)) << row;

  // Actions on the selection act on the same device after the sorts.
  QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, CellPoint(0, 2),
                              List().viewport()->mapToGlobal(CellPoint(0, 2)));
  QApplication::sendEvent(List().viewport(), &menuEvent);
  QMenu* menu = window->findChild<QMenu*>("deviceMenu");
  ASSERT_NE(menu, nullptr);
  menu->actions().at(1)->trigger();
  ASSERT_EQ(openedUrls.size(), 1u);
  EXPECT_EQ(openedUrls.back(), "http://192.168.0.10:8080");
  menu->close();
}

TEST_F(MainWindowTest, WebPagesOpenFromDoubleClickAndContextMenu) {
  Open();
  Fill({MakeDevice(0x01, "10.0.0.1", "A", 0), MakeDevice(0x02, "10.0.0.2", "B", 8080),
        MakeDevice(0x03, "10.0.0.3", "C", 80)});

  // No selected row: no menu, no page, panel disabled.
  QContextMenuEvent early(QContextMenuEvent::Mouse, CellPoint(0, 2), List().viewport()->mapToGlobal(CellPoint(0, 2)));
  QApplication::sendEvent(List().viewport(), &early);
  EXPECT_EQ(window->findChild<QMenu*>("deviceMenu"), nullptr);
  QTest::mouseDClick(List().viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, List().viewport()->height() - 5));
  EXPECT_TRUE(openedUrls.empty());
  EXPECT_FALSE(Enabled("applyButton"));

  for (int row = 0; row < 3; ++row) QTest::mouseDClick(List().viewport(), Qt::LeftButton, Qt::NoModifier, CellPoint(row, 2));
  EXPECT_EQ(openedUrls, (std::vector<QString>{"http://10.0.0.1", "http://10.0.0.2:8080", "http://10.0.0.3:80"}));
  EXPECT_TRUE(Enabled("applyButton"));

  ClickRow(1);
  QContextMenuEvent onRow(QContextMenuEvent::Mouse, CellPoint(1, 2), List().viewport()->mapToGlobal(CellPoint(1, 2)));
  QApplication::sendEvent(List().viewport(), &onRow);
  QMenu* menu = window->findChild<QMenu*>("deviceMenu");
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 2);
  EXPECT_EQ(menu->actions()[0]->text(), "Monitoring");
  EXPECT_FALSE(menu->actions()[0]->isEnabled());
  EXPECT_EQ(menu->actions()[1]->text(), "Web page");
  EXPECT_TRUE(menu->actions()[1]->isEnabled());
  menu->actions()[0]->trigger();
  EXPECT_EQ(openedUrls.size(), 3u);
  menu->actions()[1]->trigger();
  EXPECT_EQ(openedUrls.back(), "http://10.0.0.2:8080");
  menu->close();
}

TEST_F(MainWindowTest, ArpTableFlushReportsItsRealOutcome) {
  Open();
  auto lastMessage = [&] { return prompts.messages().back(); };

  runner->outcome = {true, false, 2, 0};  // ran, but failed (no privileges, say)
  Click("deleteArpButton");
  ASSERT_EQ(runner->commands.size(), 1u);
  EXPECT_EQ(runner->commands[0], NeighbourFlushCommand());
  EXPECT_EQ(lastMessage().text, "Failed to delete ARP table.");
  EXPECT_EQ(lastMessage().icon, QMessageBox::Critical);

  runner->outcome = {true, true, -1, 0};  // killed at its deadline
  Click("deleteArpButton");
  EXPECT_EQ(lastMessage().text, "Failed to delete ARP table.");

  runner->outcome = {false, false, -1, 2};
  Click("deleteArpButton");
  EXPECT_EQ(lastMessage().text, "Failed to execute CreateProcess().");

  runner->outcome = {true, false, 0, 0};
  Click("deleteArpButton");
  EXPECT_EQ(lastMessage().text, "Delete ARP table.");
  EXPECT_EQ(lastMessage().icon, QMessageBox::Information);
  int successes = 0;
  for (const auto& message : prompts.messages()) successes += message.text == "Delete ARP table.";
  EXPECT_EQ(successes, 1);
}

TEST_F(MainWindowTest, EnterAndEscKeepTheWindowOnlyTheCloseBoxEndsIt) {
  CTavrixDlg& w = Open();
  Fill({MakeDevice(0x01, "10.0.0.1")});
  int result = -1;
  bool stillOpenAfterKeys = false;
  QTimer::singleShot(0, [&] {
    List().setFocus();
    for (QWidget* target : {static_cast<QWidget*>(&w), static_cast<QWidget*>(&List())}) {
      QTest::keyClick(target, Qt::Key_Escape);
      QTest::keyClick(target, Qt::Key_Return);
      QTest::keyClick(target, Qt::Key_Enter);
    }
    stillOpenAfterKeys = w.isVisible() && List().GetItemCount() == 1;
    w.close();  // the close box
  });
  result = w.exec();
  EXPECT_TRUE(stillOpenAfterKeys);
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_FALSE(w.isVisible());
}

TEST_F(MainWindowTest, AboutBoxFromTheWindowsMenuAndWorkerFaultsAreShown) {
  CTavrixDlg& w = Open();
  QMenuBar* bar = w.findChild<QMenuBar*>("menuBar");
  ASSERT_NE(bar, nullptr);
  QAction* about = nullptr;
  for (QAction* top : bar->actions())
    for (QAction* item : top->menu()->actions())
      if (item->text() == QString::fromUtf8("Tavrix 정보(&A)...")) about = item;
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(w.actions().contains(about));  // also on the window's background menu

  QString title, line;
  bool hasIcon = false;
  prompts.queueDialogScript([&](QDialog& dialog) {
    title = dialog.windowTitle();
    line = dialog.findChild<QLabel*>("versionLabel")->text();
    hasIcon = !dialog.findChild<QLabel*>("iconLabel")->pixmap().isNull();
    dialog.show();
    EXPECT_TRUE(dialog.grab().save(qEnvironmentVariable("TAVRIX_BUILD_DIR", ".") + "/tavrix_about.png"));
    return int(QDialog::Accepted);
  });
  about->trigger();
  EXPECT_EQ(prompts.dialogsRun(), 1);
  EXPECT_EQ(title, QString::fromUtf8("Tavrix 정보"));
  EXPECT_EQ(line, QString::fromUtf8("Tavrix 버전 1.0"));
  EXPECT_TRUE(hasIcon);
  EXPECT_FALSE(ProgramIcon().isNull());

  w.Mailbox()->post(std::make_unique<WorkerFaultEvent>(QString::fromLatin1(kDiscoveryFaultText)));
  ASSERT_TRUE(PumpUntil([&] { return !prompts.messages().empty(); }));
  EXPECT_EQ(prompts.messages().back().text, "[ERROR] EncpThreadProc : EncpThreadProcRun");
}

}  // namespace
