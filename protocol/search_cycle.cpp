#include "protocol/search_cycle.h"

#include <algorithm>
#include <thread>

namespace {

// How late a stop request may be seen; ten wake-ups per 500 ms cycle.
constexpr std::chrono::milliseconds kWaitSlice{50};
constexpr std::chrono::microseconds kBurstGap{1000};

}  // namespace

void ReceiveSearchReplies(EncpClient* client, std::chrono::steady_clock::time_point deadline,
                          const SearchReplyBatchSink& onBatch, const std::atomic<bool>* stopRequested) {
  using Clock = std::chrono::steady_clock;
  for (;;) {
    if (stopRequested != nullptr && stopRequested->load()) return;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return;
    const auto slice = std::min<Clock::duration>(deadline - now, kWaitSlice);
    const auto micros = std::chrono::ceil<std::chrono::microseconds>(slice).count();
    const int32_t ready = client->ops.Wait(client, 0, static_cast<int32_t>(micros));
    if (ready < 0) {
      // An endpoint that cannot be waited on still gives a cycle of full length.
      std::this_thread::sleep_for(slice);
      continue;
    }
    if (ready == 0) continue;
    // Once replies flow, keep reading for a moment after the queue runs dry:
    // the next ones of a burst are microseconds away, and waking from a wait
    // for each of them lets a small receive buffer overflow meanwhile.
    Clock::time_point lastArrival = Clock::now();
    while (Clock::now() - lastArrival < kBurstGap && Clock::now() < deadline) {
      std::vector<DeviceInfo> batch;
      batch.reserve(kSearchReplyBatchLimit);
      size_t read = 0;
      while (read < kSearchReplyBatchLimit) {
        const int32_t n = client->ops.RecvSearchReplies(client, &batch, kSearchReplyBatchLimit - read);
        if (n <= 0) break;
        read += static_cast<size_t>(n);
      }
      if (read > 0) lastArrival = Clock::now();
      if (!batch.empty()) onBatch(std::move(batch));
      if (stopRequested != nullptr && stopRequested->load()) return;
    }
  }
}
