#include "batch/batch_run.h"

#include <algorithm>
#include <cstring>

#include "protocol/setting_request.h"

namespace {

template <size_t N>
void CopyText(char (&field)[N], const std::string& text) {
  std::memcpy(field, text.data(), std::min(text.size(), N));
}

NetworkSettingRequest LineRequest(const DeviceInfo& device, const AddressListRecord& record,
                                  const BatchCredential& credential) {
  NetworkSettingRequest request = SettingRequestFor(device);
  request.networkType = record.networkType;
  CopyText(request.userId, credential.userId);
  CopyText(request.password, credential.password);
  request.ipAddress = record.ipAddress;
  request.subnetMask = record.subnetMask;
  request.gateway = record.gateway;
  request.dnsServer = record.dnsServer;
  return request;
}

void Count(BatchTally& tally, ChangeOutcome outcome, int step) {
  switch (outcome) {
    case ChangeOutcome::kAccepted:
      tally.accepted += step;
      break;
    case ChangeOutcome::kRefusedCredential:
    case ChangeOutcome::kRefused:
      tally.refused += step;
      break;
    case ChangeOutcome::kNoAnswer:
      tally.noAnswer += step;
      break;
  }
}

}  // namespace

std::vector<BatchLine> MatchableLines(std::vector<AddressListRecord> records) {
  std::vector<BatchLine> lines;
  for (AddressListRecord& record : records) {
    if (const std::optional<MacAddress> mac = ParseUpperColonMac(record.macText)) {
      lines.push_back({*mac, std::move(record)});
    }
  }
  return lines;
}

std::optional<uint32_t> GivenAddress(const AddressListRecord& record) {
  if (record.networkType != kNetworkStatic) return std::nullopt;
  return record.ipAddress;
}

BatchTally RunBatchLines(EncpClient& client, const std::vector<BatchLine>& lines, const BatchCredential& credential,
                         BatchTally tally, const BatchHooks& hooks) {
  SettingExchange exchange(client);
  std::vector<std::pair<const BatchLine*, DeviceInfo>> changes;  // by exchange index
  const auto creditLateAnswers = [&] {
    for (size_t index : exchange.TakeLateAnswers()) {
      const ChangeOutcome outcome = OutcomeOf(exchange.sent()[index]);
      Count(tally, ChangeOutcome::kNoAnswer, -1);
      Count(tally, outcome, 1);
      hooks.onOutcome(*changes[index].first, changes[index].second, outcome, true);
    }
  };

  for (const BatchLine& line : lines) {
    const std::optional<DeviceInfo> target = hooks.findTarget(line);
    if (!target) continue;
    if (hooks.stopRequested && hooks.stopRequested()) break;
    NetworkSettingRequest request = LineRequest(*target, line.record, credential);
    changes.emplace_back(&line, *target);
    ++tally.sent;
    const ChangeOutcome outcome = OutcomeOf(exchange.Exchange(request, ChangeTargetFor(*target, request)));
    explicit_bzero(request.password, sizeof request.password);
    Count(tally, outcome, 1);
    hooks.onOutcome(line, *target, outcome, false);
    creditLateAnswers();
    if (hooks.onProgress) hooks.onProgress(tally);
  }
  exchange.Drain();
  const int answersBefore = tally.noAnswer;
  creditLateAnswers();
  if (tally.noAnswer != answersBefore && hooks.onProgress) hooks.onProgress(tally);
  return tally;
}
