// One search cycle, shared by the window's discovery worker and the command-line scan: send the
// search, wait for replies until a deadline, and hand each drained batch on in order of arrival,
// duplicates included (merging them is the receiver's business).
//
// It blocks in the system between arrivals and sees a stop request within one wait slice. Inside a
// burst it keeps reading until none has come for a millisecond: waking for each reply lets the
// receive buffer overflow. When a burst settles with replies discarded by the system, it searches
// again (every device answers every search) while the cycle has time, a few times at most; a loss
// is reported only when no burst settled with nothing discarded.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "protocol/encp_client.h"

// At most this many datagrams are read before a batch is handed on.
inline constexpr size_t kSearchReplyBatchLimit = 256;
// Searches in one cycle, the first included.
inline constexpr int kMostSearchesPerCycle = 4;

using SearchReplyBatchSink = std::function<void(std::vector<DeviceInfo>&& batch)>;

struct SearchCycleReport {
  // 0 when not even the first search could be sent, with its errno.
  int searches = 0;
  int searchError = 0;
  // Replies the system discarded and no later search recovered; -1 when the
  // system cannot tell.
  int64_t repliesLost = -1;
};

// Returns at `deadline`, or within one wait slice once `stopRequested`
// (optional) is set. Batches are never empty. A repeat that cannot be sent
// is not counted.
SearchCycleReport RunSearchCycle(EncpClient* client, std::chrono::steady_clock::time_point deadline,
                                 const SearchReplyBatchSink& onBatch, const std::atomic<bool>* stopRequested = nullptr);
