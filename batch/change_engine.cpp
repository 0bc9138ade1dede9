#include "batch/change_engine.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <map>
#include <unordered_map>
#include <utility>

#include "protocol/secret_wipe.h"
#include "protocol/setting_exchange.h"

namespace {

using Clock = std::chrono::steady_clock;

// Copies of one answer (a PC with two interfaces on one LAN hears each
// twice) arrive within this of each other; another line that shares the
// address is not sent before it has passed.
constexpr std::chrono::milliseconds kDuplicateWindow{5};
// A search ends early once every device it checks has answered and no reply
// has come for this long, so a second answer of a MAC is still heard.
constexpr std::chrono::milliseconds kSettleGap{20};
// How late a stop request may be seen.
constexpr std::chrono::milliseconds kWaitSlice{50};
// Datagrams read in one go before the clock is looked at again.
constexpr int kReadLimit = 4096;
// Searches an unanswered device is watched for while it is not found, or
// found still applying its change (at its old address, already with the
// new settings): a device busy re-addressing itself may miss a search.
constexpr int kMostWatches = 3;

enum class Phase { kQueued, kOutstanding, kAccepted, kSilent, kFinal };

struct LineState {
  Phase phase = Phase::kQueued;
  Clock::time_point waitEnds{};
  Clock::time_point acceptedAt{};
  Clock::time_point answeredAt{};
  bool checkDue = false;  // no search has looked at it since its last wait or acceptance
  int watches = 0;
  ChangeReport report;
};

struct Credited {
  uint32_t source = 0;
  int32_t selector = -1;
  int32_t code = -1;
  Clock::time_point at{};
};

class Engine {
 public:
  Engine(const std::vector<PlannedChange>& plan, const SettingCredential& credential, const ChangeEngineSeams& seams,
         EncpClient& client)
      : plan_(plan), credential_(credential), seams_(seams), client_(client), lines_(plan.size()) {
    tally_.lines = static_cast<int>(plan.size());
    for (size_t i = 0; i < plan.size(); ++i) lines_[i].report.line = i;
    CollectAddresses();
  }

  ChangeRunEnd Run() {
    const Clock::time_point start = Clock::now();
    lastSearchStart_ = start;
    for (size_t i = 0; i < plan_.size(); ++i) {
      if (plan_[i].device) {
        queue_.push_back(i);
      } else {
        Finish(i, ChangeOutcome::kNotFound);
      }
    }
    while (finals_ < lines_.size()) {
      if (seams_.stop != nullptr && seams_.stop->load()) {
        FinishAll();
        return ChangeRunEnd::kStopped;
      }
      Clock::time_point now = Clock::now();
      ExpireWaits(now);
      ExpireVerifications(now);
      if (searching_ && SearchOver(now)) EndSearch();
      if (!searching_ && SearchDue(now)) StartSearch(now);
      SendDue(now);
      if (finals_ == lines_.size()) break;
      now = Clock::now();
      const auto wake = std::max(now, NextWake(now));
      const auto micros = std::chrono::ceil<std::chrono::microseconds>(wake - now).count();
      if (client_.ops.Wait(&client_, 0, static_cast<int32_t>(micros)) == 1) ReadAll();
    }
    return ChangeRunEnd::kCompleted;
  }

  std::vector<ChangeReport> Reports() const {
    std::vector<ChangeReport> reports;
    reports.reserve(lines_.size());
    for (const LineState& line : lines_) reports.push_back(line.report);
    return reports;
  }
  const ChangeTally& tally() const { return tally_; }

 private:
  const DeviceInfo& DeviceOf(size_t i) const { return *plan_[i].device; }
  const RequestedSettings& SettingsOf(size_t i) const { return plan_[i].settings; }

  const std::vector<uint32_t>& AddressesOf(size_t i) const { return addresses_[i]; }

  // Every address the line's device may answer from during the run: where
  // it was found, what its record holds, and the static addresses this line
  // and the earlier lines for the same device give it (a device asked again
  // soon after a change may answer from where the change put it).
  void CollectAddresses() {
    addresses_.resize(plan_.size());
    for (size_t i = 0; i < plan_.size(); ++i) {
      if (!plan_[i].device) continue;
      std::vector<uint32_t>& addresses = addresses_[i];
      addresses = {DeviceOf(i).sourceAddress, DeviceOf(i).ipAddress};
      for (size_t earlier = 0; earlier <= i; ++earlier) {
        if (plan_[earlier].mac == plan_[i].mac && SettingsOf(earlier).networkType == kNetworkStatic) {
          addresses.push_back(SettingsOf(earlier).ipAddress);
        }
      }
      std::erase(addresses, 0u);
      std::sort(addresses.begin(), addresses.end());
      addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    }
  }

  void Report(size_t i, ChangeOutcome outcome, bool final, uint32_t seenAt = 0, uint32_t other = 0) {
    LineState& line = lines_[i];
    line.report.outcome = outcome;
    line.report.final = final;
    line.report.seenAt = seenAt;
    line.report.otherAddress = other;
    if (final) {
      line.phase = Phase::kFinal;
      ++finals_;
      if (outcome == ChangeOutcome::kVerified) ++tally_.verified;
      if (outcome == ChangeOutcome::kNoAnswer) ++tally_.noAnswer;
      if (outcome == ChangeOutcome::kRefused || outcome == ChangeOutcome::kRefusedCredential) ++tally_.refused;
    }
    if (seams_.onReport) seams_.onReport(line.report, tally_);
  }
  void Finish(size_t i, ChangeOutcome outcome, uint32_t seenAt = 0, uint32_t other = 0) {
    Report(i, outcome, true, seenAt, other);
  }

  // What is known of every line not yet final when the run is stopped.
  void FinishAll() {
    for (size_t i = 0; i < lines_.size(); ++i) {
      switch (lines_[i].phase) {
        case Phase::kQueued:
          Finish(i, lines_[i].report.requests == 0 ? ChangeOutcome::kNotSent : ChangeOutcome::kNoAnswer);
          break;
        case Phase::kOutstanding:
        case Phase::kSilent:
          Finish(i, ChangeOutcome::kNoAnswer);
          break;
        case Phase::kAccepted:
          Finish(i, ChangeOutcome::kAcceptedNotSeen);
          break;
        case Phase::kFinal:
          break;
      }
    }
  }

  // --- sending ---

  bool Blocked(size_t i, Clock::time_point now) const {
    for (uint32_t address : AddressesOf(i)) {
      const auto found = busyAddresses_.find(address);
      if (found != busyAddresses_.end() && (found->second.outstanding > 0 || now < found->second.quietFrom)) {
        return true;
      }
    }
    return false;
  }

  void MarkBusy(size_t i, int step, Clock::time_point quietFrom) {
    for (uint32_t address : AddressesOf(i)) {
      BusyAddress& busy = busyAddresses_[address];
      busy.outstanding += step;
      busy.quietFrom = std::max(busy.quietFrom, quietFrom);
    }
  }

  void SendDue(Clock::time_point now) {
    while (!queue_.empty() && outstanding_.size() < kMostOutstanding && now >= nextSendAt_) {
      const auto next = std::find_if(queue_.begin(), queue_.end(), [&](size_t i) { return !Blocked(i, now); });
      if (next == queue_.end()) return;
      const size_t i = *next;
      queue_.erase(next);
      Send(i, now);
      nextSendAt_ = now + kSendSpacing;
    }
  }

  void Send(size_t i, Clock::time_point now) {
    SupersedeEarlierLines(i);
    LineState& line = lines_[i];
    NetworkSettingRequest request = SettingRequestFor(DeviceOf(i), SettingsOf(i), credential_);
    client_.sendInterface = DeviceOf(i).interfaceIndex;
    const bool sent = SendSettingRequest(client_, request) == 0;
    client_.sendInterface = 0;
    if (!sent) {
      Finish(i, line.report.requests == 0 ? ChangeOutcome::kNotSent : ChangeOutcome::kNoAnswer);
      return;
    }
    if (line.report.requests++ == 0) ++tally_.sent;
    line.phase = Phase::kOutstanding;
    line.waitEnds = now + kAnswerWait;
    outstanding_.push_back(i);
    MarkBusy(i, 1, now);
  }

  // A later line for the same device replaces what an earlier one asked.
  void SupersedeEarlierLines(size_t i) {
    for (size_t earlier = 0; earlier < i; ++earlier) {
      if (plan_[earlier].mac != plan_[i].mac) continue;
      if (lines_[earlier].phase == Phase::kAccepted) Finish(earlier, ChangeOutcome::kAcceptedNotSeen);
      if (lines_[earlier].phase == Phase::kSilent) Finish(earlier, ChangeOutcome::kNoAnswer);
    }
  }

  void LeaveOutstanding(size_t i, Clock::time_point quietFrom) {
    std::erase(outstanding_, i);
    MarkBusy(i, -1, quietFrom);
  }

  void ExpireWaits(Clock::time_point now) {
    for (size_t k = 0; k < outstanding_.size();) {
      const size_t i = outstanding_[k];
      if (lines_[i].waitEnds > now) {
        ++k;
        continue;
      }
      LeaveOutstanding(i, now);
      lines_[i].phase = Phase::kSilent;
      lines_[i].checkDue = true;
      Report(i, ChangeOutcome::kNoAnswer, false);
    }
  }

  void ExpireVerifications(Clock::time_point now) {
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (lines_[i].phase == Phase::kAccepted && now >= lines_[i].acceptedAt + seams_.verifyFor) {
        Finish(i, ChangeOutcome::kAcceptedNotSeen);
      }
    }
  }

  // --- answers ---

  void ReadAll() {
    for (int read = 0; read < kReadLimit && client_.ops.Wait(&client_, 0, 0) == 1; ++read) {
      client_.lastResult = ResultReply{};
      client_.ops.RecvResult(&client_);
      const ResultReply& reply = client_.lastResult;
      if (reply.isSearchReply) {
        if (reply.searchReplyDecoded) OnSearchReply(client_.lastReply);
      } else {
        OnResult(reply);
      }
    }
  }

  bool MayAnswer(size_t i, const ResultReply& reply) const {
    const std::vector<uint32_t>& addresses = AddressesOf(i);
    const bool fromIt = std::find(addresses.begin(), addresses.end(), reply.sourceAddress) != addresses.end();
    return fromIt && (reply.selector < 0 || reply.selector == DeviceOf(i).selector);
  }

  // Its wait ended without an answer: watched, or queued to be sent again.
  bool AnswerLate(size_t i) const {
    return lines_[i].phase == Phase::kSilent || (lines_[i].phase == Phase::kQueued && lines_[i].report.requests > 0);
  }

  void OnResult(const ResultReply& reply) {
    const Clock::time_point now = Clock::now();
    if (reply.sourceAddress == 0) return;
    if (reply.sourceAddress == lastCredited_.source && reply.selector == lastCredited_.selector &&
        reply.code == lastCredited_.code && now - lastCredited_.at < kDuplicateWindow) {
      return;
    }
    // The line waiting now, else one whose wait ended without an answer; the
    // most recently sent among them.
    std::optional<size_t> answered;
    for (size_t i : outstanding_) {
      if (MayAnswer(i, reply)) answered = i;
    }
    for (size_t i = 0; !answered && i < lines_.size(); ++i) {
      if (AnswerLate(i) && MayAnswer(i, reply)) answered = i;
    }
    if (!answered) return;
    lastCredited_ = {reply.sourceAddress, reply.selector, reply.code, now};
    const size_t i = *answered;
    if (lines_[i].phase == Phase::kOutstanding) LeaveOutstanding(i, now + kDuplicateWindow);
    if (lines_[i].phase == Phase::kQueued) std::erase(queue_, i);
    Credit(i, reply.code, now);
  }

  void Credit(size_t i, int32_t code, Clock::time_point now) {
    switch (VerdictOf(code)) {
      case ExchangeVerdict::kRefusedCredential:
        Finish(i, ChangeOutcome::kRefusedCredential);
        return;
      case ExchangeVerdict::kRefused:
        Finish(i, ChangeOutcome::kRefused);
        return;
      case ExchangeVerdict::kAccepted:
        break;
    }
    ++tally_.accepted;
    const RequestedSettings& settings = SettingsOf(i);
    // Given the address it answers from already: it is there.
    if (settings.networkType == kNetworkStatic && settings.ipAddress == DeviceOf(i).sourceAddress) {
      Finish(i, ChangeOutcome::kVerified, settings.ipAddress);
      return;
    }
    if (seams_.verifyFor.count() <= 0) {
      Finish(i, ChangeOutcome::kAcceptedNotSeen);
      return;
    }
    LineState& line = lines_[i];
    line.phase = Phase::kAccepted;
    line.acceptedAt = now;
    line.checkDue = true;
    Report(i, ChangeOutcome::kAcceptedNotSeen, false);
  }

  // --- searches ---

  bool Awaiting(size_t i) const { return lines_[i].phase == Phase::kAccepted || lines_[i].phase == Phase::kSilent; }

  bool SearchDue(Clock::time_point now) const {
    bool awaiting = false;
    bool checkDue = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
      awaiting = awaiting || Awaiting(i);
      checkDue = checkDue || (Awaiting(i) && lines_[i].checkDue);
    }
    if (!awaiting) return false;
    const bool sendsSettled =
        outstanding_.empty() && std::none_of(queue_.begin(), queue_.end(), [&](size_t i) { return !Blocked(i, now); });
    return (checkDue && sendsSettled) || now >= lastSearchStart_ + kRescanPeriod;
  }

  void StartSearch(Clock::time_point now) {
    searching_ = true;
    searchStart_ = now;
    lastSearchStart_ = now;
    lastReplyAt_ = now;
    seen_.clear();
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (Awaiting(i)) checked_.push_back(i);
    }
    client_.sendInterface = 0;
    client_.ops.Search(&client_);
  }

  void OnSearchReply(const DeviceInfo& device) {
    if (!searching_) return;
    lastReplyAt_ = Clock::now();
    std::vector<DeviceInfo>& replies = seen_[MacOf(device.mac)];
    const bool known = std::any_of(replies.begin(), replies.end(), [&](const DeviceInfo& earlier) {
      return earlier.sourceAddress == device.sourceAddress;
    });
    if (!known) replies.push_back(device);
    if (seams_.onSearchReply) seams_.onSearchReply(device);
  }

  bool SearchOver(Clock::time_point now) const {
    if (now >= searchStart_ + kSearchCycleLength) return true;
    if (now - lastReplyAt_ < kSettleGap) return false;
    return std::all_of(checked_.begin(), checked_.end(),
                       [&](size_t i) { return !Awaiting(i) || seen_.count(plan_[i].mac) > 0; });
  }

  bool ShowsNewSettings(size_t i, const DeviceInfo& reply) const {
    const RequestedSettings& settings = SettingsOf(i);
    if (reply.networkType != settings.networkType) return false;
    if (settings.networkType != kNetworkStatic) return true;
    return reply.sourceAddress == settings.ipAddress && reply.subnetMask == settings.subnetMask &&
           reply.gateway == settings.gateway;
  }

  bool ShowsOldSettings(size_t i, const DeviceInfo& reply) const {
    const DeviceInfo& before = DeviceOf(i);
    return reply.sourceAddress == before.sourceAddress && reply.networkType == before.networkType &&
           reply.ipAddress == before.ipAddress && reply.subnetMask == before.subnetMask &&
           reply.gateway == before.gateway;
  }

  void EndSearch() {
    searching_ = false;
    for (size_t i : std::exchange(checked_, {})) {
      if (!Awaiting(i)) continue;
      LineState& line = lines_[i];
      const bool silent = line.phase == Phase::kSilent;
      const bool afterWait = !silent || line.waitEnds <= searchStart_;
      if (afterWait) line.checkDue = false;
      const auto found = seen_.find(plan_[i].mac);
      if (found != seen_.end() && found->second.size() >= 2) {
        Finish(i, ChangeOutcome::kConflict, found->second[0].sourceAddress, found->second[1].sourceAddress);
        continue;
      }
      const DeviceInfo* reply = found == seen_.end() ? nullptr : &found->second.front();
      if (reply != nullptr && ShowsNewSettings(i, *reply)) {
        if (silent) ++tally_.accepted;
        line.report.seen = *reply;
        Finish(i, ChangeOutcome::kVerified, reply->sourceAddress);
        continue;
      }
      if (!silent) {
        // Heard accepting, not there yet: look again soon, a few times.
        line.checkDue = reply != nullptr && ++line.watches < kMostWatches;
        continue;
      }
      if (!afterWait) continue;
      if (reply != nullptr && ShowsOldSettings(i, *reply)) {
        if (line.report.requests <= kMostResends) {
          line.phase = Phase::kQueued;
          queue_.push_front(i);
        } else {
          Finish(i, ChangeOutcome::kNoAnswer);
        }
      } else if ((reply == nullptr || reply->sourceAddress == DeviceOf(i).sourceAddress) &&
                 ++line.watches < kMostWatches) {
        // A missed search is looked at again at once; a device busy applying
        // its change is given the re-scan period.
        line.checkDue = reply == nullptr;
      } else {
        Finish(i, ChangeOutcome::kNoAnswer);
      }
    }
  }

  Clock::time_point NextWake(Clock::time_point now) const {
    Clock::time_point wake = now + kWaitSlice;
    // A queue blocked by outstanding requests wakes with their answers or
    // waits; one blocked only until duplicates have passed, when they have.
    if (outstanding_.size() < kMostOutstanding) {
      if (std::any_of(queue_.begin(), queue_.end(), [&](size_t i) { return !Blocked(i, now); })) {
        wake = std::min(wake, nextSendAt_);
      }
      for (const auto& [address, busy] : busyAddresses_) {
        if (busy.outstanding == 0 && busy.quietFrom > now) wake = std::min(wake, busy.quietFrom);
      }
    }
    for (size_t i : outstanding_) wake = std::min(wake, lines_[i].waitEnds);
    if (searching_) wake = std::min(wake, std::min(searchStart_ + kSearchCycleLength, lastReplyAt_ + kSettleGap));
    return wake;
  }

  struct BusyAddress {
    int outstanding = 0;
    Clock::time_point quietFrom{};
  };

  const std::vector<PlannedChange>& plan_;
  const SettingCredential& credential_;
  const ChangeEngineSeams& seams_;
  EncpClient& client_;
  std::vector<LineState> lines_;
  std::vector<std::vector<uint32_t>> addresses_;
  ChangeTally tally_;
  size_t finals_ = 0;

  std::deque<size_t> queue_;
  std::vector<size_t> outstanding_;
  std::unordered_map<uint32_t, BusyAddress> busyAddresses_;
  Clock::time_point nextSendAt_{};
  Credited lastCredited_;

  bool searching_ = false;
  Clock::time_point searchStart_{};
  Clock::time_point lastSearchStart_{};
  Clock::time_point lastReplyAt_{};
  std::vector<size_t> checked_;
  std::map<MacAddress, std::vector<DeviceInfo>> seen_;
};

}  // namespace

ChangeRunResult RunChangeEngine(const std::vector<PlannedChange>& plan, SettingCredential credential,
                                const ChangeEngineSeams& seams) {
  ChangeRunResult result;
  {
    EncpEndpoint endpoint(seams.endpoint, seams.open);
    if (endpoint.openResult() != 0) {
      result.end = ChangeRunEnd::kEndpointUnavailable;
      result.openError = errno != 0 ? errno : EIO;
      for (size_t i = 0; i < plan.size(); ++i) {
        ChangeReport report;
        report.line = i;
        report.final = true;
        report.outcome = plan[i].device ? ChangeOutcome::kNotSent : ChangeOutcome::kNotFound;
        result.lines.push_back(report);
      }
      result.tally.lines = static_cast<int>(plan.size());
    } else {
      Engine engine(plan, credential, seams, endpoint.client());
      result.end = engine.Run();
      result.lines = engine.Reports();
      result.tally = engine.tally();
    }
  }
  WipeSecret(credential.password);
  return result;
}
