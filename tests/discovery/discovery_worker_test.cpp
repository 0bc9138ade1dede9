// The discovery worker against real UDP on loopback: what a cycle posts, how
// it stops, and that a window destroyed under a running worker is never
// touched (run this binary under AddressSanitizer and ThreadSanitizer).
#include "discovery/discovery_worker.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <variant>

#include "discovery/worker_events.h"
#include "protocol/search_cycle.h"
#include "tests/support/loopback_udp.h"
#include "tests/support/pump_until.h"
#include "tests/support/reply_builder.h"

namespace {

// Stands in for the main window: records every discovery event the workers
// post to it, device by device, through the same mailbox the window owns.
class EventSink : public QObject {
 public:
  struct Received {
    std::variant<DeviceInfo, WorkerFault, DiscoveryEnded> what;
    DiscoveryCycle cycle = kNoDiscoveryCycle;
  };

  bool event(QEvent* event) override {
    const auto* worker = dynamic_cast<WorkerEvent*>(event);
    if (worker == nullptr) return QObject::event(event);
    const WorkerMessage& message = worker->message();
    if (const auto* found = std::get_if<DevicesFound>(&message)) {
      for (const DeviceInfo& device : found->devices) received.push_back({device, worker->cycle()});
    } else if (const auto* fault = std::get_if<WorkerFault>(&message)) {
      received.push_back({*fault, worker->cycle()});
    } else if (std::holds_alternative<DiscoveryEnded>(message)) {
      received.push_back({DiscoveryEnded{}, worker->cycle()});
    }
    return true;
  }

  template <class Kind>
  int count() const {
    return static_cast<int>(std::count_if(received.begin(), received.end(),
                                          [](const Received& r) { return std::holds_alternative<Kind>(r.what); }));
  }
  const DeviceInfo& device(size_t i) const { return std::get<DeviceInfo>(received.at(i).what); }
  const QString& faultText(size_t i) const { return std::get<WorkerFault>(received.at(i).what).text; }
  bool ended(int cycles = 1) const { return count<DiscoveryEnded>() == cycles; }

  std::vector<Received> received;
  MailboxOwner mailbox{this};
};

// A device's answer built byte by byte, not with the codec under test.
std::vector<uint8_t> SearchReply(const uint8_t mac[6], const std::string& model, uint16_t webPort = 0) {
  const std::string texts[6] = {model};
  ReplyBuilder reply(3);
  reply.searchFixedPart(texts, mac);
  if (webPort != 0) reply.option(8, {static_cast<uint8_t>(webPort & 0xFF), static_cast<uint8_t>(webPort >> 8)});
  return reply.finish();
}

constexpr uint8_t kMacA[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
constexpr uint8_t kMacB[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5F};

EncpEndpointSettings LoopbackSettings(uint16_t devicePort) {
  return {FreeLoopbackPort(), devicePort, htonl(INADDR_LOOPBACK)};
}

int32_t ThrowingOpen(EncpClient*, const EncpEndpointSettings&) { throw std::runtime_error("no endpoint"); }
int32_t OpenThenThrow(EncpClient* client, const EncpEndpointSettings& settings) {
  ENCPCLIENT_Init(client, settings);
  throw std::runtime_error("after bind");
}

// A tiny receive buffer flooded before the cycle reads: the system must
// discard most of the flood.
int32_t OpenIntoAFlood(EncpClient* client, const EncpEndpointSettings& settings) {
  EncpEndpointSettings tiny = settings;
  tiny.receiveBufferBytes = 1;
  const int32_t result = ENCPCLIENT_Init(client, tiny);
  UdpSocket flood;
  for (int i = 0; i < 64; ++i) flood.SendTo(settings.localPort, SearchReply(kMacA, "NVT"));
  return result;
}

// Stands for a socket call that hangs until the test lets it go.
std::atomic<bool> releaseHungOpen{false};  // set once, by the one test that hangs
int32_t HangingOpen(EncpClient* client, const EncpEndpointSettings& settings) {
  for (int i = 0; i < 1000 && !releaseHungOpen.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return ENCPCLIENT_Init(client, settings);
}

class DiscoveryWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "tavrix-test";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
    ASSERT_TRUE(device.bound());
  }
  UdpSocket device;
  EventSink window;
};

TEST_F(DiscoveryWorkerTest, QuietCycleSendsOneSearchPostsOnlyEndedAfterHalfASecond) {
  DiscoveryController controller(window.mailbox.mailbox(), LoopbackSettings(device.port()));
  controller.StopDiscoveryWorker();  // nothing recorded: nothing happens
  EXPECT_FALSE(controller.IsWorkerRecorded());

  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(controller.StartDiscoveryWorker());
  EXPECT_TRUE(controller.IsWorkerRecorded());
  EXPECT_EQ(device.Receive(std::chrono::seconds(5)),
            (std::vector<uint8_t>{0x41, 0x44, 0x43, 0x54, 0x02, 0x09, 0x00, 0x03, 0xFF}));

  ASSERT_TRUE(PumpUntil([&] { return window.ended(); }, 2000)) << "a scan ends within 2 s";
  EXPECT_GE(clock.elapsed(), 490);
  EXPECT_EQ(window.received.size(), 1u);
  EXPECT_TRUE(controller.IsWorkerRecorded()) << "an ended worker stays recorded until it is stopped";
  controller.StopDiscoveryWorker();
  EXPECT_FALSE(controller.IsWorkerRecorded());
  EXPECT_TRUE(device.Receive(std::chrono::milliseconds(100)).empty()) << "exactly one search per cycle";
}

// Every decoded reply is its own record, junk is passed over, and more
// replies than one batch holds, sent back to back, arrive once each, in the
// order sent, before the end, however the worker cuts them into batches.
TEST_F(DiscoveryWorkerTest, EveryDecodedReplyArrivesInOrderBeforeTheEndAndJunkIsPassedOver) {
  constexpr int kBurst = 600;
  DiscoveryController controller(window.mailbox.mailbox(), LoopbackSettings(device.port()));
  ASSERT_TRUE(controller.StartDiscoveryWorker());
  sockaddr_in worker{};
  ASSERT_FALSE(device.Receive(std::chrono::seconds(5), &worker).empty());

  auto badMagic = SearchReply(kMacB, "junk");
  badMagic[0] = 'X';
  device.SendTo(worker, SearchReply(kMacA, "Camera-1", 8080));
  device.SendTo(worker, badMagic);
  device.SendTo(worker, ReplyBuilder(3, 0).finish());
  device.SendTo(worker, std::vector<uint8_t>(3000, 0x45));  // larger than any reply
  for (int i = 0; i < kBurst; ++i) {
    const uint8_t mac[6] = {0x00, 0x1A, 0x2B, 0x3C, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
    device.SendTo(worker, SearchReply(i == 0 ? kMacA : mac, "NVT"));
  }
  ASSERT_TRUE(PumpUntil([&] { return window.ended(); }));
  ASSERT_EQ(window.count<DeviceInfo>(), 1 + kBurst);
  EXPECT_TRUE(std::holds_alternative<DiscoveryEnded>(window.received.back().what)) << "records come before the end";
  const DeviceInfo& first = window.device(0);
  EXPECT_EQ(first.webPort, 8080);
  EXPECT_EQ(first.sourceAddress, htonl(INADDR_LOOPBACK)) << "the sender is recorded";
  EXPECT_EQ(std::memcmp(window.device(1).mac, kMacA, 6), 0) << "a repeated device is a record again";
  for (int i = 1; i < kBurst; ++i) {
    const DeviceInfo& found = window.device(1 + i);
    ASSERT_EQ(found.mac[4] << 8 | found.mac[5], i) << "arrival order kept";
  }
  EXPECT_TRUE(device.Receive(std::chrono::milliseconds(100)).empty()) << "nothing lost, nothing searched again";
}

TEST_F(DiscoveryWorkerTest, StartWhileRunningOrStopEndsTheCycleAtOnceAndFreesItsPort) {
  const auto settings = LoopbackSettings(device.port());
  const std::atomic<bool> stopAlreadySet{true};
  EXPECT_EQ(EncpThreadProc({window.mailbox.mailbox(), settings}, stopAlreadySet), 0);
  EXPECT_FALSE(device.Receive(std::chrono::seconds(2)).empty()) << "the search still goes out";

  DiscoveryController controller(window.mailbox.mailbox(), settings);
  ASSERT_TRUE(controller.StartDiscoveryWorker());
  const DiscoveryCycle first = controller.CurrentCycle();
  ASSERT_FALSE(device.Receive(std::chrono::seconds(5)).empty());
  ASSERT_TRUE(controller.StartDiscoveryWorker());
  const DiscoveryCycle second = controller.CurrentCycle();
  sockaddr_in from{};
  ASSERT_FALSE(device.Receive(std::chrono::seconds(5), &from).empty());
  EXPECT_EQ(ntohs(from.sin_port), settings.localPort) << "the old cycle had given up the port: no overlap";
  QElapsedTimer clock;
  clock.start();
  controller.StopDiscoveryWorker();
  EXPECT_LT(clock.elapsed(), 2900) << "the worker saw the flag; it was not abandoned at the stop wait";
  EXPECT_NE(controller.CurrentCycle(), second) << "a stopped cycle is over";
  UdpSocket reuse(settings.localPort);
  EXPECT_TRUE(reuse.bound()) << "its endpoint was closed";
  ASSERT_TRUE(PumpUntil([&] { return window.ended(3); }));
  EXPECT_EQ(window.received[1].cycle, first);
  EXPECT_EQ(window.received[2].cycle, second);
}

// A fault is told to the operator before the cycle's end.
class DiscoveryFaultTest : public DiscoveryWorkerTest {
 protected:
  bool RunOneCycle() {
    const int before = window.count<DiscoveryEnded>();
    return controller.StartDiscoveryWorker() && PumpUntil([&] { return window.ended(before + 1); });
  }
  const EncpEndpointSettings settings = LoopbackSettings(device.port());
  DiscoveryController controller{window.mailbox.mailbox(), settings};
};

TEST_F(DiscoveryFaultTest, HeldLocalPortIsToldFirstAndTheCycleStillHearsReplies) {
  UdpSocket holder(settings.localPort);
  ASSERT_TRUE(holder.bound());
  ASSERT_TRUE(controller.StartDiscoveryWorker());
  sockaddr_in worker{};
  ASSERT_FALSE(device.Receive(std::chrono::seconds(5), &worker).empty());
  EXPECT_NE(ntohs(worker.sin_port), settings.localPort) << "sent from a port the system chose";
  device.SendTo(worker, SearchReply(kMacB, "Encoder"));
  ASSERT_TRUE(PumpUntil([&] { return window.ended(); }));
  EXPECT_EQ(window.count<DeviceInfo>(), 1);
  for (const auto& event : window.received) EXPECT_EQ(event.cycle, controller.CurrentCycle());
  ASSERT_TRUE(std::holds_alternative<WorkerFault>(window.received[0].what)) << "the operator is told first";
  EXPECT_TRUE(window.faultText(0).startsWith(QString("UDP port %1 cannot be used").arg(settings.localPort)));
}

// A burst that lost replies is searched for again: the device answering the
// repeat is found and nothing is reported lost.
TEST_F(DiscoveryFaultTest, RepliesLostToAFullBufferAreSearchedForAgain) {
  controller.SetEndpointOpener(OpenIntoAFlood);
  std::thread answering([&] {
    sockaddr_in worker{};
    for (int i = 0; i < kMostSearchesPerCycle && !device.Receive(std::chrono::seconds(1), &worker).empty(); ++i)
      device.SendTo(worker, SearchReply(kMacB, "Encoder"));
  });
  const bool ran = RunOneCycle();
  answering.join();
  ASSERT_TRUE(ran);
  EXPECT_EQ(window.count<WorkerFault>(), 0);
  EXPECT_TRUE(std::any_of(window.received.begin(), window.received.end(), [](const EventSink::Received& r) {
    const auto* found = std::get_if<DeviceInfo>(&r.what);
    return found != nullptr && std::memcmp(found->mac, kMacB, 6) == 0;
  }));
}

TEST_F(DiscoveryFaultTest, RepliesLostForGoodAreCountedInOneFault) {
  controller.SetEndpointOpener(OpenIntoAFlood);
  ASSERT_TRUE(RunOneCycle());
  ASSERT_EQ(window.count<WorkerFault>(), 1);
  const QString text = window.faultText(window.received.size() - 2);
  EXPECT_TRUE(text.startsWith("The device list may be incomplete: "));
  EXPECT_EQ(window.count<DeviceInfo>() + text.split(' ')[6].toInt(), 64)
      << "every datagram is either read or counted as discarded";
}

TEST_F(DiscoveryFaultTest, ThrowingOpenPostsTheFaultTextThenTheEnd) {
  controller.SetEndpointOpener(ThrowingOpen);
  ASSERT_TRUE(RunOneCycle());
  ASSERT_EQ(window.received.size(), 2u);
  EXPECT_EQ(window.faultText(0), QStringLiteral("[ERROR] EncpThreadProc : EncpThreadProcRun"));
}

TEST_F(DiscoveryFaultTest, CycleThatThrowsAfterBindingClosesItsSocket) {
  controller.SetEndpointOpener(OpenThenThrow);
  ASSERT_TRUE(RunOneCycle());
  ASSERT_EQ(window.count<WorkerFault>(), 1) << "the cycle threw";
  controller.StopDiscoveryWorker();
  UdpSocket reuse(settings.localPort);
  EXPECT_TRUE(reuse.bound());
}

// A worker stuck in a socket call outlives its 3000 ms stop wait and is let go.
TEST_F(DiscoveryWorkerTest, WorkerLeftRunningAfterStopWaitCannotReachTheWindow) {
  auto sink = std::make_unique<EventSink>();
  std::weak_ptr<WindowMailbox> mailbox = sink->mailbox.mailbox();
  auto controller = std::make_unique<DiscoveryController>(sink->mailbox.mailbox(), LoopbackSettings(device.port()));
  controller->SetEndpointOpener(HangingOpen);
  ASSERT_TRUE(controller->StartDiscoveryWorker());
  QElapsedTimer clock;
  clock.start();
  controller->StopDiscoveryWorker();
  EXPECT_GE(clock.elapsed(), 2900);
  EXPECT_FALSE(controller->IsWorkerRecorded());
  controller.reset();
  sink.reset();
  releaseHungOpen = true;
  ASSERT_FALSE(device.Receive(std::chrono::seconds(5)).empty()) << "the worker woke and ran its cycle";
  ASSERT_TRUE(PumpUntil([&] { return mailbox.expired(); })) << "the let-go worker finished and let go of the mailbox";
}

}  // namespace
