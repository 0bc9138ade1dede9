// A batch change of simulated devices through the change engine, as the
// window and tavrix-cli run it: overlapping requests, the engine's own
// verification searches, resends to devices that never answered. Prints
// the time from the engine's start until every line's outcome is final.
//
//   bench_batch [--devices N --silent-every K]
//
// Without options it measures the two goals: 1000 devices of which every
// tenth never answers a change (under 8 s, resends included), and 250 that
// all answer (under 0.5 s), on loopback and, as root, on a namespace LAN
// that the PC reaches through two interfaces (every answer arrives twice).
// The simulated devices re-address themselves at once (--move-delay 0), so
// the figure is the program's own time, not a device's.
#include <arpa/inet.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "batch/change_engine.h"
#include "bench/bench_result.h"
#include "protocol/address_text.h"
#include "tests/support/loopback_udp.h"
#include "tests/support/netns_lab.h"
#include "tests/support/sim_process.h"
#include "tools/cli/scan_cycle.h"

namespace {

struct Run {
  int devices = 0;
  int silentEvery = 0;  // 0: every device answers
};

// Device i at <net>.(80 + i / 200).(1 + i % 200); every silentEvery-th
// never answers a change.
std::string WriteFleet(const Run& run, const std::string& net) {
  char path[] = "/tmp/tavrix-bench-fleet-XXXXXX";
  const int fd = mkstemp(path);
  std::string content;
  for (int i = 0; i < run.devices; ++i) {
    char line[200];
    const bool silent = run.silentEvery > 0 && i % run.silentEvery == run.silentEvery - 1;
    std::snprintf(line, sizeof line,
                  "00:1A:2B:00:%02X:%02X NVT %s.%d.%d 255.255.0.0 %s.0.1 %s.0.1 80 - 3 root kefo%s\n", i >> 8, i & 0xFF,
                  net.c_str(), 80 + i / 200, 1 + i % 200, net.c_str(), net.c_str(), silent ? " ignore-changes" : "");
    content += line;
  }
  (void)!write(fd, content.data(), content.size());
  close(fd);
  return path;
}

// Each device moves from .8x.y to .9x.y of its net.
std::vector<PlannedChange> PlanMoves(const std::vector<DeviceInfo>& devices) {
  std::vector<PlannedChange> plan;
  for (const DeviceInfo& device : devices) {
    PlannedChange change;
    change.mac = MacOf(device.mac);
    change.device = device;
    change.settings.networkType = kNetworkStatic;
    change.settings.ipAddress = htonl(ntohl(device.sourceAddress) + (10u << 8));
    change.settings.subnetMask = device.subnetMask;
    change.settings.gateway = device.gateway;
    change.settings.dnsServer = device.dnsServer;
    plan.push_back(change);
  }
  return plan;
}

void Measure(const Run& run, const char* lan, const EncpEndpointSettings& settings) {
  const std::vector<DeviceInfo> devices = UniqueByMac(RunScanCycle(settings).replies);
  if (devices.size() != static_cast<size_t>(run.devices)) std::printf("only %zu devices found\n", devices.size());
  ChangeEngineSeams seams;
  seams.endpoint = settings;
  seams.verifyFor = std::chrono::seconds(30);
  const auto start = std::chrono::steady_clock::now();
  const int answering = run.devices - (run.silentEvery > 0 ? run.devices / run.silentEvery : 0);
  double answeredAfter = -1;
  seams.onReport = [&](const ChangeReport&, const ChangeTally& tally) {
    if (answeredAfter < 0 && tally.accepted >= answering) {
      answeredAfter = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
  };
  const ChangeRunResult result = RunChangeEngine(PlanMoves(devices), {"root", "kefo"}, seams);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::map<std::string, int> outcomes;
  int requests = 0;
  for (const ChangeReport& report : result.lines) {
    ++outcomes[std::string(OutcomeWord(report.outcome))];
    requests += report.requests;
  }
  std::printf("bench_batch: %d devices on %s, every %d-th silent: %.3f s until every outcome is final, %d requests:",
              run.devices, lan, run.silentEvery, seconds, requests);
  for (const auto& [word, count] : outcomes) std::printf(" %d %s,", count, word.c_str());
  std::printf(" every answering device accepted after %.3f s\n", answeredAfter);

  const double goal = run.silentEvery > 0 ? 8.0 : 0.5;
  const int silent = run.silentEvery > 0 ? run.devices / run.silentEvery : 0;
  const bool settled = outcomes["verified"] == run.devices - silent && outcomes["no answer"] == silent;
  const std::string name =
      "batch-" + std::to_string(run.devices) + "-devices-silent-every-" + std::to_string(run.silentEvery) + "-" + lan;
  char goalText[120];
  std::snprintf(goalText, sizeof goalText, "under %.1f s until every outcome is final, each as the device behaved",
                goal);
  PrintResult((name + "-final").c_str(), seconds, "s", GoalVerdict(seconds < goal && settled), goalText);
}

void OnLoopback(const Run& run) {
  tavrix::lab::SimProcess sim;
  const std::string fleet = WriteFleet(run, "127.0");
  if (!sim.Start({"--fleet", fleet, "--burst", "--move-delay", "0", "--port", "0"})) {
    std::fprintf(stderr, "simulator: %s\n", sim.error().c_str());
    return;
  }
  EncpEndpointSettings settings;
  settings.localPort = FreeLoopbackPort();
  settings.devicePort = sim.port();
  settings.destinationAddress = inet_addr("127.0.0.1");
  Measure(run, "loopback", settings);
  unlink(fleet.c_str());
}

void OnTwoInterfaceLan(const Run& run) {
  if (!tavrix::lab::CheckNetnsSupport().usable) {
    std::printf("bench_batch: two-interface LAN skipped, needs root and ip netns\n");
    return;
  }
  tavrix::lab::Lab lab;
  std::string error;
  tavrix::lab::DeviceNetwork* network = lab.AddDeviceNetwork(&error, 2);
  if (network == nullptr) {
    std::fprintf(stderr, "two-interface LAN: %s\n", error.c_str());
    return;
  }
  const std::string net = network->firstDeviceAddress.substr(0, network->firstDeviceAddress.rfind(".1.1"));
  const std::string fleet = WriteFleet(run, net);
  tavrix::lab::SimProcess sim;
  if (!sim.Start({"--broadcast", network->deviceInterface, "--fleet", fleet, "--burst", "--move-delay", "0"},
                 network->devices->name())) {
    std::fprintf(stderr, "two-interface LAN: %s\n", sim.error().c_str());
    return;
  }
  tavrix::lab::ScopedNetns inPc(lab.pc());
  Measure(run, "two-interface-lan", EncpEndpointSettings{});
  unlink(fleet.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Run> runs;
  Run asked;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--devices") == 0) asked.devices = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--silent-every") == 0) asked.silentEvery = std::atoi(argv[i + 1]);
  }
  if (asked.devices > 0) {
    runs.push_back(asked);
  } else {
    runs = {{1000, 10}, {250, 0}};
  }
  for (const Run& run : runs) {
    OnLoopback(run);
    OnTwoInterfaceLan(run);
  }
  return 0;
}
