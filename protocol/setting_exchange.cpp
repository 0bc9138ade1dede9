#include "setting_exchange.h"

#include <cstring>
#include <utility>

namespace {

// More datagrams than a drain reads at once mean a flood, not answers; the
// next exchange's drain reads on.
constexpr int kDrainLimit = 4096;

bool Sends(const ChangeTarget& target, const ResultReply& reply) {
  const uint32_t source = reply.sourceAddress;
  const bool fromTarget = source != 0 && (source == target.discoveredAddress || source == target.recordedAddress ||
                                          source == target.givenAddress);
  const bool selectorFits = reply.selector < 0 || reply.selector == target.selector;
  return fromTarget && selectorFits;
}

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

ChangeOutcome OutcomeOf(const SentChange& change) {
  if (!change.answer) return ChangeOutcome::kNoAnswer;
  if (*change.answer == 0) return ChangeOutcome::kAccepted;
  return *change.answer == 2 ? ChangeOutcome::kRefusedCredential : ChangeOutcome::kRefused;
}

std::optional<size_t> AttributeResult(const std::vector<SentChange>& sent, const ResultReply& reply) {
  if (reply.isSearchReply) return std::nullopt;
  for (size_t i = sent.size(); i-- > 0;) {
    if (!sent[i].answer && Sends(sent[i].target, reply)) return i;
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
