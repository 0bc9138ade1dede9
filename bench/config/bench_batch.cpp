// A batch change of 250 simulated devices that all answer at once, through
// the batch worker exactly as the window starts it: one thread, one
// endpoint, the inventory's lock per row, a progress event per device.
// Prints the run's wall time and the time per device; the goal is under
// 2 s for the 250, that is the devices' answer times and nothing more.
#include <arpa/inet.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/bench_result.h"
#include "discovery/device_events.h"
#include "tests/support/sim_process.h"
#include "ui/config/batch_progress_event.h"
#include "ui/config/batch_worker.h"

namespace {

constexpr int kDevices = 250;
constexpr int kRounds = 3;

class Window : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() == WM_BATCH_ENDED) {
      ++ended;
      return true;
    }
    if (event->type() == BatchProgressEventType()) {
      const auto* progress = static_cast<BatchProgressEvent*>(event);
      accepted = progress->accepted();
      sent = progress->sent();
      return true;
    }
    return QObject::event(event);
  }
  int ended = 0, sent = 0, accepted = 0;
  MailboxOwner mailbox{this};
};

std::string WriteList() {
  char path[] = "/tmp/tavrix-bench-batch-XXXXXX";
  const int fd = mkstemp(path);
  std::string content;
  for (int i = 0; i < kDevices; ++i) {
    char line[160];
    std::snprintf(line, sizeof line, "00:1A:2B:00:%02X:%02X STATIC 127.0.%d.%d 255.255.0.0 127.0.0.254 127.0.0.253\n",
                  i >> 8, i & 0xFF, 80 + i / 200, 1 + i % 200);
    content += line;
  }
  (void)!write(fd, content.data(), content.size());
  close(fd);
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const tavrix::lab::UdpPortPair ports = tavrix::lab::FreeUdpPortPair();
  tavrix::lab::SimProcess sim;
  if (!sim.Start({"--count", std::to_string(kDevices), "--first-ip", "127.0.70.1", "--mac-base",
                  "00:1A:2B:00:00:00", "--burst", "--port", std::to_string(ports.device)})) {
    std::fprintf(stderr, "simulator: %s\n", sim.error().c_str());
    return 1;
  }

  auto inventory = std::make_shared<DeviceInventory>();
  {
    auto access = inventory->lock();
    for (int i = 0; i < kDevices; ++i) {
      DeviceInfo device{};
      const uint8_t mac[6] = {0x00, 0x1A, 0x2B, 0x00, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
      std::memcpy(device.mac, mac, 6);
      device.selector = 1;
      access.SetTicked(access.AppendRow(device), true);
    }
  }
  const std::string list = WriteList();
  Window window;
  BatchController controller;
  std::printf("bench_batch: %d simulated devices on loopback, all answering at once\n", kDevices);
  double worstSeconds = 0;
  int fewestAccepted = kDevices;
  for (int round = 1; round <= kRounds; ++round) {
    inventory->lock().awaited().Clear();
    BatchRunContext context;
    context.mailbox = window.mailbox.mailbox();
    context.inventory = inventory;
    context.settings.localPort = ports.local;
    context.settings.devicePort = sim.port();
    context.settings.destinationAddress = inet_addr("127.0.0.1");
    context.filePath = list;

    const int endedBefore = window.ended;
    QElapsedTimer clock;
    clock.start();
    if (!controller.Start(context)) return 1;
    while (window.ended == endedBefore && clock.elapsed() < 600000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    controller.OnBatchEnded();
    std::printf("round %d: %.3f s wall, %.3f ms per device, %d sent, %d accepted, %d awaited\n", round, seconds,
                seconds * 1000.0 / kDevices, window.sent, window.accepted, static_cast<int>(inventory->lock().awaited().size()));
    if (seconds > worstSeconds) worstSeconds = seconds;
    if (window.accepted < fewestAccepted) fewestAccepted = window.accepted;
  }
  PrintResult("batch-250-devices-wall", worstSeconds, "s", GoalVerdict(worstSeconds < 2.0),
              "under 2 s for 250 devices (slowest of 3 rounds)");
  PrintResult("batch-time-per-device", worstSeconds * 1000.0 / kDevices, "ms", GoalVerdict(worstSeconds < 2.0),
              "under 8 ms (2 s / 250)");
  PrintResult("batch-250-devices-accepted", fewestAccepted, "devices", GoalVerdict(fewestAccepted == kDevices),
              "all 250 accepted in every round");
  unlink(list.c_str());
  return 0;
}
