// How many devices one 500 ms scan cycle finds when N devices answer in one
// burst, with the endpoint's enlarged receive buffer and with the system's
// default one, side by side. The devices are nvtsim in a private network
// namespace answering by limited broadcast, as on a LAN; the scanning side
// uses the unmodified defaults (255.255.255.255, ports 32153/32154) from its
// own namespace. Needs root and `ip netns`; says so and exits 0 without.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "bench/bench_result.h"
#include "tests/support/netns_lab.h"
#include "tests/support/sim_process.h"
#include "tools/cli/scan_cycle.h"

namespace {

constexpr int kFleetSizes[] = {1000, 4000};
constexpr int kRounds = 3;
// Lets the previous burst finish before the next cycle starts.
constexpr auto kSettle = std::chrono::milliseconds(1500);

struct Figure {
  size_t found = 0;
  double lastReplyMs = -1;
};

Figure Measure(int receiveBufferBytes) {
  EncpEndpointSettings settings;
  settings.receiveBufferBytes = receiveBufferBytes;
  const ScanCycleResult cycle = RunScanCycle(settings);
  Figure figure;
  figure.found = UniqueByMac(cycle.replies).size();
  if (cycle.lastReplyAfter.count() >= 0) figure.lastReplyMs = cycle.lastReplyAfter.count() / 1000.0;
  return figure;
}

std::string Describe(const Figure& f, int n) {
  char text[64];
  std::snprintf(text, sizeof text, "%5zu/%-5d last reply %7.1f ms", f.found, n, f.lastReplyMs);
  return text;
}

std::string SystemDefaultBuffer() {
  std::ifstream in("/proc/sys/net/core/rmem_default");
  std::string value;
  in >> value;
  return value.empty() ? "unknown" : value;
}

}  // namespace

int main() {
  const tavrix::lab::NetnsSupport& support = tavrix::lab::CheckNetnsSupport();
  if (!support.usable) {
    std::printf("bench_scan_burst: skipped, needs root and ip netns (%s)\n", support.reason.c_str());
    return 0;
  }
  std::printf("bench_scan_burst: one %lld ms scan cycle, N devices answering back to back\n",
              static_cast<long long>(kScanCycleLength.count()));
  std::printf("enlarged = endpoint default (%d bytes asked); system = receiveBufferBytes 0 (rmem_default %s)\n\n",
              EncpEndpointSettings{}.receiveBufferBytes, SystemDefaultBuffer().c_str());
  std::printf("%6s %5s   %-33s %-33s\n", "N", "round", "enlarged buffer", "system default buffer");

  bool allFound = true;
  for (int n : kFleetSizes) {
    tavrix::lab::Lab lab;
    std::string error;
    tavrix::lab::DeviceNetwork* network = lab.AddDeviceNetwork(&error);
    if (network == nullptr) {
      std::fprintf(stderr, "bench_scan_burst: lab: %s\n", error.c_str());
      return 1;
    }
    tavrix::lab::SimProcess sim;
    if (!sim.Start({"--broadcast", network->deviceInterface, "--count", std::to_string(n), "--first-ip",
                    network->firstDeviceAddress, "--mask", "255.255.0.0", "--burst"},
                   network->devices->name(), 600, std::chrono::seconds(120))) {
      std::fprintf(stderr, "bench_scan_burst: %s\n", sim.error().c_str());
      return 1;
    }
    tavrix::lab::ScopedNetns inPc(lab.pc());
    if (!inPc.ok()) {
      std::fprintf(stderr, "bench_scan_burst: cannot enter %s\n", lab.pc().name().c_str());
      return 1;
    }
    size_t fewestEnlarged = static_cast<size_t>(n), fewestSystem = static_cast<size_t>(n);
    double slowestLastReply = 0;
    for (int round = 1; round <= kRounds; ++round) {
      const Figure enlarged = Measure(EncpEndpointSettings{}.receiveBufferBytes);
      std::this_thread::sleep_for(kSettle);
      const Figure system = Measure(0);
      std::this_thread::sleep_for(kSettle);
      allFound = allFound && enlarged.found == static_cast<size_t>(n);
      fewestEnlarged = std::min(fewestEnlarged, enlarged.found);
      fewestSystem = std::min(fewestSystem, system.found);
      slowestLastReply = std::max(slowestLastReply, enlarged.lastReplyMs);
      std::printf("%6d %5d   %-33s %-33s\n", n, round, Describe(enlarged, n).c_str(), Describe(system, n).c_str());
      std::fflush(stdout);
    }
    const std::string prefix = "scan-burst-" + std::to_string(n);
    const std::string every = "every one of " + std::to_string(n) + " found in each of " + std::to_string(kRounds) +
                              " cycles";
    PrintResult((prefix + "-enlarged-buffer-found").c_str(), static_cast<double>(fewestEnlarged), "devices",
                GoalVerdict(fewestEnlarged == static_cast<size_t>(n)), every.c_str());
    PrintResult((prefix + "-system-buffer-found").c_str(), static_cast<double>(fewestSystem), "devices", "-",
                "comparison: the system's default receive buffer (fewest of the cycles)");
    PrintResult((prefix + "-last-reply").c_str(), slowestLastReply, "ms", GoalVerdict(slowestLastReply < 500),
                "inside the 500 ms cycle (enlarged buffer, slowest cycle)");
  }
  std::printf("\ngoal (every device found with the enlarged buffer): %s\n", allFound ? "met" : "NOT met");
  return 0;
}
