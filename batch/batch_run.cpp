#include "batch/batch_run.h"

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
