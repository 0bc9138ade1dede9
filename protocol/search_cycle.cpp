#include "protocol/search_cycle.h"

#include <algorithm>
#include <cerrno>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// How late a stop request may be seen; ten wake-ups per 500 ms cycle.
constexpr std::chrono::milliseconds kWaitSlice{50};
constexpr std::chrono::microseconds kBurstGap{1000};
// A burst has settled once no reply has come for this long; longer than
// the pauses of a busy sender inside one burst (a few milliseconds).
constexpr std::chrono::milliseconds kSettleGap{20};

// The searches of one cycle and what the system discarded of each burst.
class SearchRounds {
 public:
  // Sends the first search. Its losses count from the open: nothing but
  // replies is expected before it.
  explicit SearchRounds(EncpClient* client) : client_(client) {
    if (client_->ops.Search(client_) == 0) return;
    searches_ = 0;
    firstSearchError_ = errno;
  }

  void Answered(Clock::time_point at) {
    answered_ = true;
    lastArrival_ = at;
  }
  bool awaitingSettle() const { return answered_; }

  // No reply for a settle gap: judge the burst, and search again if it lost
  // replies and another burst as long fits before the deadline.
  void Settled(Clock::time_point now, Clock::time_point deadline) {
    answered_ = false;
    const int64_t dropped = ENCPCLIENT_DroppedDatagrams(*client_);
    if (dropped < 0) return;
    unrecovered_ = dropped - dropsAtSearch_;
    const auto burstLength = lastArrival_ - searchedAt_;
    if (unrecovered_ <= 0 || searches_ >= kMostSearchesPerCycle || now + burstLength + kSettleGap >= deadline) return;
    if (client_->ops.Search(client_) != 0) return;
    ++searches_;
    dropsAtSearch_ = dropped;
    searchedAt_ = now;
  }

  // The loss of the last settled burst stands until a later burst settles,
  // so a search cut short by the deadline never hides it.
  SearchCycleReport Report() const {
    const int64_t dropped = ENCPCLIENT_DroppedDatagrams(*client_);
    if (dropped < 0) return {searches_, firstSearchError_, -1};
    return {searches_, firstSearchError_, std::max(unrecovered_, dropped - dropsAtSearch_)};
  }

 private:
  EncpClient* client_;
  int searches_ = 1;
  int firstSearchError_ = 0;
  int64_t dropsAtSearch_ = 0;
  int64_t unrecovered_ = 0;
  bool answered_ = false;
  Clock::time_point searchedAt_ = Clock::now();
  Clock::time_point lastArrival_;
};

}  // namespace

SearchCycleReport RunSearchCycle(EncpClient* client, Clock::time_point deadline, const SearchReplyBatchSink& onBatch,
                                 const std::atomic<bool>* stopRequested) {
  SearchRounds rounds(client);
  for (;;) {
    if (stopRequested != nullptr && stopRequested->load()) break;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) break;
    const auto slice = std::min<Clock::duration>(deadline - now, rounds.awaitingSettle() ? kSettleGap : kWaitSlice);
    const auto micros = std::chrono::ceil<std::chrono::microseconds>(slice).count();
    const int32_t ready = client->ops.Wait(client, 0, static_cast<int32_t>(micros));
    if (ready < 0) {
      // An endpoint that cannot be waited on still gives a cycle of full length.
      std::this_thread::sleep_for(slice);
      continue;
    }
    if (ready == 0) {
      if (rounds.awaitingSettle()) rounds.Settled(Clock::now(), deadline);
      continue;
    }
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
      if (read > 0) {
        lastArrival = Clock::now();
        rounds.Answered(lastArrival);
      }
      if (!batch.empty()) onBatch(std::move(batch));
      if (stopRequested != nullptr && stopRequested->load()) break;
    }
  }
  return rounds.Report();
}
