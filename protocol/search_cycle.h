// The search and its replies for one cycle, shared by the window's discovery
// worker and the command-line scan: send the search, wait for replies until
// a deadline, drain whatever is queued in batches and hand each batch on.
//
// It blocks in the system between arrivals, so a cycle that no device
// answers costs almost no processor time; the wait is cut into slices only
// so that a stop request is seen within one slice. Once replies arrive it
// keeps reading until none has come for a millisecond: inside a burst the
// next reply is microseconds away, and waking from a wait for each one let
// the system's default receive buffer (a couple of hundred datagrams)
// overflow. A batch is what one drain found, capped so that a burst is
// handed on in parts while it is still arriving; replies keep their order
// of arrival, duplicates included - merging them is the receiver's business.
//
// Draining is not always enough: a busy PC may have the system hand the
// socket hundreds of replies at once, and whatever does not fit the buffer
// is discarded before anyone can read it. Every device answers every
// search, so the cycle searches again once a burst has settled with
// replies discarded, while the cycle still has time for another burst, a
// few times at most. A burst that settles with nothing discarded proves the
// list complete; only where none did is a loss reported. A network that
// loses nothing sees one search per cycle, as before.
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
