// A batch change of 250 simulated devices that all answer at once, through
// the batch worker exactly as the window starts it: one thread, one
// endpoint, the inventory's lock per line, a progress event per device.
// Prints the run's wall time and the time per device; the goal is under
// 2 s for the 250, that is the devices' answer times and nothing more. It
// runs on loopback and, as root, on a namespace LAN that the PC reaches
// through two interfaces (every answer arrives twice).
#include <arpa/inet.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_result.h"
#include "discovery/worker_events.h"
#include "tests/support/loopback_udp.h"
#include "tests/support/netns_lab.h"
#include "tests/support/sim_process.h"
#include "tools/cli/scan_cycle.h"
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
      accepted = progress->tally().accepted;
      sent = progress->tally().sent;
      return true;
    }
    return QObject::event(event);
  }
  int ended = 0, sent = 0, accepted = 0;
  MailboxOwner mailbox{this};
};

// Device i moves to <net>.(80 + i / 200).(1 + i % 200), in its own /16.
std::string WriteList(const std::string& net) {
  char path[] = "/tmp/tavrix-bench-batch-XXXXXX";
  const int fd = mkstemp(path);
  std::string content;
  for (int i = 0; i < kDevices; ++i) {
    char line[160];
    std::snprintf(line, sizeof line, "00:1A:2B:00:%02X:%02X STATIC %s.%d.%d 255.255.0.0 %s.0.1 %s.0.1\n", i >> 8,
                  i & 0xFF, net.c_str(), 80 + i / 200, 1 + i % 200, net.c_str(), net.c_str());
    content += line;
  }
  (void)!write(fd, content.data(), content.size());
  close(fd);
  return path;
}

std::shared_ptr<DeviceInventory> TickedInventory(const std::vector<DeviceInfo>& devices) {
  auto inventory = std::make_shared<DeviceInventory>();
  auto access = inventory->lock();
  for (const DeviceInfo& device : devices) access.SetTicked(access.AppendRow(device), true);
  return inventory;
}

// Three runs of the same list; the devices have moved after the first, so
// the later ones find them at the addresses the list gives.
void RunRounds(const char* lan, const std::shared_ptr<DeviceInventory>& inventory, const EncpEndpointSettings& settings,
               const std::string& list) {
  Window window;
  BatchController controller;
  std::printf("bench_batch: %d simulated devices on %s, all answering at once\n", kDevices, lan);
  double worstSeconds = 0;
  int fewestAccepted = kDevices;
  for (int round = 1; round <= kRounds; ++round) {
    inventory->lock().awaited().Clear();
    BatchRunContext context;
    context.mailbox = window.mailbox.mailbox();
    context.inventory = inventory;
    context.settings = settings;
    context.filePath = list;

    const int endedBefore = window.ended;
    QElapsedTimer clock;
    clock.start();
    if (!controller.Start(context)) return;
    while (window.ended == endedBefore && clock.elapsed() < 600000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    controller.OnBatchEnded();
    std::printf("round %d: %.3f s wall, %.3f ms per device, %d sent, %d accepted, %d awaited\n", round, seconds,
                seconds * 1000.0 / kDevices, window.sent, window.accepted,
                static_cast<int>(inventory->lock().awaited().size()));
    if (seconds > worstSeconds) worstSeconds = seconds;
    if (window.accepted < fewestAccepted) fewestAccepted = window.accepted;
  }
  const std::string prefix = std::string("batch-250-devices-") + lan;
  PrintResult((prefix + "-wall").c_str(), worstSeconds, "s", GoalVerdict(worstSeconds < 2.0),
              "under 2 s for 250 devices (slowest of 3 rounds)");
  PrintResult((prefix + "-accepted").c_str(), fewestAccepted, "devices", GoalVerdict(fewestAccepted == kDevices),
              "all 250 accepted in every round");
  unlink(list.c_str());
}

void OnLoopback() {
  tavrix::lab::SimProcess sim;
  if (!sim.Start({"--count", std::to_string(kDevices), "--first-ip", "127.0.70.1", "--mac-base", "00:1A:2B:00:00:00",
                  "--burst", "--port", "0"})) {
    std::fprintf(stderr, "simulator: %s\n", sim.error().c_str());
    return;
  }
  EncpEndpointSettings settings;
  settings.localPort = FreeLoopbackPort();
  settings.devicePort = sim.port();
  settings.destinationAddress = inet_addr("127.0.0.1");
  const std::vector<DeviceInfo> devices = UniqueByMac(RunScanCycle(settings).replies);
  if (devices.size() != static_cast<size_t>(kDevices)) std::printf("only %zu devices found\n", devices.size());
  RunRounds("loopback", TickedInventory(devices), settings, WriteList("127.0"));
}

// The PC reaches the devices through two interfaces, so each answer
// arrives twice and must still be credited once, to its device.
void OnTwoInterfaceLan() {
  if (!tavrix::lab::CheckNetnsSupport().usable) {
    std::printf("bench_batch: two-interface LAN skipped, needs root and ip netns\n");
    return;
  }
  tavrix::lab::Lab lab;
  std::string error;
  tavrix::lab::DeviceNetwork* network = lab.AddDeviceNetwork(&error, 2);
  tavrix::lab::SimProcess sim;
  if (network == nullptr ||
      !sim.Start({"--broadcast", network->deviceInterface, "--count", std::to_string(kDevices), "--first-ip",
                  network->firstDeviceAddress, "--mask", "255.255.0.0", "--mac-base", "00:1A:2B:00:00:00", "--burst"},
                 network->devices->name())) {
    std::fprintf(stderr, "two-interface LAN: %s%s\n", error.c_str(), sim.error().c_str());
    return;
  }
  tavrix::lab::ScopedNetns inPc(lab.pc());
  const std::vector<DeviceInfo> devices = UniqueByMac(RunScanCycle(EncpEndpointSettings{}).replies);
  if (devices.size() != static_cast<size_t>(kDevices)) std::printf("only %zu devices found\n", devices.size());
  const std::string net = network->firstDeviceAddress.substr(0, network->firstDeviceAddress.rfind(".1.1"));
  RunRounds("two-interface-lan", TickedInventory(devices), EncpEndpointSettings{}, WriteList(net));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  OnLoopback();
  OnTwoInterfaceLan();
  return 0;
}
