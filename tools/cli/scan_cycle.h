// One search cycle, exactly as the application runs it: open an endpoint,
// send one search request, poll with a 1 µs readiness wait and read every
// search reply until the cycle length has passed since the start, close.
// Every decoded reply is kept, duplicates included; the cycle's fate does
// not depend on the endpoint opening (a busy port still gives a cycle).
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "protocol/encp_client.h"

inline constexpr std::chrono::milliseconds kScanCycleLength{500};

struct ScanCycleResult {
  int32_t initResult = -1;
  int32_t searchResult = -1;
  std::vector<DeviceInfo> replies;  // in order of arrival
  // From the search request to the last decoded reply; -1 when none came.
  std::chrono::microseconds lastReplyAfter{-1};
};

ScanCycleResult RunScanCycle(const EncpEndpointSettings& settings,
                             std::chrono::milliseconds length = kScanCycleLength);

// The first reply of every MAC address, in order of arrival.
std::vector<DeviceInfo> UniqueByMac(const std::vector<DeviceInfo>& replies);
