// The batch worker and the "NVT setting" command against the simulator on
// loopback: which devices get requests, what the inventory keeps, and the
// run's safety while the window clears and sorts (run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <map>
#include <numeric>
#include <random>
#include <thread>

#include "batch/address_list_file.h"
#include "table/row_texts.h"
#include "tests/config/config_test_support.h"
#include "tests/discovery/fake_device.h"
#include "tests/support/scripted_prompts.h"
#include "ui/config/batch_command.h"
#include "ui/config/batch_worker.h"

using namespace config_test;

namespace {

// Device i of the simulated fleet: MAC 00:1A:2B:00:02:i at 127.0.31.(1+i).
DeviceInfo FleetDevice(int i) {
  const uint8_t mac[6] = {0x00, 0x1A, 0x2B, 0x00, 0x02, static_cast<uint8_t>(i)};
  return Device(mac, ("127.0.31." + std::to_string(1 + i)).c_str());
}

std::string Line(int device, const std::string& ip, const std::string& mask = "255.255.255.0") {
  char mac[18];
  std::snprintf(mac, sizeof mac, "00:1A:2B:00:02:%02X", device);
  return std::string(mac) + " STATIC " + ip + " " + mask + " 127.0.0.254 127.0.0.253\n";
}

std::vector<std::string> FleetArgs(int count, std::vector<int> silent = {}) {
  std::vector<std::string> args = {"--count",    std::to_string(count), "--first-ip", "127.0.31.1",
                                   "--mac-base", "00:1A:2B:00:02:00",   "--burst"};
  for (int i : silent) args.insert(args.end(), {"--silent", std::to_string(i)});
  return args;
}

std::shared_ptr<DeviceInventory> Inventory(int count, const std::vector<int>& ticked) {
  auto inventory = std::make_shared<DeviceInventory>();
  auto access = inventory->lock();
  for (int i = 0; i < count; ++i) access.AppendRow(FleetDevice(i));
  for (int row : ticked) access.SetTicked(row, true);
  return inventory;
}

uint32_t RecordedAddress(DeviceInventory& inventory, int i) {
  auto access = inventory.lock();
  const DeviceInfo* record = access.table().Find(access.table().FindRowByMac(FleetDevice(i).mac));
  return record != nullptr ? record->ipAddress : 0;
}

class BatchRun : public ::testing::Test {
 protected:
  void SetUp() override { TestApplication(); }

  BatchRunContext Context(std::shared_ptr<DeviceInventory> inventory, const std::string& path) {
    BatchRunContext context;
    context.mailbox = sink_.mailbox.mailbox();
    context.inventory = std::move(inventory);
    context.settings = sim_.settings();
    context.filePath = path;
    return context;
  }

  // Runs one batch on its own thread, as the window does, to its end.
  void RunToEnd(BatchRunContext context, const std::function<void()>& whileRunning = {}) {
    const int endedBefore = sink_.ended;
    ASSERT_TRUE(controller_.Start(std::move(context)));
    ASSERT_TRUE(PumpUntil(
        [&] {
          if (whileRunning) whileRunning();
          return sink_.ended > endedBefore;
        },
        120000));
    controller_.OnBatchEnded();
    EXPECT_FALSE(controller_.IsRunning());
  }

  const BatchTally& LastProgress() const { return sink_.progressEvents.back(); }

  TempFiles files_;
  LoopbackSim sim_;
  BatchSink sink_;
  BatchController controller_;
};

// Ticked-only requests, silent and unticked devices are proven through the window.
TEST_F(BatchRun, OnlyUpperCaseMacsMatchAndOnlyAcceptedChangesAreKept) {
  ASSERT_TRUE(sim_.Start(FleetArgs(2))) << sim_.error();
  const auto inventory = Inventory(2, {0, 1});
  const std::string lowerCase = "00:1a:2b:00:02:01 STATIC 127.0.41.9 255.255.255.0 127.0.0.254 127.0.0.253\n";
  RunToEnd(Context(inventory, files_.Write(Line(0, "127.0.40.1") + lowerCase + Line(1, "127.0.41.1", "255.0.255.0") +
                                           Line(0, "127.0.40.2"))));
  EXPECT_TRUE(sink_.faults.empty());
  ASSERT_GE(sink_.progressEvents.size(), 2u);
  EXPECT_EQ(sink_.progressEvents.front().sent, 0);
  EXPECT_EQ(sink_.progressEvents.front().matchingLines, 3) << "a lower-case MAC never matches";
  EXPECT_EQ(LastProgress().sent, 3);
  EXPECT_EQ(LastProgress().accepted, 2) << "the broken mask was refused";
  {
    auto access = inventory->lock();
    ASSERT_EQ(access.awaited().size(), 1u) << "device 0 accepted two requests; device 1 none";
    EXPECT_TRUE(access.awaited().Verify(Device(FleetDevice(0).mac, "127.0.40.2")))
        << "awaited where the later line put it";
  }
  EXPECT_EQ(RecordedAddress(*inventory, 0), Ip("127.0.40.2")) << "the later line wins";
  EXPECT_EQ(RecordedAddress(*inventory, 1), FleetDevice(1).ipAddress) << "a refused change is not recorded";
}

TEST_F(BatchRun, RunsThatSendNothingStillEndAndFaultsAreReported) {
  ASSERT_TRUE(sim_.Start(FleetArgs(2))) << sim_.error();
  const auto inventory = Inventory(2, {0, 1});
  // Nothing to read (said so), a stop asked before the start: ended, nothing sent.
  const std::string line = files_.Write(Line(0, "127.0.44.1"));
  RunToEnd(Context(inventory, "/nonexistent/list.txt"));
  const std::atomic<bool> stopped{true};
  NvtSettingThreadProc(Context(inventory, line), stopped);
  ASSERT_TRUE(PumpUntil([&] { return sink_.ended == 2; }));
  EXPECT_EQ(sink_.progressEvents.size(), 1u) << "only the missing file's run had a start";
  EXPECT_EQ(RecordedAddress(*inventory, 0), FleetDevice(0).ipAddress);
  EXPECT_EQ(sink_.faults,
            std::vector<QString>{QString::fromUtf8(AddressListStatusText(AddressListStatus::kCannotOpen))});
  sink_.faults.clear();

  // A failure inside the run: reported, the run still ends, the port is free.
  BatchRunContext faulty = Context(inventory, line);
  faulty.openEndpoint = [](EncpClient* client, const EncpEndpointSettings& settings) -> int32_t {
    ENCPCLIENT_Init(client, settings);
    throw std::runtime_error("injected");
  };
  RunToEnd(faulty);
  EXPECT_EQ(sink_.faults, std::vector<QString>{kBatchFaultText});
  UdpSocket samePort(sim_.settings().localPort);
  ASSERT_TRUE(samePort.bound()) << "the endpoint was closed after the failure";

  // Another program holds the port: told why, and nothing is sent.
  sink_.faults.clear();
  RunToEnd(Context(inventory, line));
  ASSERT_EQ(sink_.faults.size(), 1u);
  EXPECT_TRUE(sink_.faults[0].endsWith("No setting was sent.")) << sink_.faults[0].toStdString();
  EXPECT_EQ(RecordedAddress(*inventory, 0), FleetDevice(0).ipAddress);
}

// Closing the window stops its run: a stop asked while a device keeps the
// run waiting ends it before the line after next.
TEST_F(BatchRun, AStopEndsTheRunBeforeItsRemainingLines) {
  ASSERT_TRUE(sim_.Start(FleetArgs(4, {0, 1, 2, 3}))) << sim_.error();
  const BatchRunContext context = Context(
      Inventory(4, {0, 1, 2, 3}),
      files_.Write(Line(0, "127.0.47.1") + Line(1, "127.0.47.2") + Line(2, "127.0.47.3") + Line(3, "127.0.47.4")));
  std::atomic<bool> stop{false};
  std::thread run([&] { NvtSettingThreadProc(context, stop); });
  const bool firstSent = PumpUntil([&] { return !sink_.progressEvents.empty() && LastProgress().sent == 1; });
  stop = true;
  run.join();
  ASSERT_TRUE(firstSent);
  ASSERT_TRUE(PumpUntil([&] { return sink_.ended == 1; }));
  EXPECT_LE(LastProgress().sent, 2);
}

TEST_F(BatchRun, TicksAreReadWhenEachLineIsWalked) {
  // Two silent devices first give the test two seconds to change ticks.
  ASSERT_TRUE(sim_.Start(FleetArgs(4, {0, 1}))) << sim_.error();
  const auto inventory = Inventory(4, {0, 1, 2});
  bool changed = false;
  RunToEnd(Context(inventory, files_.Write(Line(0, "127.0.45.1") + Line(1, "127.0.45.2") + Line(2, "127.0.45.3") +
                                           Line(3, "127.0.45.4"))),
           [&] {
             if (changed || sink_.progressEvents.empty()) return;
             auto access = inventory->lock();
             access.SetTicked(2, false);
             access.SetTicked(3, true);
             changed = true;
           });
  EXPECT_EQ(sink_.progressEvents.front().matchingLines, 3);
  EXPECT_EQ(LastProgress().sent, 3);
  EXPECT_EQ(LastProgress().accepted, 1);
  auto access = inventory->lock();
  ASSERT_EQ(access.awaited().size(), 1u);
  EXPECT_TRUE(access.awaited().IsAwaited(FleetDevice(3).mac));
}

// Sorting plans nothing by row: every (line, device) pair gets exactly one
// request, whatever order the rows are in when its line is planned.
TEST_F(BatchRun, SortsDuringARunGiveEachLineItsDeviceExactlyOnce) {
  constexpr int kDevices = 40;
  constexpr int kLinesPerDevice = 5;
  const std::string requestLog = files_.Write("");
  std::vector<std::string> args = FleetArgs(kDevices);
  args.insert(args.end(), {"--request-log", requestLog});
  ASSERT_TRUE(sim_.Start(args)) << sim_.error();
  std::vector<int> all(kDevices);
  std::iota(all.begin(), all.end(), 0);
  const auto inventory = Inventory(kDevices, all);
  // Line k of device i: 127.0.(60+k).(1+i), so every address names its device.
  std::string content;
  for (int k = 0; k < kLinesPerDevice; ++k)
    for (int i = 0; i < kDevices; ++i)
      content += Line(i, "127.0." + std::to_string(60 + k) + "." + std::to_string(1 + i));

  std::mt19937 random(5);
  RunToEnd(Context(inventory, files_.Write(content)), [&] {
    std::vector<int> order(kDevices);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), random);
    inventory->lock().ReorderRows(order);
  });
  EXPECT_TRUE(sink_.faults.empty());
  EXPECT_EQ(LastProgress().sent, kDevices * kLinesPerDevice);
  EXPECT_EQ(LastProgress().accepted, kDevices * kLinesPerDevice);

  std::map<std::string, int> requestsPerMac;
  std::ifstream log(requestLog);
  for (std::string kind, mac; log >> kind >> mac;) ++requestsPerMac[mac];
  ASSERT_EQ(requestsPerMac.size(), static_cast<size_t>(kDevices));
  for (const auto& [mac, requests] : requestsPerMac) EXPECT_EQ(requests, kLinesPerDevice) << mac;
  EXPECT_EQ(inventory->lock().awaited().size(), static_cast<size_t>(kDevices));
  for (int i = 0; i < kDevices; ++i) {
    EXPECT_EQ(RecordedAddress(*inventory, i), Ip(("127.0.64." + std::to_string(1 + i)).c_str())) << "the last line";
  }
}

TEST_F(BatchRun, NvtSettingCommandChecksConfirmsAndRefusesASecondRun) {
  ASSERT_TRUE(sim_.Start(FleetArgs(2, {0}))) << sim_.error();
  ScriptedPrompts prompts;
  PromptsInstaller installed(prompts);
  CNVTSettingDlg dialog;
  auto inventory = Inventory(2, {});
  int stopsBeforeStart = 0;
  BatchCommandSeams seams{
      nullptr, &dialog, &controller_, inventory, sink_.mailbox.mailbox(), sim_.settings(), [&] { ++stopsBeforeStart; }};
  const auto pressOk = [](QDialog& shown) {
    QTest::mouseClick(shown.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    return shown.result();
  };

  EXPECT_EQ(RunBatchCommand(seams), BatchCommandOutcome::kNothingTicked);
  inventory->lock().SetTicked(0, true);
  EXPECT_EQ(RunBatchCommand(seams), BatchCommandOutcome::kDialogCancelled);
  prompts.queueDialogScript(pressOk);
  EXPECT_EQ(RunBatchCommand(seams), BatchCommandOutcome::kNoFile);
  EXPECT_EQ(prompts.messages().size(), 1u) << "no file: silently nothing";

  const std::string path = files_.Write(Line(0, "127.0.46.1") + Line(1, "127.0.46.2"));
  prompts.queueDialogScript([&](QDialog& shown) {
    prompts.queueFileName(QString::fromStdString(path));
    QTest::mouseClick(shown.findChild<QPushButton*>("selectButton"), Qt::LeftButton);
    return pressOk(shown);
  });
  prompts.queueMessageAnswer(QMessageBox::Cancel);
  EXPECT_EQ(RunBatchCommand(seams), BatchCommandOutcome::kNotConfirmed);
  EXPECT_EQ(prompts.messages().back().text, kBatchConfirmText);
  EXPECT_EQ(stopsBeforeStart, 0);

  prompts.queueDialogScript(pressOk);  // the path is kept from the last opening
  prompts.queueMessageAnswer(QMessageBox::Ok);
  EXPECT_EQ(RunBatchCommand(seams), BatchCommandOutcome::kStarted);
  EXPECT_EQ(stopsBeforeStart, 1);
  EXPECT_EQ(RunBatchCommand(seams), BatchCommandOutcome::kAlreadyRunning);
  ASSERT_TRUE(PumpUntil([&] { return sink_.ended == 1; }));
  controller_.OnBatchEnded();
  EXPECT_EQ(LastProgress().matchingLines, 1) << "only device 0 is ticked, and it is silent";
  EXPECT_EQ(LastProgress().sent, 1);
}

}  // namespace
