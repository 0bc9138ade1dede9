#include "setting_exchange.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// More datagrams than a drain reads at once mean a flood, not answers; the
// next exchange's drain reads on.
constexpr int kDrainLimit = 4096;

// A refused change never moved its device, so its given address says nothing.
bool HadAddress(const SentChange& change, uint32_t address) {
  const ChangeTarget& target = change.target;
  const bool mayHaveMoved = !change.answer || *change.answer == 0;
  return address == target.discoveredAddress || address == target.recordedAddress ||
         (mayHaveMoved && address == target.givenAddress);
}

bool SelectorFits(const ChangeTarget& target, const ResultReply& reply) {
  return reply.selector < 0 || reply.selector == target.selector;
}

bool SameDevice(const ChangeTarget& a, const ChangeTarget& b) { return std::memcmp(a.mac, b.mac, sizeof a.mac) == 0; }

}  // namespace

ChangeTarget ChangeTargetFor(const DeviceInfo& device, const NetworkSettingRequest& request) {
  ChangeTarget target;
  std::memcpy(target.mac, device.mac, sizeof target.mac);
  target.selector = device.selector;
  target.discoveredAddress = device.sourceAddress;
  target.recordedAddress = device.ipAddress;
  target.givenAddress = request.networkType == kNetworkStatic ? request.ipAddress : 0;
  target.interfaceIndex = device.interfaceIndex;
  return target;
}

ExchangeVerdict VerdictOf(const SentChange& change) {
  return change.answer ? VerdictOf(*change.answer) : ExchangeVerdict::kNoAnswer;
}

ExchangeVerdict VerdictOf(int resultCode) {
  if (resultCode == 0) return ExchangeVerdict::kAccepted;
  return resultCode == 2 ? ExchangeVerdict::kRefusedCredential : ExchangeVerdict::kRefused;
}

std::optional<size_t> AttributeResult(const std::vector<SentChange>& sent, const ResultReply& reply) {
  if (reply.isSearchReply || reply.sourceAddress == 0) return std::nullopt;
  // A device asked twice in quick succession may still answer from any
  // address it held in the run, one given by an earlier line included.
  std::vector<const ChangeTarget*> senders;
  for (const SentChange& change : sent) {
    const bool known = std::any_of(senders.begin(), senders.end(),
                                   [&](const ChangeTarget* sender) { return SameDevice(*sender, change.target); });
    if (!known && HadAddress(change, reply.sourceAddress) && SelectorFits(change.target, reply)) {
      senders.push_back(&change.target);
    }
  }
  for (size_t i = sent.size(); i-- > 0;) {
    if (sent[i].answer) continue;
    const bool sentIt = std::any_of(senders.begin(), senders.end(),
                                    [&](const ChangeTarget* sender) { return SameDevice(*sender, sent[i].target); });
    if (sentIt) return i;
  }
  return std::nullopt;
}

SettingExchange::SettingExchange(EncpClient& client, std::chrono::milliseconds answerWait)
    : client_(client), answerWait_(answerWait) {}

const SentChange& SettingExchange::Exchange(const NetworkSettingRequest& request, const ChangeTarget& target) {
  Drain();
  const size_t current = sent_.size();
  sent_.push_back({target, false, std::nullopt});

  client_.sendInterface = target.interfaceIndex;
  sent_[current].sendFailed = client_.ops.SetNetwork(&client_, &request) != 0;
  client_.sendInterface = 0;

  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + answerWait_;
  while (!sent_[current].answer) {
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now()).count();
    if (left <= 0) break;
    const auto seconds = static_cast<int32_t>(left / 1000000);
    const auto microseconds = static_cast<int32_t>(left % 1000000);
    if (client_.ops.Wait(&client_, seconds, microseconds) != 1) break;
    ReadOne(current);
  }
  return sent_[current];
}

void SettingExchange::Drain() {
  for (int read = 0; read < kDrainLimit && client_.ops.Wait(&client_, 0, 0) == 1; ++read) ReadOne(std::nullopt);
}

std::vector<size_t> SettingExchange::TakeLateAnswers() { return std::exchange(lateAnswers_, {}); }

void SettingExchange::ReadOne(std::optional<size_t> current) {
  client_.lastResult = ResultReply{};
  client_.ops.RecvResult(&client_);
  const std::optional<size_t> answered = AttributeResult(sent_, client_.lastResult);
  if (!answered) return;
  sent_[*answered].answer = client_.lastResult.code;
  if (answered != current) lateAnswers_.push_back(*answered);
}
