// How many devices one 500 ms scan cycle finds when N devices answer in one
// burst, three cycles each: 4000 with the system's default receive buffer
// (receiveBufferBytes 0: the endpoint asks for nothing), 4000 with what a
// user without privileges gets on a stock Debian 12 (the endpoint asks its
// 4 MiB and the system grants its ceiling, net.core.rmem_max = 212992, which
// it doubles for its bookkeeping like any granted size; asked here as that
// ceiling, which gives root the same buffer), and 16 000 with the endpoint's
// enlarged buffer. The devices are
// nvtsim in a private network namespace answering by limited broadcast, as
// on a LAN; the scanning side uses the unmodified defaults (255.255.255.255,
// ports 32153/32154) from its own namespace. Needs root and `ip netns`; says
// so and skips the bursts without.
//
// Each cycle also prints how many searches it sent and how many replies it
// reported lost. On this shared 2-core machine the simulator's replies can
// reach the socket hundreds at once, after the simulator's core was taken
// for a few milliseconds, and a small buffer discards what does not fit; the
// cycle then searches again. A cycle that found fewer than N and reported
// nothing lost would be a silent gap: its count must be 0.
//
// Also the processor time of a cycle nobody answers, on loopback (needs
// nothing): the receive path blocks between arrivals instead of polling.
#include <arpa/inet.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>

#include "bench/bench_result.h"
#include "tests/support/netns_lab.h"
#include "tests/support/sim_process.h"
#include "tools/cli/scan_cycle.h"

namespace {

struct Burst {
  int devices;
  int receiveBufferBytes;
  const char* buffer;
};
// net.core.rmem_max on a stock Debian 12.
constexpr int kStockReceiveBufferCeiling = 212992;
constexpr Burst kBursts[] = {{4000, 0, "system-buffer"},
                             {4000, kStockReceiveBufferCeiling, "user-ceiling"},
                             {16000, EncpEndpointSettings{}.receiveBufferBytes, "enlarged-buffer"}};
constexpr int kRounds = 3;
// Lets the previous burst finish before the next cycle starts.
constexpr auto kSettle = std::chrono::milliseconds(1500);

struct Figure {
  size_t found = 0;
  double lastReplyMs = -1;
  int searches = 0;
  long long lost = -1;  // reported by the cycle: discarded and not recovered
};

Figure Measure(int receiveBufferBytes) {
  EncpEndpointSettings settings;
  settings.receiveBufferBytes = receiveBufferBytes;
  const ScanCycleResult cycle = RunScanCycle(settings);
  Figure figure;
  figure.found = UniqueByMac(cycle.replies).size();
  figure.searches = cycle.searches;
  figure.lost = cycle.repliesLost;
  if (cycle.lastReplyAfter.count() >= 0) figure.lastReplyMs = cycle.lastReplyAfter.count() / 1000.0;
  return figure;
}

std::string Describe(const Figure& f, int n) {
  char text[112];
  std::snprintf(text, sizeof text, "%5zu/%-5d last reply %7.1f ms  searches %d  reported lost %5lld", f.found, n,
                f.lastReplyMs, f.searches, f.lost);
  return text;
}

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// A loopback cycle to a port nobody serves: one search, no reply.
double EmptyCycleCpuMs() {
  EncpEndpointSettings settings;
  settings.localPort = 0;
  settings.devicePort = 9;
  settings.destinationAddress = htonl(INADDR_LOOPBACK);
  const double start = ThreadCpuMs();
  RunScanCycle(settings);
  return ThreadCpuMs() - start;
}

std::string SystemDefaultBuffer() {
  std::ifstream in("/proc/sys/net/core/rmem_default");
  std::string value;
  in >> value;
  return value.empty() ? "unknown" : value;
}

}  // namespace

int main() {
  double emptyCpuMs = 0;
  for (int round = 0; round < kRounds; ++round) emptyCpuMs = std::max(emptyCpuMs, EmptyCycleCpuMs());
  std::printf("bench_scan_burst: one empty %lld ms cycle costs %.2f ms of processor time (most of %d)\n",
              static_cast<long long>(kScanCycleLength.count()), emptyCpuMs, kRounds);
  PrintResult("scan-empty-cycle-cpu", emptyCpuMs, "ms cpu", GoalVerdict(emptyCpuMs < 5),
              "under 5 ms for a 500 ms cycle nobody answers (no polling)");

  const tavrix::lab::NetnsSupport& support = tavrix::lab::CheckNetnsSupport();
  if (!support.usable) {
    std::printf("bench_scan_burst: bursts skipped, need root and ip netns (%s)\n", support.reason.c_str());
    return 0;
  }
  std::printf("bench_scan_burst: one %lld ms scan cycle, N devices answering back to back\n",
              static_cast<long long>(kScanCycleLength.count()));
  std::printf(
      "system buffer = receiveBufferBytes 0 (rmem_default %s); user ceiling = %d bytes asked; enlarged = %d bytes "
      "asked\n\n",
      SystemDefaultBuffer().c_str(), kStockReceiveBufferCeiling, EncpEndpointSettings{}.receiveBufferBytes);
  std::printf("%6s %-16s %5s   %s\n", "N", "buffer", "round", "found");

  for (const Burst& burst : kBursts) {
    const int n = burst.devices;
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
    size_t fewest = static_cast<size_t>(n);
    int silentGaps = 0;
    double slowestLastReply = 0;
    for (int round = 1; round <= kRounds; ++round) {
      const Figure figure = Measure(burst.receiveBufferBytes);
      std::this_thread::sleep_for(kSettle);
      fewest = std::min(fewest, figure.found);
      if (figure.found < static_cast<size_t>(n) && figure.lost <= 0) ++silentGaps;
      slowestLastReply = std::max(slowestLastReply, figure.lastReplyMs);
      std::printf("%6d %-16s %5d   %s\n", n, burst.buffer, round, Describe(figure, n).c_str());
      std::fflush(stdout);
    }
    const std::string prefix = "scan-burst-" + std::to_string(n) + "-" + burst.buffer;
    const std::string every =
        "every one of " + std::to_string(n) + " found in each of " + std::to_string(kRounds) + " cycles";
    PrintResult((prefix + "-found").c_str(), static_cast<double>(fewest), "devices",
                GoalVerdict(fewest == static_cast<size_t>(n)), every.c_str());
    PrintResult((prefix + "-silent-gaps").c_str(), silentGaps, "cycles", GoalVerdict(silentGaps == 0),
                "no cycle short of the fleet without reporting lost replies");
    PrintResult((prefix + "-last-reply").c_str(), slowestLastReply, "ms", GoalVerdict(slowestLastReply < 500),
                "inside the 500 ms cycle (slowest cycle)");
  }
  return 0;
}
