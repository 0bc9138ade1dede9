#include "tools/cli/change_verification.h"

#include <thread>

#include "tools/cli/scan_cycle.h"

std::map<MacAddress, uint32_t> WaitForChanges(AwaitedChanges& awaited, const EncpEndpointSettings& settings,
                                              std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  std::map<MacAddress, uint32_t> seenAt;
  const auto deadline = Clock::now() + timeout;
  for (auto next = Clock::now(); !awaited.empty() && next < deadline; next += kRescanPeriod) {
    std::this_thread::sleep_until(next);
    for (const DeviceInfo& reply : RunScanCycle(settings).replies) {
      if (awaited.Verify(reply)) seenAt[MacOf(reply.mac)] = reply.sourceAddress;
    }
  }
  return seenAt;
}
