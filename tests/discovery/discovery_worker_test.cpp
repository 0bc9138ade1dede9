// The discovery worker against real UDP on loopback: what a cycle posts, how
// it stops, and that a window destroyed under a running worker is never
// touched (run this binary under AddressSanitizer and ThreadSanitizer).
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "discovery/discovery_worker.h"
#include "tests/discovery/event_sink.h"
#include "tests/discovery/fake_device.h"

namespace {

constexpr uint8_t kMacA[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
constexpr uint8_t kMacB[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5F};

EncpEndpointSettings LoopbackSettings(uint16_t devicePort) {
  EncpEndpointSettings settings;
  settings.localPort = FreeLoopbackPort();
  settings.devicePort = devicePort;
  settings.destinationAddress = htonl(INADDR_LOOPBACK);
  return settings;
}

// Counts the endpoints open at once and the readiness waits made, by
// wrapping the real operations.
std::atomic<int> openEndpoints{0};
std::atomic<int> mostOpenAtOnce{0};
std::atomic<int> waitsMade{0};
decltype(EncpOperations::Close) realClose = nullptr;
decltype(EncpOperations::Wait) realWait = nullptr;

int32_t CountingClose(EncpClient* client) {
  if (client->socketHandle > 0) --openEndpoints;
  return realClose(client);
}
int32_t CountingWait(EncpClient* client, int32_t seconds, int32_t microseconds) {
  ++waitsMade;
  return realWait(client, seconds, microseconds);
}
int32_t CountingOpen(EncpClient* client, const EncpEndpointSettings& settings) {
  const int32_t result = ENCPCLIENT_Init(client, settings);
  realClose = client->ops.Close;
  realWait = client->ops.Wait;
  client->ops.Close = CountingClose;
  client->ops.Wait = CountingWait;
  if (client->socketHandle > 0) {
    const int now = ++openEndpoints;
    int seen = mostOpenAtOnce.load();
    while (now > seen && !mostOpenAtOnce.compare_exchange_weak(seen, now)) {}
  }
  return result;
}

int32_t ThrowingOpen(EncpClient*, const EncpEndpointSettings&) { throw std::runtime_error("no endpoint"); }
int32_t OpenThenThrow(EncpClient* client, const EncpEndpointSettings& settings) {
  ENCPCLIENT_Init(client, settings);
  throw std::runtime_error("after bind");
}

// Stands for a socket call that hangs until the test lets it go.
std::atomic<bool> releaseHungOpen{false};
int32_t HangingOpen(EncpClient* client, const EncpEndpointSettings& settings) {
  for (int i = 0; i < 1000 && !releaseHungOpen.load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return ENCPCLIENT_Init(client, settings);
}

class DiscoveryWorkerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
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
  const auto request = device.Receive(std::chrono::seconds(5));
  EXPECT_EQ(request, (std::vector<uint8_t>{0x41, 0x44, 0x43, 0x54, 0x02, 0x09, 0x00, 0x03, 0xFF}));

  ASSERT_TRUE(PumpUntil([&] { return window.count(WM_DISCOVERY_ENDED) == 1; }));
  EXPECT_GE(clock.elapsed(), 490);
  EXPECT_EQ(window.received.size(), 1u);
  // An ended worker stays recorded until it is stopped, which then returns at once.
  EXPECT_TRUE(controller.IsWorkerRecorded());
  controller.StopDiscoveryWorker();
  EXPECT_FALSE(controller.IsWorkerRecorded());
  EXPECT_TRUE(device.Receive(std::chrono::milliseconds(100)).empty()) << "exactly one search per cycle";
}

TEST_F(DiscoveryWorkerTest, EveryDecodedReplyIsItsOwnRecordAndJunkIsPassedOver) {
  DiscoveryController controller(window.mailbox.mailbox(), LoopbackSettings(device.port()));
  ASSERT_TRUE(controller.StartDiscoveryWorker());
  sockaddr_in worker{};
  ASSERT_FALSE(device.Receive(std::chrono::seconds(5), &worker).empty());

  auto badMagic = SearchReply(kMacB, "junk");
  badMagic[0] = 'X';
  auto badLength = SearchReply(kMacB, "junk");
  badLength[5] += 1;
  device.SendTo(worker, SearchReply(kMacA, "Camera-1", 8080));
  device.SendTo(worker, badMagic);
  device.SendTo(worker, ResultReply(0));
  device.SendTo(worker, badLength);
  device.SendTo(worker, std::vector<uint8_t>(3000, 0x45));  // larger than any reply
  device.SendTo(worker, SearchReply(kMacA, "Camera-1", 8080));

  ASSERT_TRUE(PumpUntil([&] { return window.count(WM_DISCOVERY_ENDED) == 1; }));
  ASSERT_EQ(window.count(WM_DEVICE_FOUND), 2);
  EXPECT_EQ(window.received.back().type, WM_DISCOVERY_ENDED) << "records come before the end";
  for (int i = 0; i < 2; ++i) {
    const DeviceInfo& found = window.received[i].device;
    EXPECT_EQ(std::memcmp(found.mac, kMacA, 6), 0);
    EXPECT_STREQ(found.modelName, "Camera-1");
    EXPECT_EQ(found.webPort, 8080);
    EXPECT_EQ(found.sourceAddress, htonl(INADDR_LOOPBACK));
  }
}

TEST_F(DiscoveryWorkerTest, StopFlagEndsTheCycleButNeverTheEndedEvent) {
  waitsMade = 0;
  DiscoveryWorkerContext context{window.mailbox.mailbox(), LoopbackSettings(device.port()), CountingOpen};
  const std::atomic<bool> stopAlreadySet{true};
  EXPECT_EQ(EncpThreadProc(context, stopAlreadySet), 0);
  EXPECT_EQ(waitsMade.load(), 0) << "a flag set before the loop skips it";
  EXPECT_FALSE(device.Receive(std::chrono::seconds(2)).empty()) << "the search still goes out";
  EXPECT_EQ(openEndpoints.load(), 0);

  // Stopped in the middle of a cycle through the controller.
  DiscoveryController controller(window.mailbox.mailbox(), context.settings);
  controller.SetEndpointOpener(CountingOpen);
  ASSERT_TRUE(controller.StartDiscoveryWorker());
  ASSERT_FALSE(device.Receive(std::chrono::seconds(5)).empty());
  controller.StopDiscoveryWorker();
  EXPECT_FALSE(controller.IsWorkerRecorded());
  const int waitsAtStop = waitsMade.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(waitsMade.load(), waitsAtStop) << "the stopped worker is gone";
  EXPECT_EQ(openEndpoints.load(), 0) << "its endpoint was closed";
  ASSERT_TRUE(PumpUntil([&] { return window.count(WM_DISCOVERY_ENDED) == 2; }));
}

TEST_F(DiscoveryWorkerTest, StartWhileRunningStopsTheOldWorkerFirstAndBothEnd) {
  mostOpenAtOnce = 0;
  DiscoveryController controller(window.mailbox.mailbox(), LoopbackSettings(device.port()));
  controller.SetEndpointOpener(CountingOpen);
  ASSERT_TRUE(controller.StartDiscoveryWorker());
  ASSERT_FALSE(device.Receive(std::chrono::seconds(5)).empty());
  ASSERT_TRUE(controller.StartDiscoveryWorker());
  ASSERT_FALSE(device.Receive(std::chrono::seconds(5)).empty()) << "the second worker searched";
  ASSERT_TRUE(PumpUntil([&] { return window.count(WM_DISCOVERY_ENDED) == 2; }));
  EXPECT_EQ(mostOpenAtOnce.load(), 1) << "the two cycles never overlapped";
}

TEST_F(DiscoveryWorkerTest, HeldLocalPortStillGivesACycleThatHearsItsReplies) {
  auto settings = LoopbackSettings(device.port());
  UdpSocket holder(settings.localPort);
  ASSERT_TRUE(holder.bound());
  DiscoveryController controller(window.mailbox.mailbox(), settings);
  ASSERT_TRUE(controller.StartDiscoveryWorker());
  sockaddr_in worker{};
  ASSERT_FALSE(device.Receive(std::chrono::seconds(5), &worker).empty());
  EXPECT_NE(ntohs(worker.sin_port), settings.localPort) << "sent from a port the system chose";
  device.SendTo(worker, SearchReply(kMacB, "Encoder"));
  ASSERT_TRUE(PumpUntil([&] { return window.count(WM_DISCOVERY_ENDED) == 1; }));
  EXPECT_EQ(window.count(WM_DEVICE_FOUND), 1);
}

TEST_F(DiscoveryWorkerTest, FaultIsPostedAsTextBeforeTheEndAndTheEndpointIsReleased) {
  auto settings = LoopbackSettings(device.port());
  DiscoveryController controller(window.mailbox.mailbox(), settings);
  controller.SetEndpointOpener(ThrowingOpen);
  ASSERT_TRUE(controller.StartDiscoveryWorker());
  ASSERT_TRUE(PumpUntil([&] { return window.count(WM_DISCOVERY_ENDED) == 1; }));
  ASSERT_EQ(window.received.size(), 2u);
  EXPECT_EQ(window.received[0].type, WorkerFaultEventType());
  EXPECT_EQ(window.received[0].text, QStringLiteral("[ERROR] EncpThreadProc : EncpThreadProcRun"));

  controller.SetEndpointOpener(OpenThenThrow);
  ASSERT_TRUE(controller.StartDiscoveryWorker());
  ASSERT_TRUE(PumpUntil([&] { return window.count(WM_DISCOVERY_ENDED) == 2; }));
  EXPECT_EQ(window.count(WorkerFaultEventType()), 2);
  controller.StopDiscoveryWorker();
  UdpSocket reuse(settings.localPort);
  EXPECT_TRUE(reuse.bound()) << "the failed cycle closed its socket";
}

// The window goes away while its worker is busy posting replies: queued
// events and everything posted afterwards are freed, nothing reaches the
// destroyed object.
TEST(DiscoveryWorkerLifetime, WindowDestroyedMidCycleIsNeverTouched) {
  EnsureApplication();
  UdpSocket device;
  auto window = std::make_unique<EventSink>();
  std::weak_ptr<WindowMailbox> mailbox = window->mailbox.mailbox();
  {
    DiscoveryController controller(window->mailbox.mailbox(), LoopbackSettings(device.port()));
    ASSERT_TRUE(controller.StartDiscoveryWorker());
    sockaddr_in worker{};
    ASSERT_FALSE(device.Receive(std::chrono::seconds(5), &worker).empty());
    std::atomic<bool> flooding{true};
    std::thread flood([&] {
      while (flooding.load()) device.SendTo(worker, SearchReply(kMacA, "Flood"));
    });
    ASSERT_TRUE(PumpUntil([&] { return window->count(WM_DEVICE_FOUND) > 0; }));
    window.reset();  // with events still queued and the worker still posting
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    flooding = false;
    flood.join();
    QCoreApplication::processEvents();
  }
  EXPECT_TRUE(mailbox.expired());
}

// A worker stuck in a socket call outlives its 3000 ms stop wait; it is let
// go, and when it wakes after the window is gone its posts go nowhere.
TEST(DiscoveryWorkerLifetime, WorkerLeftRunningAfterStopWaitCannotReachTheWindow) {
  EnsureApplication();
  UdpSocket device;
  releaseHungOpen = false;
  auto window = std::make_unique<EventSink>();
  std::weak_ptr<WindowMailbox> mailbox = window->mailbox.mailbox();
  auto controller = std::make_unique<DiscoveryController>(window->mailbox.mailbox(), LoopbackSettings(device.port()));
  controller->SetEndpointOpener(HangingOpen);
  ASSERT_TRUE(controller->StartDiscoveryWorker());
  QElapsedTimer clock;
  clock.start();
  controller->StopDiscoveryWorker();
  EXPECT_GE(clock.elapsed(), 2900);
  EXPECT_FALSE(controller->IsWorkerRecorded());
  controller.reset();
  window.reset();
  releaseHungOpen = true;
  ASSERT_FALSE(device.Receive(std::chrono::seconds(5)).empty()) << "the worker woke and ran its cycle";
  ASSERT_TRUE(PumpUntil([&] { return mailbox.expired(); })) << "the let-go worker finished and let go of the mailbox";
}

}  // namespace
