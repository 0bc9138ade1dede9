// One search cycle, exactly as the application runs it: open an endpoint,
// search and receive replies in batches through the same function the
// window's worker uses until the cycle length has passed since the start,
// close. Every decoded reply is kept, duplicates included. Unlike the
// window's worker, the client never searches from an endpoint it could not
// open: its search would leave from another port, and the answers would go
// to whoever holds the real one.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "protocol/encp_client.h"
#include "protocol/encp_timing.h"

inline constexpr std::chrono::milliseconds kScanCycleLength = kSearchCycleLength;

struct ScanCycleResult {
  int32_t initResult = -1;
  int openError = 0;  // errno, when initResult is not 0
  // 0 when the search could not be sent at all, with its errno.
  int searches = 0;
  int searchError = 0;
  std::vector<DeviceInfo> replies;  // in order of arrival
  // From the first search request to the batch holding the last decoded
  // reply; -1 when none came.
  std::chrono::microseconds lastReplyAfter{-1};
  // The endpoint asked for a receive buffer and the system granted less, so
  // a large fleet's burst may overflow it.
  bool receiveBufferShort = false;
  int receiveBufferGranted = 0;
  // Replies the system discarded (a full receive buffer) that no later
  // search of the cycle recovered; -1 when it cannot tell.
  int64_t repliesLost = -1;
};

ScanCycleResult RunScanCycle(const EncpEndpointSettings& settings, std::chrono::milliseconds length = kScanCycleLength);

// True when the cycle could not search at all (its port could not be
// opened, or its search could not be sent); says why on stderr, and nothing
// else is to be said of the cycle.
bool ReportScanNotRun(const ScanCycleResult& cycle, const EncpEndpointSettings& settings);

// Says on stderr that the system discarded replies that no repeated search
// recovered, and then returns true: the list is incomplete.
bool WarnIfScanIncomplete(const ScanCycleResult& cycle);

// The first reply of every MAC address, in order of arrival.
std::vector<DeviceInfo> UniqueByMac(const std::vector<DeviceInfo>& replies);
