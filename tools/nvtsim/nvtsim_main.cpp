// nvtsim: a fleet of simulated ENCP devices in one process (see sim_options.cpp
// for the command line and sim_fleet.h for the fleet file).
#include <signal.h>

#include <atomic>
#include <cstdio>

#include "tools/nvtsim/sim_options.h"

namespace {
std::atomic<bool> g_stop{false};
void RequestStop(int) { g_stop.store(true); }
}  // namespace

int main(int argc, char** argv) {
  SimOptions options;
  std::string error;
  if (!ParseSimOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "nvtsim: %s\n\n%s", error.c_str(), kSimUsage);
    return 2;
  }
  if (options.help || options.version) {
    std::fputs(options.help ? kSimUsage : kSimVersion, stdout);
    return 0;
  }

  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  // A parent's blocked mask survives exec; the loop stops only on these.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  sigprocmask(SIG_UNBLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);  // whoever reads "ready" may close the pipe early

  SimServer server(std::move(options.config));
  if (!server.Open(&error)) {
    std::fprintf(stderr, "nvtsim: %s\n", error.c_str());
    return 1;
  }
  std::printf("nvtsim ready port=%u devices=%zu\n", server.port(), server.fleet().size());
  std::fflush(stdout);

  auto deadline = std::chrono::steady_clock::time_point::max();
  if (options.lifetimeSeconds > 0) {
    deadline = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                      std::chrono::duration<double>(options.lifetimeSeconds));
  }
  server.Run(g_stop, deadline);
  const SimCounters& c = server.counters();
  if (c.sendFailures > 0) {
    std::fprintf(stderr, "nvtsim: %llu datagrams could not be sent\n", static_cast<unsigned long long>(c.sendFailures));
  }
  return 0;
}
