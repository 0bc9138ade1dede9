#include "tools/cli/batch_command.h"

#include <arpa/inet.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "batch/address_list_check.h"
#include "batch/batch_run.h"
#include "batch/range_plan.h"
#include "protocol/address_text.h"
#include "protocol/usable_adapters.h"
#include "tools/cli/adapter_option.h"
#include "tools/cli/change_run.h"
#include "tools/cli/device_text.h"
#include "tools/cli/scan_cycle.h"

namespace {

constexpr int kExitFailure = 1;

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
  const std::string word(OutcomeWord(ChangeOutcome::kOtherNetwork));
  for (const MacAddress& mac : macs) std::fprintf(out, "%s\t-\t%s\n", MacText(mac.data()).c_str(), word.c_str());
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

  if (StopRequested().load()) found.clear();
  const std::vector<PlannedChange> plan = PlanChanges(lines, [&](const BatchLine& line) -> std::optional<DeviceInfo> {
    for (const DeviceInfo& device : found) {
      if (MacOf(device.mac) == line.mac) return device;
    }
    return std::nullopt;
  });
  std::vector<PlanLineText> texts;
  for (const BatchLine& line : lines) texts.push_back({line.record.macText, RequestedText(line.record)});
  std::vector<PlanLineText> passedBy;
  for (const MacAddress& mac : otherNetwork) passedBy.push_back({MacText(mac.data()), "-"});

  ChangeEngineSeams seams;
  seams.endpoint = args.endpoint;
  seams.verifyFor = args.timeout;
  ReportSink sink(out);
  const CliRunOutcome run = RunPlanReporting(plan, texts, passedBy, {args.userId, password}, seams, args.json, sink);
  const bool adapterVanished = WarnIfAdaptersVanished(args);
  if (run.endpointUnavailable) {
    std::fprintf(stderr,
                 "tavrix-cli: could not open the local port (another program may hold it); "
                 "no setting was sent\n");
  }
  if (const int signalled = StopSignalExitStatus(); signalled != 0) return signalled;
  const bool allVerified = std::all_of(run.result.lines.begin(), run.result.lines.end(), [](const ChangeReport& r) {
    return r.outcome == ChangeOutcome::kVerified;
  });
  return allVerified && passedBy.empty() && !adapterVanished && !run.endpointUnavailable && !sink.Failed()
             ? 0
             : kExitFailure;
}
