#include "tools/cli/scan_cycle.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <set>

#include "protocol/encp_endpoint.h"
#include "protocol/search_cycle.h"
#include "tools/cli/not_sent_text.h"

ScanCycleResult RunScanCycle(const EncpEndpointSettings& settings, std::chrono::milliseconds length) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  ScanCycleResult result;
  EncpEndpoint endpoint(settings);
  result.initResult = endpoint.openResult();
  result.openError = endpoint.openError();
  if (result.initResult != 0) return result;
  result.receiveBufferShort = endpoint.receiveBufferShort();
  result.receiveBufferGranted = endpoint.receiveBufferGranted();
  const auto searchedAt = Clock::now();
  // Batches are kept as they come and joined after the cycle: growing one
  // vector during a burst stalls the receiver on copies and fresh pages
  // while the socket's buffer overflows.
  std::vector<std::vector<DeviceInfo>> batches;
  const SearchCycleReport report =
      RunSearchCycle(&endpoint.client(), start + length, [&](std::vector<DeviceInfo>&& batch) {
        batches.push_back(std::move(batch));
        result.lastReplyAfter = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - searchedAt);
      });
  result.searches = report.searches;
  result.searchError = report.searchError;
  result.repliesLost = report.repliesLost;
  for (const std::vector<DeviceInfo>& batch : batches) {
    result.replies.insert(result.replies.end(), batch.begin(), batch.end());
  }
  return result;
}

bool ReportScanNotRun(const ScanCycleResult& cycle, const EncpEndpointSettings& settings) {
  if (cycle.initResult != 0) {
    std::fprintf(stderr, "%s\n", PortUnavailableText(settings.localPort, cycle.openError).c_str());
  } else if (cycle.searches == 0) {
    std::fprintf(stderr, "%s\n", SearchNotSentText(cycle.searchError).c_str());
  }
  return cycle.initResult != 0 || cycle.searches == 0;
}

bool WarnIfScanIncomplete(const ScanCycleResult& cycle) {
  if (cycle.repliesLost <= 0) return false;
  std::fprintf(stderr,
               "tavrix-cli: the system discarded %lld replies (receive buffer full); the list is incomplete, scan "
               "again or raise net.core.rmem_max (see README)\n",
               static_cast<long long>(cycle.repliesLost));
  return true;
}

std::vector<DeviceInfo> UniqueByMac(const std::vector<DeviceInfo>& replies) {
  std::vector<DeviceInfo> unique;
  std::set<std::array<uint8_t, 6>> seen;
  for (const DeviceInfo& reply : replies) {
    std::array<uint8_t, 6> mac;
    std::memcpy(mac.data(), reply.mac, mac.size());
    if (seen.insert(mac).second) unique.push_back(reply);
  }
  return unique;
}
