#include "batch/range_plan.h"

#include <arpa/inet.h>

#include <unordered_set>

#include "protocol/address_text.h"

namespace {

bool IsContiguous(uint32_t hostMask) {
  const uint32_t hostBits = ~hostMask;
  return (hostBits & (hostBits + 1)) == 0;
}

// The texts are what a file line holding the same values would show, so the
// viewer and the check treat a planned line like any other.
BatchLine PlannedLine(const MacAddress& mac, int32_t networkType, uint32_t ipAddress, uint32_t subnetMask,
                      uint32_t gateway, uint32_t dnsServer) {
  BatchLine line{mac, {}};
  AddressListRecord& record = line.record;
  record.macText = MacText(mac.data());
  record.networkType = networkType;
  record.typeText = networkType == kNetworkStatic ? "STATIC" : "DHCP";
  record.ipAddress = ipAddress;
  record.subnetMask = subnetMask;
  record.gateway = gateway;
  record.dnsServer = dnsServer;
  const uint32_t addresses[] = {ipAddress, subnetMask, gateway, dnsServer};
  for (size_t i = 0; i < record.addressTexts.size(); ++i) record.addressTexts[i] = DottedAddressText(addresses[i]);
  return line;
}

RangePlan Refused(RangePlan plan, RangeRefusal refusal) {
  plan.refusal = refusal;
  plan.lines.clear();
  plan.otherNetwork.clear();
  return plan;
}

bool OnOneAdapter(const std::vector<ListedDevice>& devices) {
  int32_t adapter = 0;
  for (const ListedDevice& device : devices) {
    if (!device.ticked || device.interfaceIndex == 0) continue;
    if (adapter != 0 && device.interfaceIndex != adapter) return false;
    adapter = device.interfaceIndex;
  }
  return true;
}

}  // namespace

RangePlan PlanAddressRange(const RangeSettings& settings, const std::vector<ListedDevice>& devices,
                           const std::vector<UsableAdapter>& adapters, RangeDevices picked) {
  RangePlan plan;
  if (settings.networkType != kNetworkStatic) {
    for (const ListedDevice& device : devices) {
      if (device.ticked) plan.lines.push_back(PlannedLine(device.mac, kNetworkDhcp, 0, 0, 0, 0));
    }
    plan.devices = plan.lines.size();
    return plan;
  }
  const UsableAdapter* holder = AdapterHolding(adapters, settings.start, settings.end);
  std::vector<MacAddress> ticked;
  std::vector<uint32_t> addressesInUse;
  for (const ListedDevice& device : devices) {
    if (!device.ticked) {
      addressesInUse.push_back(device.sourceAddress);
    } else if (holder != nullptr && device.interfaceIndex != 0 && device.interfaceIndex != holder->index) {
      plan.otherNetwork.push_back(device.mac);
    } else {
      ticked.push_back(device.mac);
    }
  }
  plan.devices = ticked.size();

  // Host byte order from here on, so that the range can be counted through.
  const uint32_t mask = ntohl(settings.subnetMask);
  const uint32_t start = ntohl(settings.start);
  const uint32_t end = ntohl(settings.end);
  if (!IsContiguous(mask)) return Refused(std::move(plan), RangeRefusal::kMaskNotContiguous);
  if (end < start) return Refused(std::move(plan), RangeRefusal::kEndBelowStart);
  const uint32_t network = (settings.gateway != 0 ? ntohl(settings.gateway) : start) & mask;
  if ((start & mask) != network) return Refused(std::move(plan), RangeRefusal::kStartOutsideSubnet);
  if ((end & mask) != network) return Refused(std::move(plan), RangeRefusal::kEndOutsideSubnet);
  if (holder == nullptr && picked == RangeDevices::kAllFound) {
    return Refused(std::move(plan), RangeRefusal::kNoAdapterHoldsRange);
  }
  if (holder == nullptr && picked == RangeDevices::kTickedRows && !OnOneAdapter(devices)) {
    return Refused(std::move(plan), RangeRefusal::kDevicesOnSeveralAdapters);
  }

  std::unordered_set<uint32_t> passedOver = {network, network | ~mask, ntohl(settings.gateway),
                                             ntohl(settings.dnsServer)};
  for (uint32_t address : addressesInUse) passedOver.insert(ntohl(address));
  uint64_t usable = uint64_t{end} - start + 1;
  for (uint32_t address : passedOver) usable -= (address >= start && address <= end) ? 1 : 0;
  plan.usableAddresses = static_cast<size_t>(usable);
  if (usable < plan.devices) return Refused(std::move(plan), RangeRefusal::kTooFewAddresses);

  uint32_t next = start;
  for (const MacAddress& mac : ticked) {
    while (passedOver.contains(next)) ++next;
    plan.lines.push_back(
        PlannedLine(mac, kNetworkStatic, htonl(next), settings.subnetMask, settings.gateway, settings.dnsServer));
    ++next;
  }
  return plan;
}

AddressListLines PlannedLines(const std::vector<BatchLine>& lines) {
  AddressListLines planned;
  for (const BatchLine& line : lines) planned.lines.push_back({line.record, AddressListFault::kNone, {}, {}});
  return planned;
}

std::string RangeRefusalText(const RangeSettings& settings, const RangePlan& plan) {
  const std::string start = DottedAddressText(settings.start);
  const std::string end = DottedAddressText(settings.end);
  const std::string mask = DottedAddressText(settings.subnetMask);
  const uint32_t subnetOf = settings.gateway != 0 ? settings.gateway : settings.start;
  const std::string subnet = DottedAddressText(subnetOf & settings.subnetMask) + " / " + mask;
  switch (plan.refusal) {
    case RangeRefusal::kNone:
      return {};
    case RangeRefusal::kMaskNotContiguous:
      return "The subnet mask " + mask + " is not contiguous.";
    case RangeRefusal::kEndBelowStart:
      return "The end address " + end + " is below the start address " + start + ".";
    case RangeRefusal::kStartOutsideSubnet:
      return "The start address " + start + " is outside the subnet " + subnet + ".";
    case RangeRefusal::kEndOutsideSubnet:
      return "The end address " + end + " is outside the subnet " + subnet + ".";
    case RangeRefusal::kTooFewAddresses:
      return "The range " + start + " ~ " + end + " has " + std::to_string(plan.usableAddresses) + " usable " +
             (plan.usableAddresses == 1 ? "address" : "addresses") + " for " + std::to_string(plan.devices) +
             " selected " + (plan.devices == 1 ? "device." : "devices.");
    case RangeRefusal::kNoAdapterHoldsRange:
      return "No adapter of this PC is on the subnet of " + start + " ~ " + end +
             ": name the devices to move (--mac) or their adapter (--interface).";
    case RangeRefusal::kDevicesOnSeveralAdapters:
      return "No adapter of this PC is on the subnet of " + start + " ~ " + end +
             ", and the selected devices were found through several adapters. Choose an adapter in \"Local "
             "network info.\" and select the devices again.";
  }
  return {};
}
