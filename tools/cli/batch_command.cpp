#include "tools/cli/batch_command.h"

#include <arpa/inet.h>

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "batch/address_list_check.h"
#include "batch/batch_run.h"
#include "batch/range_plan.h"
#include "protocol/address_text.h"
#include "protocol/encp_endpoint.h"
#include "tools/cli/adapter_option.h"
#include "tools/cli/change_verification.h"
#include "tools/cli/device_text.h"
#include "tools/cli/scan_cycle.h"

namespace {

constexpr int kExitFailure = 1;
constexpr const char* kOtherNetworkText = "other network";

// What became of one line; none until its turn came and found a device.
using LineFate = std::optional<ChangeOutcome>;

const char* FateText(const LineFate& fate, bool verified) {
  if (!fate) return "not found";
  switch (*fate) {
    case ChangeOutcome::kNoAnswer:
      return "no answer";
    case ChangeOutcome::kRefusedCredential:
      return "refused: credential";
    case ChangeOutcome::kRefused:
      return "refused";
    case ChangeOutcome::kAccepted:
      return verified ? "verified" : "accepted but not seen";
  }
  return "";
}

std::string RequestedText(const AddressListRecord& record) {
  return record.networkType == kNetworkStatic ? record.addressTexts[0] : "DHCP";
}

std::vector<DeviceInfo> ScanOnce(const EncpEndpointSettings& settings) {
  const ScanCycleResult cycle = RunScanCycle(settings);
  WarnIfScanIncomplete(cycle);
  return UniqueByMac(cycle.replies);
}

std::vector<ListedDevice> AllTicked(const std::vector<DeviceInfo>& found) {
  std::vector<ListedDevice> listed;
  for (const DeviceInfo& device : found) {
    ListedDevice entry;
    entry.mac = MacOf(device.mac);
    entry.sourceAddress = device.sourceAddress;
    entry.ticked = true;
    entry.interfaceIndex = device.interfaceIndex;
    listed.push_back(entry);
  }
  return listed;
}

// The range's devices, ticked: those named, in the order named, or every
// device found, by address and then MAC, so that a script gets the same plan
// each run. Devices found but not named keep their addresses. Devices named
// by --interface count as named: the scan heard no others.
std::optional<RangePlan> PlanRange(const CliArgs& args, const std::vector<DeviceInfo>& found) {
  std::vector<ListedDevice> devices = AllTicked(found);
  if (args.rangeMacs.empty()) {
    std::sort(devices.begin(), devices.end(), [](const ListedDevice& a, const ListedDevice& b) {
      return std::pair(ntohl(a.sourceAddress), a.mac) < std::pair(ntohl(b.sourceAddress), b.mac);
    });
  } else {
    std::erase_if(devices, [&](const ListedDevice& device) {
      return std::find(args.rangeMacs.begin(), args.rangeMacs.end(), device.mac) != args.rangeMacs.end();
    });
    for (ListedDevice& device : devices) device.ticked = false;
    for (const MacAddress& mac : args.rangeMacs) {
      const auto heard =
          std::find_if(found.begin(), found.end(), [&](const DeviceInfo& device) { return MacOf(device.mac) == mac; });
      devices.push_back({mac, 0, true, heard == found.end() ? 0 : heard->interfaceIndex});
    }
  }
  const bool named = !args.rangeMacs.empty() || !args.adapters.empty();
  RangePlan plan = PlanAddressRange(*args.range, devices, ReadUsableAdapters(),
                                    named ? RangeDevices::kNamedDevices : RangeDevices::kAllFound);
  if (plan.refusal == RangeRefusal::kNone) return plan;
  std::fprintf(stderr, "tavrix-cli: %s\n", RangeRefusalText(*args.range, plan).c_str());
  return std::nullopt;
}

// Devices the range leaves alone because they are on another network.
void PrintOtherNetwork(const std::vector<MacAddress>& macs, std::FILE* out) {
  for (const MacAddress& mac : macs) std::fprintf(out, "%s\t-\t%s\n", MacText(mac.data()).c_str(), kOtherNetworkText);
}

int DryRun(const AddressListLines& file, const std::vector<DeviceInfo>& found, std::FILE* out,
           const std::vector<MacAddress>& otherNetwork = {}) {
  const AddressListCheck check = CheckAddressList(file, AllTicked(found));
  PrintOtherNetwork(otherNetwork, out);
  for (size_t i = 0; i < file.lines.size(); ++i) {
    const AddressListLine& line = file.lines[i];
    const std::string mac = line.record ? line.record->macText : line.tokens.empty() ? "" : line.tokens[0];
    const std::string requested = line.record ? RequestedText(*line.record) : "-";
    std::fprintf(out, "%s\t%s\t%s\n", mac.c_str(), requested.c_str(), LineCheckText(line, check.lines[i]).c_str());
  }
  std::fprintf(out, "%s\n", AddressListCheckSummary(check).c_str());
  const bool allReady =
      check.skipped == 0 && check.notListed == 0 && check.notTicked == 0 && check.warned == 0 && otherNetwork.empty();
  return allReady ? 0 : kExitFailure;
}

int ReportFileFault(AddressListStatus status) {
  std::fprintf(stderr, "tavrix-cli: %s\n", AddressListStatusText(status));
  return kExitFailure;
}

}  // namespace

int RunBatchCommand(const CliArgs& args, const std::string& password, std::FILE* out) {
  std::vector<BatchLine> lines;
  std::vector<MacAddress> otherNetwork;
  std::vector<DeviceInfo> found;
  if (args.range) {
    found = ScanOnce(args.endpoint);
    std::optional<RangePlan> plan = PlanRange(args, found);
    if (!plan) return kExitFailure;
    lines = std::move(plan->lines);
    otherNetwork = std::move(plan->otherNetwork);
    if (args.dryRun) {
      return DryRun(PlannedLines(lines), found, out, otherNetwork);
    }
  } else if (args.dryRun) {
    const AddressListLines file = ReadAddressListLines(args.filePath);
    if (*AddressListStatusText(file.status) != '\0') return ReportFileFault(file.status);
    return DryRun(file, ScanOnce(args.endpoint), out);
  } else {
    AddressList list = ReadAddressList(args.filePath);
    if (*AddressListStatusText(list.status) != '\0') return ReportFileFault(list.status);
    lines = MatchableLines(std::move(list.records));
    found = ScanOnce(args.endpoint);
  }

  std::vector<LineFate> fates(lines.size());
  AwaitedChanges awaited;
  {
    EncpEndpoint endpoint(args.endpoint);
    if (endpoint.openResult() != 0) {
      std::fprintf(stderr,
                   "tavrix-cli: could not open the local port (another program may hold it); "
                   "no setting was sent\n");
      return kExitFailure;
    }
    BatchHooks hooks;
    hooks.findTarget = [&](const BatchLine& line) -> std::optional<DeviceInfo> {
      for (const DeviceInfo& device : found) {
        if (MacOf(device.mac) == line.mac) return device;
      }
      return std::nullopt;
    };
    hooks.onOutcome = [&](const BatchLine& line, const DeviceInfo&, ChangeOutcome outcome, bool) {
      fates[static_cast<size_t>(&line - lines.data())] = outcome;
      if (outcome == ChangeOutcome::kAccepted) awaited.Await(line.mac.data(), GivenAddress(line.record));
    };
    RunBatchLines(endpoint.client(), lines, {args.userId, password}, BatchTally{}, hooks);
  }
  const bool adapterVanished = WarnIfAdaptersVanished(args);
  const std::map<MacAddress, uint32_t> seenAt = WaitForChanges(awaited, args.endpoint, args.timeout);

  // Only the last accepted line of a device can be where it went.
  std::map<MacAddress, size_t> lastAccepted;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (fates[i] == ChangeOutcome::kAccepted) lastAccepted[lines[i].mac] = i;
  }
  bool allVerified = !adapterVanished && otherNetwork.empty();
  std::string json = "[\n";
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto last = lastAccepted.find(lines[i].mac);
    const bool verified = seenAt.count(lines[i].mac) > 0 && last != lastAccepted.end() && last->second == i;
    const char* fate = FateText(fates[i], verified);
    allVerified = allVerified && fates[i] == ChangeOutcome::kAccepted && verified;
    const std::string requested = RequestedText(lines[i].record);
    if (args.json) {
      json += std::string(i == 0 ? "" : ",\n") + "  {\"mac\": " + JsonString(lines[i].record.macText) +
              ", \"requested\": " + JsonString(requested) + ", \"outcome\": " + JsonString(fate) + "}";
    } else {
      std::fprintf(out, "%s\t%s\t%s\n", lines[i].record.macText.c_str(), requested.c_str(), fate);
    }
  }
  if (args.json) {
    for (const MacAddress& mac : otherNetwork) {
      json += std::string(json.size() > 2 ? ",\n" : "") + "  {\"mac\": " + JsonString(MacText(mac.data())) +
              ", \"requested\": \"-\", \"outcome\": " + JsonString(kOtherNetworkText) + "}";
    }
    std::fprintf(out, "%s%s]\n", json.c_str(), json.size() > 2 ? "\n" : "");
  } else {
    PrintOtherNetwork(otherNetwork, out);
  }
  return allVerified ? 0 : kExitFailure;
}
