// The real window against the device simulator: on loopback (each device
// answers from its own 127.x address), and in private network namespaces
// with the window's unmodified default endpoint settings. One test leaves a
// screenshot of a scanned fleet in the build directory.
#include <unistd.h>

#include <QLabel>
#include <cstdlib>

#include "tests/main/window_fixture.h"
#include "tests/support/netns_gtest.h"
#include "tests/support/sim_process.h"

using tavrix::lab::DeviceNetwork;
using tavrix::lab::Lab;
using tavrix::lab::ScopedNetns;
using tavrix::lab::SimProcess;

namespace {

// Texts are percent-decoded by the simulator; the fifth model is markup that
// must show as typed. Devices 3 and 4 share an address.
constexpr const char* kFleet =
    "00:1A:2B:00:00:01 NVT-100 127.0.1.1 255.255.255.0 127.0.1.254 127.0.1.253 80 4000,4001,0 3 root kefo\n"
    "00:1A:2B:00:00:02 NVT-200 127.0.1.2 255.255.255.0 127.0.1.254 127.0.1.253 8080 4000,0,5000 3 root kefo\n"
    "00:1A:2B:00:00:03 NVT-300 127.0.1.3 255.255.255.0 127.0.1.254 127.0.1.253 0 4000,4001,4002 3 root kefo\n"
    "00:1A:2B:00:00:04 NVT-310 127.0.1.3 255.255.255.0 127.0.1.254 127.0.1.253 80 - 3 root kefo\n"
    "00:1A:2B:00:00:05 %3Cb%3Ebold%3C/b%3E 127.0.1.5 255.255.255.0 127.0.1.254 127.0.1.253 80 4000,4001,0 3 root kefo\n"
    "00:1A:2B:00:00:06 NVT-OLD 127.0.1.6 255.255.255.0 127.0.1.254 127.0.1.253 80 4000,4001,0 2 root kefo\n";
constexpr int kFleetSize = 6;

class WindowSimTest : public WindowTest {
 protected:
  void TearDown() override {
    window.reset();
    for (const std::string& path : files_) unlink(path.c_str());
  }

  std::string WriteFleet(const std::string& text) {
    char path[] = "/tmp/tavrix-window-fleet-XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0) {
      (void)!write(fd, text.data(), text.size());
      close(fd);
      files_.push_back(path);
    }
    return path;
  }

  // The simulator on a free loopback port, and settings that search it.
  EncpEndpointSettings StartLoopbackSim(std::vector<std::string> args) {
    const tavrix::lab::UdpPortPair ports = tavrix::lab::FreeUdpPortPair();
    args.insert(args.end(), {"--port", std::to_string(ports.device)});
    EXPECT_TRUE(sim.Start(args)) << sim.error();
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

  SimProcess sim;
  std::vector<std::string> files_;
};

TEST_F(WindowSimTest, ScanListsTheFleetTwiceNeverAndClearStopsAScan) {
  Open(StartLoopbackSim({"--fleet", WriteFleet(kFleet)}));

  // The second press during the scan is ignored; the fleet is listed once.
  Click("scanButton");
  Click("scanButton");
  ASSERT_TRUE(PumpUntil([&] { return window->GetState() == kStateIdle; }));
  ASSERT_EQ(List().GetItemCount(), kFleetSize);
  const int r2 = RowOfMac(0x02), r3 = RowOfMac(0x03), r4 = RowOfMac(0x04), r5 = RowOfMac(0x05), r6 = RowOfMac(0x06);
  EXPECT_EQ(List().GetItemText(r2, 1), "NVT-200");
  EXPECT_EQ(List().GetItemText(r2, 2), "00:1A:2B - 00:00:02");
  EXPECT_EQ(List().GetItemText(r2, 3), "127.0.1.2");
  EXPECT_EQ(List().GetItemText(r2, 4), "8080");
  EXPECT_EQ(List().GetItemText(r2, 5), "4000");
  EXPECT_EQ(List().GetItemText(r3, 4), "-");
  EXPECT_EQ(List().GetItemText(r3, 5), "4000 / 4001 / 4002");
  EXPECT_EQ(List().GetItemText(r4, 5), "-");
  EXPECT_EQ(List().GetItemText(r5, 1), "<b>bold</b>");
  EXPECT_EQ(List().GetItemText(r6, 4), "-");  // an old protocol version reports no ports
  // Whichever of the two answered second marked itself and the first.
  EXPECT_EQ(List().GetItemText(r3, 6), "IP address collision");
  EXPECT_EQ(List().GetItemText(r4, 6), "IP address collision");
  EXPECT_EQ(LookOf(List(), r4, 3), kWhiteOnRed);

  // A new scan adds nothing that is listed already.
  ASSERT_TRUE(ScanToTheEnd());
  EXPECT_EQ(List().GetItemCount(), kFleetSize);

  // "Clear" during a scan stops it; its late records are dropped.
  Click("scanButton");
  Click("clearButton");
  EXPECT_EQ(window->GetState(), kStateIdle);
  EXPECT_FALSE(window->IsDiscoveryWorkerRecorded());
  EXPECT_EQ(List().GetItemCount(), 0);
  QTest::qWait(700);
  EXPECT_EQ(List().GetItemCount(), 0);
  EXPECT_EQ(window->Inventory()->lock().table().GetCount(), 0);

  // Rescanned, one row selected: the picture of a working window.
  ASSERT_TRUE(ScanToTheEnd());
  ASSERT_EQ(List().GetItemCount(), kFleetSize);
  ClickRow(RowOfMac(0x02));
  const char* buildDir = std::getenv("TAVRIX_BUILD_DIR");
  const QString shot = QString::fromLocal8Bit(buildDir != nullptr ? buildDir : ".") + "/tavrix_window.png";
  EXPECT_TRUE(window->grab().save(shot));
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

TEST_F(WindowSimTest, DefaultSettingsFindTheFleetOnALan) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  Lab lab;
  std::string error;
  DeviceNetwork* network = lab.AddDeviceNetwork(&error);
  ASSERT_NE(network, nullptr) << error;
  ASSERT_TRUE(sim.Start({"--broadcast", network->deviceInterface, "--count", "25", "--first-ip",
                         network->firstDeviceAddress, "--mask", "255.255.0.0"},
                        network->devices->name()))
      << sim.error();

  // The window thread joins the PC's namespace before the window makes any
  // endpoint; its workers inherit it.
  ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  MainWindowSeams seams;  // the real adapters of the PC namespace
  seams.openUrl = [this](const QUrl& address) { openedUrls.push_back(address.toString()); };
  seams.commandRunner = runner;
  window = std::make_unique<CTavrixDlg>(EncpEndpointSettings{}, seams);
  window->show();
  EXPECT_EQ(window->findChild<QLabel*>("localIpLabel")->text(), QString::fromStdString(network->pcAddress));
  EXPECT_EQ(window->findChild<QLabel*>("localMaskLabel")->text(), "255.255.0.0");

  ASSERT_TRUE(ScanToTheEnd());
  ASSERT_EQ(List().GetItemCount(), 25);
  for (int i = 0; i < 25; ++i) {
    const int row = RowOfMac(static_cast<uint8_t>(i));
    ASSERT_GE(row, 0) << i;
    EXPECT_EQ(List().GetItemText(row, 1), QString("NVT-SIM-%1").arg(i));
    EXPECT_EQ(List().GetItemText(row, 2), QString::asprintf("00:1A:2B - 00:00:%02X", i));
    EXPECT_EQ(List().GetItemText(row, 3), QString("10.61.1.%1").arg(i + 1));
    EXPECT_EQ(List().GetItemText(row, 4), "80");
    EXPECT_EQ(List().GetItemText(row, 5), "4000 / 4001");
    EXPECT_EQ(List().GetItemText(row, 6), "");
  }
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
