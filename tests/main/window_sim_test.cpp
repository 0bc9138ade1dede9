// The real window scanning the device simulator: on loopback (each device
// answers from its own 127.x address), and in private network namespaces
// with the window's unmodified default endpoint settings. Screenshots of
// the scanned fleets are left in the build directory.
#include <cstdlib>

#include "table/row_texts.h"
#include "tests/main/window_sim_fixture.h"
#include "tests/support/loopback_udp.h"
#include "tests/support/netns_gtest.h"
#include "tests/support/reply_builder.h"

using tavrix::lab::DeviceNetwork;
using tavrix::lab::Lab;
using tavrix::lab::ScopedNetns;

namespace {

// Devices 3 and 4 share an address.
constexpr const char* kFleet =
    "00:1A:2B:00:00:01 NVT-100 127.0.1.1 255.255.255.0 127.0.1.254 127.0.1.253 80 4000,4001,0 3 root kefo\n"
    "00:1A:2B:00:00:02 NVT-200 127.0.1.2 255.255.255.0 127.0.1.254 127.0.1.253 8080 4000,0,5000 3 root kefo\n"
    "00:1A:2B:00:00:03 NVT-300 127.0.1.3 255.255.255.0 127.0.1.254 127.0.1.253 0 4000,4001,4002 3 root kefo\n"
    "00:1A:2B:00:00:04 NVT-310 127.0.1.3 255.255.255.0 127.0.1.254 127.0.1.253 80 - 3 root kefo\n";
constexpr int kFleetSize = 4;

using WindowSimTest = WindowSimFixture;

TEST_F(WindowSimTest, ScanListsTheFleetTwiceNeverAndClearStopsAScan) {
  Open(StartLoopbackSim({"--fleet", WriteFile(kFleet)}));

  // The second press during the scan is ignored; the fleet is listed once.
  Click("scanButton");
  Click("scanButton");
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == WindowState::kIdle; }));
  ASSERT_EQ(List().GetItemCount(), kFleetSize);
  const int r2 = RowOfMac(0x02), r3 = RowOfMac(0x03), r4 = RowOfMac(0x04);
  const std::vector<QString> row2 = {"NVT-200", "00:1A:2B - 00:00:02", "127.0.1.2", "8080", "4000", ""};
  for (int column = 1; column <= 6; ++column) EXPECT_EQ(Cell(r2, column), row2[column - 1]) << column;
  EXPECT_EQ(Cell(r3, 4), "-");
  EXPECT_EQ(Cell(r3, 5), "4000 / 4001 / 4002");
  EXPECT_EQ(Cell(r4, 5), "-");
  // Whichever of the two answered second marked itself and the first.
  EXPECT_EQ(Cell(r3, 6), "IP address collision");
  EXPECT_EQ(Cell(r4, 6), "IP address collision");
  EXPECT_EQ(LookOf(List(), r4, 3), kWhiteOnRed);

  // A new scan adds nothing that is listed already.
  ASSERT_TRUE(ScanToTheEnd());
  EXPECT_EQ(List().GetItemCount(), kFleetSize);

  // "Clear" during a scan stops it.
  Click("scanButton");
  Click("clearButton");
  EXPECT_EQ(window->GetState(), WindowState::kIdle);
  EXPECT_FALSE(window->IsDiscoveryWorkerRecorded());
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_EQ(window->Inventory()->lock().table().GetCount(), 0);

  // Rescanned, one row selected: the picture of a working window.
  ASSERT_TRUE(ScanToTheEnd());
  ASSERT_EQ(List().GetItemCount(), kFleetSize);
  ClickRow(RowOfMac(0x02));
  EXPECT_TRUE(SaveShot(*window, "tavrix_window.png"));
}

// Destroying the window while its worker is inside its cycle and posting a
// burst of replies: the destruction waits for the worker, and nothing the
// worker does touches the freed window (run under ASan and TSan).
TEST_F(WindowSimTest, WindowDestroyedWhileItsWorkerIsInsideItsCycle) {
  const EncpEndpointSettings settings =
      StartLoopbackSim({"--count", "3000", "--first-ip", "127.0.2.1", "--mask", "255.255.0.0", "--burst"});
  for (int round = 0; round < 3; ++round) {
    Open(settings);
    Click("scanButton");
    ASSERT_TRUE(window->IsDiscoveryWorkerRecorded());
    PumpUntil([&] { return List().GetItemCount() > 0; }, 3000);
    window.reset();
    QTest::qWait(50);
  }
  // The port is free again: a new window scans normally.
  Open(settings);
  EXPECT_TRUE(ScanToTheEnd());
  EXPECT_GT(List().GetItemCount(), 0);
}

// What a hostile or broken LAN sends a scanning PC: texts longer than their
// fields, control characters, markup, text in no known encoding, a NUL in a
// text, replies cut inside their fixed part, an option running past the end,
// one MAC at two addresses, the simulator's junk datagrams and a foreign
// program firing at the local port. {MAC suffix, expected model text} of
// every device that must be listed.
struct ListedDevice {
  uint8_t mac;
  QString model;
};

TEST_F(WindowSimTest, HostileLanListsExactlyTheWellFormedDevices) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  Lab lab;
  std::string error;
  DeviceNetwork* network = lab.AddDeviceNetwork(&error);
  ASSERT_NE(network, nullptr) << error;
  const std::string prefix = network->firstDeviceAddress.substr(0, network->firstDeviceAddress.rfind(".1.1"));
  auto line = [&](int mac, const char* model, int host, const char* rest) {
    return QString::asprintf("00:1A:2B:00:07:%02X %s %s.1.%d 255.255.0.0 %s.0.1 %s.0.1 %s\n", mac, model,
                             prefix.c_str(), host, prefix.c_str(), prefix.c_str(), rest)
        .toStdString();
  };
  const std::string fleet = line(1, "NVT-PLAIN", 1, "80 4000,4001,0 3 root kefo") +
                            line(2, "LONG", 2, "80 4000,4001,0 3 root kefo long-texts") +
                            line(3, "TAB%09BEL%07ESC%1B%5B31mRED%0D%0ANL", 3, "80 4000,4001,0 3 root kefo") +
                            line(4, "%3Cimg%20src=x%20onerror=alert(1)%3E", 4, "80 4000,4001,0 2 root kefo") +
                            line(5, "%EC%B9%B4%EB%A9%94%EB%9D%BC", 5, "80 4000,4001,0 3 root kefo") +
                            line(6, "%FF%FEcam", 6, "80 4000,4001,0 3 root kefo") +
                            line(7, "AB%00CD", 7, "80 4000,4001,0 3 root kefo") +
                            line(8, "CUT", 8, "80 4000,4001,0 3 root kefo cut-fixed") +
                            line(9, "OVERRUN", 9, "80 4000,4001,4002 3 root kefo option-overrun") +
                            line(10, "DUP-A", 10, "80 4000,4001,0 3 root kefo") +
                            line(10, "DUP-B", 11, "81 4000,4001,0 3 root kefo");
  ASSERT_TRUE(sim.Start({"--broadcast", network->deviceInterface, "--fleet", WriteFile(fleet), "--junk"},
                        network->devices->name()))
      << sim.error();
  std::string longModel = "LONG";
  for (size_t i = longModel.size(); longModel.size() < 63; ++i) longModel.push_back(static_cast<char>('a' + i % 26));
  const std::vector<ListedDevice> expected = {
      {1, "NVT-PLAIN"},
      {2, QString::fromLatin1(longModel)},
      {3, QString("TAB\uFFFDBEL\uFFFDESC\uFFFD[31mRED\uFFFD\uFFFDNL")},
      {4, "<img src=x onerror=alert(1)>"},
      {5, QString::fromUtf8("\xEC\xB9\xB4\xEB\xA9\x94\xEB\x9D\xBC")},
      {6, QString::fromLatin1("\xFF\xFE" "cam")},
      {7, "AB"},
      {9, "OVERRUN"},
      {10, "DUP-A"},
  };

  // The foreign program sits on the device side of the link.
  std::unique_ptr<UdpSocket> foreign;
  {
    ScopedNetns inDevices(*network->devices);
    ASSERT_TRUE(inDevices.ok());
    foreign = std::make_unique<UdpSocket>(0, (prefix + ".0.2").c_str());
    ASSERT_TRUE(foreign->bound());
  }
  sockaddr_in pcPort{};
  pcPort.sin_family = AF_INET;
  pcPort.sin_addr.s_addr = inet_addr(network->pcAddress.c_str());
  pcPort.sin_port = htons(kEncpLocalPort);
  const uint8_t foreignMac[6] = {0x02, 0xF0, 0xF0, 0xF0, 0xF0, 0x01};
  const std::string texts[6] = {"FOREIGN"};
  const std::vector<uint8_t> wellFormed = ReplyBuilder(3).searchFixedPart(texts, foreignMac).finish();
  const std::vector<std::vector<uint8_t>> foreignDatagrams = {
      {'E', 'N', 'C', 'P'},
      std::vector<uint8_t>(wellFormed.begin(), wellFormed.begin() + 30),
      ReplyBuilder(3).searchFixedPart(texts, foreignMac).finish(4096),
      std::vector<uint8_t>(1400, 0xA5),
      {0x12, 0x34, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00},
  };

  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  MainWindowSeams seams;
  seams.openUrl = [this](const QUrl& address) { openedUrls.push_back(address.toString()); };
  seams.commandRunner = runner;
  window = std::make_unique<CTavrixDlg>(EncpEndpointSettings{}, seams);
  window->show();
  Click("scanButton");
  for (int round = 0; round < 200 && window->GetState() == WindowState::kScanning; ++round) {
    for (const auto& datagram : foreignDatagrams) foreign->SendTo(pcPort, datagram);
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == WindowState::kIdle; }));

  ASSERT_EQ(List().GetItemCount(), static_cast<int>(expected.size()));
  for (const ListedDevice& device : expected) {
    const int row = RowOfMac(device.mac);
    ASSERT_GE(row, 0) << int(device.mac);
    EXPECT_EQ(Cell(row, 1), device.model) << int(device.mac);
    EXPECT_EQ(Cell(row, 6), "") << int(device.mac);
  }
  EXPECT_EQ(Cell(RowOfMac(9), 5), "4000 / 4001") << "the port inside the overrun option is not read";
  EXPECT_EQ(Cell(RowOfMac(4), 5), "-");
  EXPECT_EQ(Cell(RowOfMac(10), 3), QString::fromStdString(prefix + ".1.10")) << "the first of one MAC stays";

  // Every sort keeps each row's texts, its record and the selection together.
  ClickRow(RowOfMac(3));
  for (int column : {1, 2, 3, 4, 5, 6, 1, 3}) {
    ClickHeader(column);
    for (int row = 0; row < List().GetItemCount(); ++row) {
      auto access = window->Inventory()->lock();
      const DeviceInfo* record = access.table().Find(row);
      ASSERT_TRUE(record != nullptr) << row;
      const auto recordTexts = RowTexts(row, *record);
      for (int c = kColumnModel; c < kColumnState; ++c) EXPECT_EQ(Cell(row, c), recordTexts[c]) << row << "/" << c;
    }
    ASSERT_TRUE(window->SelectedDevice());
    EXPECT_EQ(window->SelectedDevice()->mac[5], 3);
    EXPECT_EQ(List().GetCurSel(), RowOfMac(3)) << column;
    EXPECT_EQ(LookOf(List(), RowOfMac(3), 0), kWhiteOnBlue) << column;
  }
  EXPECT_EQ(Edit("macEdit")->text(), "00:1A:2B - 00:07:03");
  EXPECT_TRUE(SaveShot(*window, "tavrix_window_hostile.png"));
  window.reset();
}

// The demonstration's fleet as an operator first sees it, found with the
// window's unmodified defaults through the PC's real adapters; the picture
// is left in the build directory.
TEST_F(WindowSimTest, DemoFleetAsTheOperatorSeesIt) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  const std::string fleet = WriteFile(""), addresses = WriteFile("");
  const std::string writer = qEnvironmentVariable("TAVRIX_SOURCE_DIR", ".").toStdString() + "/scripts/demo-fleet.sh";
  ASSERT_EQ(std::system(("bash '" + writer + "' " + fleet + " " + addresses).c_str()), 0);
  Lab lab;
  std::string error;
  DeviceNetwork* network = lab.AddDeviceNetwork(&error);
  ASSERT_NE(network, nullptr) << error;
  ASSERT_TRUE(sim.Start({"--broadcast", network->deviceInterface, "--fleet", fleet}, network->devices->name()))
      << sim.error();

  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  MainWindowSeams seams;
  seams.commandRunner = runner;
  window = std::make_unique<CTavrixDlg>(EncpEndpointSettings{}, seams);
  window->show();
  EXPECT_EQ(window->findChild<QLabel*>("localIpLabel")->text(), QString::fromStdString(network->pcAddress));
  EXPECT_EQ(window->findChild<QLabel*>("localMaskLabel")->text(), "255.255.0.0");
  ASSERT_TRUE(ScanToTheEnd());
  EXPECT_EQ(List().GetItemCount(), 40);
  EXPECT_EQ(Cell(RowOfMac(0x11), 6), "IP address collision");
  ClickRow(RowOfMac(0x03));
  EXPECT_TRUE(SaveShot(*window, "tavrix_window_demo.png"));
  window.reset();
}

TEST_F(WindowSimTest, APcWithOnlyLoopbackHasNoAdapterAndTheProgramEnds) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  Lab lab;
  ASSERT_TRUE(lab.ok()) << lab.error();
  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  CTavrixDlg w;  // defaults throughout; it never gets to search
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text, "No Network Adapters Found on System.");
  EXPECT_EQ(prompts.messages()[0].icon, QMessageBox::Critical);
  EXPECT_EQ(w.exec(), QDialog::Rejected);
}

}  // namespace
