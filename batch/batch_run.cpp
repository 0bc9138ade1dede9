#include "batch/batch_run.h"

#include <algorithm>
#include <cstring>

#include "protocol/setting_request.h"

namespace {

NetworkSettingRequest LineRequest(const DeviceInfo& device, const AddressListRecord& record,
                                  const BatchCredential& credential) {
  return SettingRequestFor(device, LineSettings(record), credential);
}

void Count(BatchTally& tally, ExchangeVerdict outcome, int step) {
  switch (outcome) {
    case ExchangeVerdict::kAccepted:
      tally.accepted += step;
      break;
    case ExchangeVerdict::kRefusedCredential:
    case ExchangeVerdict::kRefused:
      tally.refused += step;
      break;
    case ExchangeVerdict::kNoAnswer:
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

RequestedSettings LineSettings(const AddressListRecord& record) {
  return {record.networkType, record.ipAddress, record.subnetMask, record.gateway, record.dnsServer};
}

std::vector<PlannedChange> PlanChanges(const std::vector<BatchLine>& lines,
                                       const std::function<std::optional<DeviceInfo>(const BatchLine&)>& findTarget) {
  std::vector<PlannedChange> plan;
  plan.reserve(lines.size());
  for (const BatchLine& line : lines) plan.push_back({line.mac, findTarget(line), LineSettings(line.record)});
  return plan;
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
      const ExchangeVerdict outcome = VerdictOf(exchange.sent()[index]);
      Count(tally, ExchangeVerdict::kNoAnswer, -1);
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
    const ExchangeVerdict outcome = VerdictOf(exchange.Exchange(request, ChangeTargetFor(*target, request)));
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
