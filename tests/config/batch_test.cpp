// The batch worker and the "NVT setting" command against the simulator on
// loopback: which devices get requests, what the inventory keeps, what the
// window is told, and the run's safety while the window clears and sorts.
// Threaded: also built and run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <array>
#include <map>
#include <random>

#include "discovery/row_texts.h"
#include "tests/config/config_test_support.h"
#include "tests/discovery/fake_device.h"
#include "ui/common/prompts.h"
#include "ui/config/batch_command.h"
#include "ui/config/batch_worker.h"

using namespace config_test;

namespace {

// Device i's MAC, 00:1A:2B:00:02:i, as the array the records take.
const uint8_t (&Mac(int i))[6] {
  static const auto macs = [] {
    std::array<uint8_t[6], 64> all{};
    for (int n = 0; n < 64; ++n) {
      const uint8_t bytes[6] = {0x00, 0x1A, 0x2B, 0x00, 0x02, static_cast<uint8_t>(n)};
      std::memcpy(all[n], bytes, 6);
    }
    return all;
  }();
  return macs[i];
}

std::string MacText(int i) {
  char text[18];
  std::snprintf(text, sizeof text, "00:1A:2B:00:02:%02X", i);
  return text;
}

std::string Line(int device, const std::string& type, const std::string& ip, const std::string& mask = "255.255.255.0") {
  return MacText(device) + " " + type + " " + ip + " " + mask + " 127.0.0.254 127.0.0.253\n";
}

std::string SimAddress(int i) { return "127.0.31." + std::to_string(1 + i); }

// A fleet of `count` root/kefo devices at 127.0.31.1.., MACs 00:1A:2B:00:02:i.
std::vector<std::string> FleetArgs(int count, std::vector<int> silent = {}) {
  std::vector<std::string> args = {"--count", std::to_string(count), "--first-ip", "127.0.31.1",
                                   "--mac-base", "00:1A:2B:00:02:00", "--burst"};
  for (int i : silent) args.insert(args.end(), {"--silent", std::to_string(i)});
  return args;
}

std::shared_ptr<DeviceInventory> Inventory(int count, const std::vector<int>& ticked) {
  auto inventory = std::make_shared<DeviceInventory>();
  auto access = inventory->lock();
  for (int i = 0; i < count; ++i) access.AppendRow(Device(Mac(i), SimAddress(i).c_str()));
  for (int row : ticked) access.SetTicked(row, true);
  return inventory;
}

DeviceInfo RecordOf(DeviceInventory& inventory, int i) {
  auto access = inventory.lock();
  const int row = access.table().FindRowByMac(Mac(i));
  return row >= 0 ? *access.table().Find(row)->info : DeviceInfo{};
}

class BatchRun : public ::testing::Test {
 protected:
  void SetUp() override { App(); }

  BatchRunContext Context(std::shared_ptr<DeviceInventory> inventory, const std::string& path,
                          int mode = kBatchModeThroughFile) {
    BatchRunContext context;
    context.mailbox = sink_.mailbox.mailbox();
    context.inventory = std::move(inventory);
    context.settings = sim_.settings();
    context.mode = mode;
    context.filePath = path;
    return context;
  }

  // Runs one batch on its own thread, as the window does, to its end.
  void RunToEnd(BatchRunContext context, const std::function<void()>& whileRunning = {}) {
    const int endedBefore = sink_.ended;
    ASSERT_TRUE(controller_.Start(std::move(context)));
    ASSERT_TRUE(PumpUntil([&] {
      if (whileRunning) whileRunning();
      return sink_.ended > endedBefore;
    }, 120000));
    controller_.OnBatchEnded();
    EXPECT_FALSE(controller_.IsRunning());
  }

  TempFiles files_;
  LoopbackSim sim_;
  BatchSink sink_;
  BatchController controller_;
};

TEST_F(BatchRun, MatchingTickedDevicesOnlyAndOnlyAcceptedChangesAreKept) {
  ASSERT_TRUE(sim_.Start(FleetArgs(4, {2}))) << sim_.error();
  const auto inventory = Inventory(4, {0, 1, 2});
  const std::string path = files_.Write(
      Line(0, "STATIC", "127.0.40.1") +
      "00:1a:2b:00:02:01 STATIC 127.0.41.9 255.255.255.0 127.0.0.254 127.0.0.253\n" +  // never matches
      Line(1, "static", "127.0.41.1", "255.0.255.0") +  // refused by the device
      Line(2, "STATIC", "127.0.42.1") +                 // silent device
      Line(3, "STATIC", "127.0.43.1") +                 // row not ticked
      "not a line\n" + Line(0, "Static", "127.0.40.2"));
  RunToEnd(Context(inventory, path));

  EXPECT_TRUE(sink_.faults.empty());
  ASSERT_GE(sink_.progressEvents.size(), 2u);
  EXPECT_EQ(sink_.progressEvents.front().sent, 0);
  EXPECT_EQ(sink_.progressEvents.front().matching, 4);
  EXPECT_EQ(sink_.progressEvents.back().sent, 4);
  EXPECT_EQ(sink_.progressEvents.back().accepted, 2);

  {
    auto access = inventory->lock();
    EXPECT_EQ(access.changedCount(), 2) << "device 0 accepted two requests";
    ASSERT_EQ(access.changed().GetCount(), 2);
    EXPECT_EQ(access.changed().Find(0)->info->ipAddress, Ip("127.0.40.1"));
    EXPECT_EQ(access.changed().Find(1)->info->ipAddress, Ip("127.0.40.2"));
    EXPECT_EQ(std::memcmp(access.changed().Find(1)->info->mac, Mac(0), 6), 0);
  }
  EXPECT_EQ(RecordOf(*inventory, 0).ipAddress, Ip("127.0.40.2")) << "the later line wins";
  EXPECT_EQ(RecordOf(*inventory, 0).gateway, Ip("127.0.0.254"));
  for (int kept : {1, 2, 3}) {
    EXPECT_EQ(RecordOf(*inventory, kept).ipAddress, Ip(SimAddress(kept).c_str())) << "device " << kept;
    EXPECT_EQ(RecordOf(*inventory, kept).subnetMask, Ip("255.255.255.0")) << "device " << kept;
  }

  const auto zero = sim_.ScanFor(Mac(0), [](const DeviceInfo& d) { return d.sourceAddress == Ip("127.0.40.2"); });
  ASSERT_TRUE(zero);
  EXPECT_EQ(zero->sourceAddress, Ip("127.0.40.2"));
  const auto three = sim_.ScanFor(Mac(3), [](const DeviceInfo&) { return true; });
  ASSERT_TRUE(three);
  EXPECT_EQ(three->sourceAddress, Ip(SimAddress(3).c_str())) << "an unticked row gets nothing";
}

TEST_F(BatchRun, RunsWithoutAcceptanceStillEndAndFaultsAreReported) {
  ASSERT_TRUE(sim_.Start(FleetArgs(2))) << sim_.error();
  const auto inventory = Inventory(2, {0, 1});

  RunToEnd(Context(inventory, files_.Write(Line(0, "STATIC", "0.0.0.0") + Line(1, "STATIC", "255.255.255.255"))));
  EXPECT_EQ(sink_.progressEvents.back().sent, 2);
  EXPECT_EQ(sink_.progressEvents.back().accepted, 0);
  EXPECT_EQ(inventory->lock().changed().GetCount(), 0);
  EXPECT_EQ(inventory->lock().changedCount(), 0);

  // Nothing to read, the UI way, a stop asked before the start: ended, nothing sent.
  const size_t progressBefore = sink_.progressEvents.size();
  RunToEnd(Context(inventory, "/nonexistent/list.txt"));
  RunToEnd(Context(inventory, files_.Write(Line(0, "STATIC", "127.0.44.1")), kBatchModeThroughUi));
  const std::atomic<bool> stopped{true};
  NvtSettingThreadProc(Context(inventory, files_.Write(Line(0, "STATIC", "127.0.44.1"))), stopped);
  ASSERT_TRUE(PumpUntil([&] { return sink_.ended == 4; }));
  EXPECT_EQ(sink_.progressEvents.size(), progressBefore + 1) << "only the missing file's run had a start";
  EXPECT_EQ(RecordOf(*inventory, 0).ipAddress, Ip(SimAddress(0).c_str()));
  EXPECT_TRUE(sink_.faults.empty());

  // A failure inside the run: reported, the run still ends, the port is free.
  BatchRunContext faulty = Context(inventory, files_.Write(Line(0, "STATIC", "127.0.44.1")));
  faulty.openEndpoint = [](EncpClient* client, const EncpEndpointSettings& settings) -> int32_t {
    ENCPCLIENT_Init(client, settings);
    throw std::runtime_error("injected");
  };
  RunToEnd(faulty);
  ASSERT_EQ(sink_.faults.size(), 1u);
  EXPECT_EQ(sink_.faults[0], kBatchFaultText);
  EXPECT_EQ(sink_.ended, 5);
  UdpSocket samePort(sim_.settings().localPort);
  EXPECT_TRUE(samePort.bound()) << "the endpoint was closed after the failure";
}

TEST_F(BatchRun, TicksAreReadWhenEachLineIsWalked) {
  // Two silent devices first give the test two seconds to change ticks.
  ASSERT_TRUE(sim_.Start(FleetArgs(4, {0, 1}))) << sim_.error();
  const auto inventory = Inventory(4, {0, 1, 2});
  const std::string path = files_.Write(Line(0, "STATIC", "127.0.45.1") + Line(1, "STATIC", "127.0.45.2") +
                                        Line(2, "STATIC", "127.0.45.3") + Line(3, "STATIC", "127.0.45.4"));
  bool changed = false;
  RunToEnd(Context(inventory, path), [&] {
    if (changed || sink_.progressEvents.empty()) return;
    auto access = inventory->lock();
    access.SetTicked(2, false);
    access.SetTicked(3, true);
    changed = true;
  });
  EXPECT_EQ(sink_.progressEvents.front().matching, 3);
  EXPECT_EQ(sink_.progressEvents.back().sent, 3);
  EXPECT_EQ(sink_.progressEvents.back().accepted, 1);
  auto access = inventory->lock();
  ASSERT_EQ(access.changed().GetCount(), 1);
  EXPECT_EQ(std::memcmp(access.changed().Find(0)->info->mac, Mac(3), 6), 0);
}

TEST_F(BatchRun, ClearAndSortDuringARunNeverMixDevices) {
  constexpr int kDevices = 40;
  constexpr int kLinesPerDevice = 5;
  ASSERT_TRUE(sim_.Start(FleetArgs(kDevices))) << sim_.error();
  std::vector<int> all(kDevices);
  for (int i = 0; i < kDevices; ++i) all[i] = i;
  const auto inventory = Inventory(kDevices, all);
  // Line k of device i: 127.0.(60+k).(1+i), so every address names its device.
  std::string content;
  for (int k = 0; k < kLinesPerDevice; ++k)
    for (int i = 0; i < kDevices; ++i)
      content += Line(i, "STATIC", "127.0." + std::to_string(60 + k) + "." + std::to_string(1 + i));

  std::mt19937 random(5);
  int reorders = 0;
  bool cleared = false;
  RunToEnd(Context(inventory, files_.Write(content)), [&] {
    auto access = inventory->lock();
    std::vector<QString> macs;
    for (int row = 0; row < access.RowCount(); ++row) {
      const DeviceEntry* entry = access.table().Find(row);
      if (entry != nullptr && entry->info) macs.push_back(FormatListMac(entry->info->mac));
    }
    std::shuffle(macs.begin(), macs.end(), random);
    access.RekeyRows(macs, std::vector<bool>(macs.size(), true));
    ++reorders;
    if (!cleared && !sink_.progressEvents.empty() && sink_.progressEvents.back().sent >= kDevices) {
      access.ClearAll();
      for (int i = 0; i < kDevices; i += 2) access.SetTicked(access.AppendRow(Device(Mac(i), SimAddress(i).c_str())), true);
      cleared = true;
    }
  });
  EXPECT_TRUE(sink_.faults.empty());
  EXPECT_GT(reorders, 1);
  EXPECT_TRUE(cleared) << "the run ended before the clear; sent " << sink_.progressEvents.back().sent;

  const auto ownAddress = [](const DeviceInfo& device) {
    const uint8_t* ip = reinterpret_cast<const uint8_t*>(&device.ipAddress);
    return ip[3] == device.mac[5] + 1 && ip[2] >= 60 && ip[2] < 60 + kLinesPerDevice;
  };
  auto access = inventory->lock();
  EXPECT_EQ(access.changedCount(), access.changed().GetCount());
  EXPECT_LE(access.changed().GetCount(), sink_.progressEvents.back().accepted);
  for (const DeviceEntry* entry = access.changed().Head(); entry != nullptr; entry = entry->next.get()) {
    EXPECT_TRUE(ownAddress(*entry->info)) << FormatListMac(entry->info->mac).toStdString();
  }
  for (const DeviceEntry* entry = access.table().Head(); entry != nullptr; entry = entry->next.get()) {
    const DeviceInfo& device = *entry->info;
    EXPECT_TRUE(device.ipAddress == Ip(SimAddress(device.mac[5]).c_str()) || ownAddress(device))
        << FormatListMac(device.mac).toStdString();
  }
}

TEST_F(BatchRun, NvtSettingCommandChecksConfirmsAndRefusesASecondRun) {
  ASSERT_TRUE(sim_.Start(FleetArgs(2, {0}))) << sim_.error();
  ScriptedPrompts prompts;
  PromptsInstaller installed(prompts);
  CNVTSettingDlg dialog;
  auto inventory = std::make_shared<DeviceInventory>();
  int stopsBeforeStart = 0;
  BatchCommandSeams seams{nullptr, &dialog, &controller_, inventory, sink_.mailbox.mailbox(), sim_.settings(),
                          [&] { ++stopsBeforeStart; }};
  const auto pressOk = [](QDialog& shown) {
    QTest::mouseClick(shown.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    return shown.result();
  };

  EXPECT_EQ(RunBatchCommand(seams), BatchCommandOutcome::kNothingTicked) << "empty table";
  { auto access = inventory->lock();
    access.AppendRow(Device(Mac(0), SimAddress(0).c_str()));
    access.AppendRow(Device(Mac(1), SimAddress(1).c_str())); }
  EXPECT_EQ(RunBatchCommand(seams), BatchCommandOutcome::kNothingTicked);
  ASSERT_EQ(prompts.messages().size(), 2u);
  EXPECT_EQ(prompts.messages()[1].text, kBatchNothingTickedText);
  EXPECT_EQ(prompts.dialogsRun(), 0);

  inventory->lock().SetTicked(0, true);
  EXPECT_EQ(RunBatchCommand(seams), BatchCommandOutcome::kDialogCancelled);
  prompts.queueDialogScript(pressOk);
  EXPECT_EQ(RunBatchCommand(seams), BatchCommandOutcome::kNoFile);
  EXPECT_EQ(prompts.messages().size(), 2u) << "no file: silently nothing";

  const std::string path = files_.Write(Line(0, "STATIC", "127.0.46.1") + Line(1, "STATIC", "127.0.46.2"));
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
  EXPECT_TRUE(controller_.IsRunning());
  EXPECT_EQ(RunBatchCommand(seams), BatchCommandOutcome::kAlreadyRunning);
  EXPECT_EQ(prompts.messages().back().text, kBatchAlreadyRunningText);
  ASSERT_TRUE(PumpUntil([&] { return sink_.ended == 1; }));
  controller_.OnBatchEnded();
  EXPECT_FALSE(controller_.IsRunning());
  EXPECT_EQ(sink_.progressEvents.back().matching, 1) << "only device 0 is ticked, and it is silent";
  EXPECT_EQ(sink_.progressEvents.back().sent, 1);
}

}  // namespace
