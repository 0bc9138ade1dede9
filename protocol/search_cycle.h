// The receiving half of one search cycle, shared by the window's discovery
// worker and the command-line scan: wait for replies until a deadline,
// drain whatever is queued in batches and hand each batch on.
//
// It blocks in the system between arrivals, so a cycle that no device
// answers costs almost no processor time; the wait is cut into slices only
// so that a stop request is seen within one slice. Once replies arrive it
// keeps reading until none has come for a millisecond: inside a burst the
// next reply is microseconds away, and waking from a wait for each one let
// the system's default receive buffer (a couple of hundred datagrams)
// overflow. A
// batch is what one drain found, capped so that a burst is handed on in
// parts while it is still arriving; replies keep their order of arrival,
// duplicates included - merging them is the receiver's business.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <vector>

#include "protocol/encp_client.h"

// At most this many datagrams are read before a batch is handed on.
inline constexpr size_t kSearchReplyBatchLimit = 256;

using SearchReplyBatchSink = std::function<void(std::vector<DeviceInfo>&& batch)>;

// Returns at `deadline`, or within one wait slice once `stopRequested`
// (optional) is set. Batches are never empty.
void ReceiveSearchReplies(EncpClient* client, std::chrono::steady_clock::time_point deadline,
                          const SearchReplyBatchSink& onBatch, const std::atomic<bool>* stopRequested = nullptr);
