// The real window scanning the device simulator on loopback (each device
// answers from its own 127.x address), and a PC without adapters in a
// private namespace. A screenshot of the scanned fleet is left in the build
// directory. Hostile replies are the codec's and the worker's to refuse.
#include "tests/main/window_sim_fixture.h"
#include "tests/support/netns_gtest.h"

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
  EXPECT_EQ(Cell(r3, 5), "4000 / 4001 / 4002");
  // Whichever of the two answered second marked itself and the first.
  EXPECT_EQ(Cell(r3, 6), "IP address collision");
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
