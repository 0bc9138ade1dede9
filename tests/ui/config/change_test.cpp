// Changes sent to devices: "Apply"'s request and command against a stand-in
// device; the batch worker and "NVT setting" command against the simulator:
// who gets requests, what the inventory keeps, and safety during sorts.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <numeric>
#include <random>
#include <thread>
#include <tuple>

#include "batch/address_list_file.h"
#include "discovery/worker_events.h"
#include "protocol/encp_endpoint.h"
#include "tests/support/device_builder.h"
#include "tests/support/loopback_udp.h"
#include "tests/support/operator_answers.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/reply_builder.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_files.h"
#include "ui/config/apply_command.h"
#include "ui/config/batch_command.h"
#include "ui/config/batch_worker.h"
#include "ui/config/single_change.h"

namespace {

uint32_t Ip(const std::string& text) { return inet_addr(text.c_str()); }

SettingsPanelValues Panel(bool isStatic, bool isDhcp) {
  return {isStatic, isDhcp, ntohl(Ip("192.168.1.10")), ntohl(Ip("255.255.0.0")), 0, 0};
}

TEST(SingleChangeRequest, TypeWireOrderLoginTextsCutAndTheDevicesOwnFields) {
  DeviceInfo device = TestDevice(1, "10.0.0.9");
  std::strcpy(device.pppoeText1, "user@isp");
  std::strcpy(device.pppoeText2, "secret");
  auto request = SettingRequestFor(device, PanelSettings(Panel(true, true)), {"operator12", std::string(30, 'p')});
  // Static wins; 8 characters fill the ID, no terminator; the device's dial-up texts are kept.
  EXPECT_EQ((std::tuple{request.networkType, request.ipAddress, std::string(request.userId, 8),
                        std::string(request.password, sizeof request.password),
                        std::string(request.pppoeText1) + " " + request.pppoeText2}),
            std::tuple(kNetworkStatic, Ip("192.168.1.10"), "operator", std::string(22, 'p'), "user@isp secret"));
  EXPECT_EQ(PanelSettings(Panel(false, true)).networkType, kNetworkDhcp);
  const auto other = SettingRequestFor(device, PanelSettings(Panel(false, false)), {"ab%d", "x"});
  EXPECT_EQ(other.networkType, kNetworkPppoe);
  EXPECT_EQ(std::string(other.userId, 8), std::string("ab%d\0\0\0\0", 8)) << "taken as typed, zero-filled";

  // The copy of the password is wiped once the request has left.
  UdpSocket device2;
  EncpEndpoint endpoint({FreeLoopbackPort(), device2.port(), Ip("127.0.0.1")});
  ASSERT_EQ(SendSettingRequest(endpoint.client(), request), 0);
  EXPECT_EQ(std::string(request.password, sizeof request.password), std::string(22, '\0'));
}

// Confirmed and logged in, against a device that answers with `answer`
// (nothing when empty): the outcome and the boxes after the confirmation.
TEST(ApplyCommand, EachAnswerGivesItsOutcomeAndErrorBoxes) {
  TestApplication();
  ScriptedPrompts prompts;
  PromptsInstaller installed(prompts);
  const struct {
    std::vector<uint8_t> answer;
    ApplyCommandOutcome outcome;
    std::vector<QString> boxes;
  } cases[] = {
      {ReplyBuilder(3, 0).finish(), ApplyCommandOutcome::kAccepted, {}},
      {ReplyBuilder(3, 2).finish(), ApplyCommandOutcome::kRefusedCredential, {kApplyBadLoginText}},
      // The length field lies.
      {{'E', 'N', 'C', 'P', 3, 99, 0, 0}, ApplyCommandOutcome::kRefused, {kApplyConfigErrorText}},
      {{}, ApplyCommandOutcome::kNoAnswer, {}},
  };
  for (const auto& c : cases) {
    UdpSocket device;
    const EncpEndpointSettings settings{FreeLoopbackPort(), device.port(), Ip("127.0.0.1")};
    std::thread answerer([&] {
      sockaddr_in from{};
      device.Receive(std::chrono::seconds(10), &from);
      if (!c.answer.empty()) device.SendTo(from, c.answer);
    });
    const size_t before = prompts.messages().size();
    QueueApplyAnswers(prompts);
    // The device answers from where it was found, as answers must.
    EXPECT_EQ(RunApplyCommand(nullptr, TestDevice(1, "127.0.0.1"), Panel(true, false), settings), c.outcome);
    answerer.join();
    std::vector<QString> shown;
    for (size_t i = before + 1; i < prompts.messages().size(); ++i) shown.push_back(prompts.messages()[i].text);
    EXPECT_EQ(shown, c.boxes) << static_cast<int>(c.outcome);
  }
}

std::string Line(int device, const std::string& ip, const char* mask = "255.255.255.0") {
  return QString::asprintf("00:1A:2B:3C:4D:%02X STATIC %s %s 127.0.0.254 127.0.0.253\n", device, ip.c_str(), mask)
      .toStdString();
}

// Stands in for the main window: records what a batch worker posts to it.
class BatchSink : public QObject {
 public:
  bool event(QEvent* event) override {
    const auto* worker = dynamic_cast<WorkerEvent*>(event);
    if (worker == nullptr) return QObject::event(event);
    const WorkerMessage& message = worker->message();
    if (const auto* progress = std::get_if<BatchProgress>(&message)) progressEvents.push_back(progress->tally);
    if (const auto* fault = std::get_if<WorkerFault>(&message)) faults.push_back(fault->text);
    if (std::holds_alternative<BatchEnded>(message)) ++ended;
    return true;
  }

  std::vector<BatchTally> progressEvents;
  std::vector<QString> faults;
  int ended = 0;
  MailboxOwner mailbox{this};
};

class BatchRun : public ::testing::Test {
 protected:
  // In the constructor, so that the application exists before any widget
  // of a derived fixture.
  BatchRun() { TestApplication(); }

  // The simulator on free loopback ports with a fleet of `count` devices,
  // device i at 127.0.31.(1+i) and `silent` ones never answering, all listed
  // and those in `ticked` ticked.
  void StartFleet(int count, const std::vector<int>& ticked, const std::vector<int>& silent = {}) {
    std::vector<std::string> args = {"--first-ip",   "127.0.31.1", "--mac-base",    "00:1A:2B:3C:4D:00", "--burst",
                                     "--move-delay", "50",         "--request-log", requestLog_};
    args.insert(args.end(), {"--count", std::to_string(count), "--port", "0"});
    for (int i : silent) args.insert(args.end(), {"--silent", std::to_string(i)});
    ASSERT_TRUE(sim_.Start(args)) << sim_.error();
    settings_ = {FreeLoopbackPort(), sim_.port(), Ip("127.0.0.1")};
    auto access = inventory_->lock();
    for (int i = 0; i < count; ++i) access.AppendRow(TestDevice(i, ("127.0.31." + std::to_string(1 + i)).c_str()));
    for (int row : ticked) access.SetTicked(row, true);
  }

  BatchRunContext Context(const std::string& path) {
    return {sink_.mailbox.mailbox(), inventory_, settings_, BatchMode::kThroughFile, path, {}};
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

  uint32_t RecordedAddress(int i) {
    auto access = inventory_->lock();
    return access.table().Find(access.table().FindRowByMac(TestDevice(i).mac))->ipAddress;
  }
  const BatchTally& LastProgress() const { return sink_.progressEvents.back(); }

  TempFiles files_;
  const std::string requestLog_ = files_.Write("");
  std::shared_ptr<DeviceInventory> inventory_ = std::make_shared<DeviceInventory>();
  tavrix::lab::SimProcess sim_;
  EncpEndpointSettings settings_;
  BatchSink sink_;
  BatchController controller_;
};

// Ticks are read when the run starts: device 2 is not ticked then. Only
// accepted changes are recorded and awaited, the later of two where the
// device took both.
TEST_F(BatchRun, LinesGoToUpperCaseMacsTickedAtTheStartAndOnlyAcceptanceIsKept) {
  StartFleet(4, {0, 1, 3}, {0, 1});
  RunToEnd(Context(files_.Write(Line(0, "127.0.45.1") + Line(1, "127.0.45.2") + Line(2, "127.0.45.3") +
                                Line(3, "127.0.45.4") + Line(3, "127.0.41.9").replace(3, 5, "1a:2b") +
                                Line(3, "127.0.45.5") + Line(3, "127.0.41.1", "255.0.255.0"))));
  EXPECT_TRUE(sink_.faults.empty());
  // A lower-case MAC never matches and the broken mask was refused.
  const BatchTally& first = sink_.progressEvents.front();
  EXPECT_EQ(std::tuple(first.sent, first.matchingLines, LastProgress().sent, LastProgress().accepted),
            std::tuple(0, 5, 5, 2));
  EXPECT_EQ(inventory_->lock().awaited().size(), 1u);
  EXPECT_TRUE(inventory_->lock().awaited().Verify(TestDevice(3, "127.0.45.5")))
      << "awaited where the later line put it";
  EXPECT_EQ(std::pair(RecordedAddress(3), RecordedAddress(2)), std::pair(Ip("127.0.45.5"), Ip("127.0.31.3")))
      << "the later line wins; a refused change is not recorded";
}

// Four silent devices, all ticked, each with one line: a run over them waits
// on every device, so only a stop, a fault or the list itself ends it early.
class EarlyEnd : public BatchRun {
 protected:
  void SetUp() override { StartFleet(4, {0, 1, 2, 3}, {0, 1, 2, 3}); }

  const std::string path_ =
      files_.Write(Line(0, "127.0.47.1") + Line(1, "127.0.47.2") + Line(2, "127.0.47.3") + Line(3, "127.0.47.4"));
};

TEST_F(EarlyEnd, AListThatCannotBeReadIsSaid) {
  RunToEnd(Context("/nonexistent/list.txt"));
  EXPECT_EQ(sink_.faults,
            std::vector<QString>{QString::fromUtf8(AddressListStatusText(AddressListStatus::kCannotOpen))});
}

TEST_F(EarlyEnd, AStopAskedBeforeTheStartEndsTheRunUnstarted) {
  const std::atomic<bool> stop{true};
  NvtSettingThreadProc(Context(path_), stop);
  ASSERT_TRUE(PumpUntil([&] { return sink_.ended == 1; }));
  EXPECT_TRUE(sink_.progressEvents.empty());
}

// Closing the window asks this of a run that a device keeps waiting.
TEST_F(EarlyEnd, AStopWhileDevicesKeepTheRunWaitingEndsIt) {
  std::atomic<bool> stop{false};
  std::thread run([&] { NvtSettingThreadProc(Context(path_), stop); });
  const bool sent = PumpUntil([&] { return !sink_.progressEvents.empty() && LastProgress().sent > 0; });
  stop = true;
  run.join();
  ASSERT_TRUE(sent);
  EXPECT_TRUE(PumpUntil([&] { return sink_.ended == 1; }));
}

TEST_F(EarlyEnd, AFailureInsideTheRunIsSaidAndReleasesThePort) {
  BatchRunContext faulty = Context(path_);
  faulty.openEndpoint = [](EncpClient* client, const EncpEndpointSettings& settings) -> int32_t {
    ENCPCLIENT_Init(client, settings);
    throw std::runtime_error("injected");
  };
  RunToEnd(faulty);
  EXPECT_EQ(sink_.faults, std::vector<QString>{kBatchFaultText});
  EXPECT_TRUE(UdpSocket(settings_.localPort).bound());
}

TEST_F(EarlyEnd, AnotherProgramOnThePortWithholdsEveryChange) {
  UdpSocket holder(settings_.localPort);
  ASSERT_TRUE(holder.bound());
  RunToEnd(Context(path_));
  ASSERT_EQ(sink_.faults.size(), 1u);
  EXPECT_TRUE(sink_.faults[0].endsWith("No setting was sent.")) << sink_.faults[0].toStdString();
  EXPECT_EQ(sink_.progressEvents.size(), 1u) << "nothing after the start";
}

// Sorting plans nothing by row: every (line, device) pair gets exactly one
// request, whatever order the rows are in when its line is planned.
TEST_F(BatchRun, SortsDuringARunGiveEachLineItsDeviceExactlyOnce) {
  constexpr int kDevices = 40;
  constexpr int kLinesPerDevice = 5;
  std::vector<int> order(kDevices);
  std::iota(order.begin(), order.end(), 0);
  StartFleet(kDevices, order);
  // Line k of device i: 127.0.(60+k).(1+i), so every address names its device.
  std::string content;
  for (int k = 0; k < kLinesPerDevice; ++k)
    for (int i = 0; i < kDevices; ++i)
      content += Line(i, "127.0." + std::to_string(60 + k) + "." + std::to_string(1 + i));

  std::mt19937 random(5);
  RunToEnd(Context(files_.Write(content)), [&] {
    std::shuffle(order.begin(), order.end(), random);
    inventory_->lock().ReorderRows(order);
  });
  EXPECT_TRUE(sink_.faults.empty());
  EXPECT_EQ(LastProgress().accepted, kDevices * kLinesPerDevice);

  std::map<std::string, int> requestsPerMac;
  std::ifstream log(requestLog_);
  for (std::string line; std::getline(log, line);) {
    // The run's searches name no MAC.
    if (line.rfind("change ", 0) == 0) ++requestsPerMac[line.substr(7)];
  }
  ASSERT_EQ(requestsPerMac.size(), static_cast<size_t>(kDevices));
  for (const auto& [mac, requests] : requestsPerMac) EXPECT_EQ(requests, kLinesPerDevice) << mac;
  EXPECT_EQ(inventory_->lock().awaited().size(), static_cast<size_t>(kDevices));
  for (int i = 0; i < kDevices; ++i)
    EXPECT_EQ(RecordedAddress(i), Ip("127.0.64." + std::to_string(1 + i))) << "the last line";
}

// The "NVT setting" command before a listed fleet of two, device 0 ticked
// and silent so that a started run keeps waiting; the operator is scripted.
class NvtSettingCommand : public BatchRun {
 protected:
  void SetUp() override { StartFleet(2, {0}, {0}); }
  void TearDown() override {
    if (!controller_.IsRunning()) return;
    ASSERT_TRUE(PumpUntil([&] { return sink_.ended == 1; }));
    controller_.OnBatchEnded();
  }

  BatchCommandOutcome Run() {
    return RunBatchCommand({nullptr, &dialog_, &controller_, inventory_, sink_.mailbox.mailbox(), settings_,
                            [&] { ++stopsBeforeStart_; }});
  }
  // The dialog picks `path` (no file when empty) and is left with OK; a
  // confirmation asked for is answered with `answer`.
  BatchCommandOutcome RunWith(const std::string& path, QMessageBox::StandardButton answer = QMessageBox::Ok) {
    prompts_.queueDialogScript([this, path](QDialog& shown) {
      if (!path.empty()) {
        prompts_.queueFileName(QString::fromStdString(path));
        QTest::mouseClick(shown.findChild<QPushButton*>("selectButton"), Qt::LeftButton);
      }
      QTest::mouseClick(shown.findChild<QPushButton*>("okButton"), Qt::LeftButton);
      return shown.result();
    });
    prompts_.queueMessageAnswer(answer);
    return Run();
  }

  ScriptedPrompts prompts_;
  PromptsInstaller installed_{prompts_};
  CNVTSettingDlg dialog_;
  int stopsBeforeStart_ = 0;
  const std::string list_ = files_.Write(Line(0, "127.0.46.1"));
};

TEST_F(NvtSettingCommand, NothingTickedIsSaidBeforeTheDialogOpens) {
  inventory_->lock().SetTicked(0, false);
  EXPECT_EQ(Run(), BatchCommandOutcome::kNothingTicked);
  ASSERT_EQ(prompts_.messages().size(), 1u);
  EXPECT_EQ(prompts_.messages()[0].text, kBatchNothingTickedText);
}

TEST_F(NvtSettingCommand, ACancelledDialogEndsTheCommand) { EXPECT_EQ(Run(), BatchCommandOutcome::kDialogCancelled); }

TEST_F(NvtSettingCommand, NoFileChosenEndsTheCommandSilently) {
  EXPECT_EQ(RunWith(""), BatchCommandOutcome::kNoFile);
  EXPECT_TRUE(prompts_.messages().empty());
}

TEST_F(NvtSettingCommand, AnUnconfirmedChangeLeavesDiscoveryRunning) {
  EXPECT_EQ(RunWith(list_, QMessageBox::Cancel), BatchCommandOutcome::kNotConfirmed);
  EXPECT_EQ(prompts_.messages().back().text, kBatchConfirmText);
  EXPECT_EQ(stopsBeforeStart_, 0);
}

TEST_F(NvtSettingCommand, AConfirmedRunStartsOnceDiscoveryIsStopped) {
  EXPECT_EQ(RunWith(list_), BatchCommandOutcome::kStarted);
  EXPECT_EQ(stopsBeforeStart_, 1);
}

TEST_F(NvtSettingCommand, ASecondRunIsRefusedWhileTheFirstRuns) {
  ASSERT_EQ(RunWith(list_), BatchCommandOutcome::kStarted);
  EXPECT_EQ(Run(), BatchCommandOutcome::kAlreadyRunning);
  EXPECT_EQ(prompts_.messages().back().text, kBatchAlreadyRunningText);
}

}  // namespace
