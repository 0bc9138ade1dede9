// One search cycle, exactly as the application runs it: open an endpoint,
// search and receive replies in batches through the same function the
// window's worker uses until the cycle length has passed since the start,
// close. Every decoded reply is kept, duplicates included; the
// cycle's fate does not depend on the endpoint opening (a busy port still
// gives a cycle).
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "protocol/encp_client.h"
#include "protocol/encp_timing.h"

inline constexpr std::chrono::milliseconds kScanCycleLength = kSearchCycleLength;

struct ScanCycleResult {
  int32_t initResult = -1;
  std::vector<DeviceInfo> replies;  // in order of arrival
  // From the first search request to the batch holding the last decoded
  // reply; -1 when none came.
  std::chrono::microseconds lastReplyAfter{-1};
  // The endpoint asked for a receive buffer and the system granted less, so
  // a large fleet's burst may overflow it.
  bool receiveBufferShort = false;
  int receiveBufferGranted = 0;
  // Search requests sent; more than one when a burst lost replies.
  int searches = 0;
  // Replies the system discarded (a full receive buffer) that no later
  // search of the cycle recovered; -1 when it cannot tell.
  int64_t repliesLost = -1;
};

ScanCycleResult RunScanCycle(const EncpEndpointSettings& settings, std::chrono::milliseconds length = kScanCycleLength);

// Says on stderr why the cycle's list may be incomplete: the local port
// could not be opened, or the system discarded replies that no repeated
// search recovered. True in the second case.
bool WarnIfScanIncomplete(const ScanCycleResult& cycle);

// The first reply of every MAC address, in order of arrival.
std::vector<DeviceInfo> UniqueByMac(const std::vector<DeviceInfo>& replies);
