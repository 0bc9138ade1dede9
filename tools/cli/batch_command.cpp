#include "tools/cli/batch_command.h"

#include <arpa/inet.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "batch/address_list_check.h"
#include "batch/batch_run.h"
#include "batch/range_plan.h"
#include "protocol/address_text.h"
#include "protocol/device_texts.h"
#include "protocol/usable_adapters.h"
#include "tools/cli/adapter_option.h"
#include "tools/cli/change_run.h"
#include "tools/cli/device_text.h"
#include "tools/cli/not_sent_text.h"
#include "tools/cli/scan_cycle.h"

namespace {

constexpr int kExitFailure = 1;

std::string RequestedText(const AddressListRecord& record) {
  return record.networkType == kNetworkStatic ? record.addressTexts[0] : "DHCP";
}

// Nothing when the scan could not search: then no line can be judged or
// sent, and the reason has been said.
std::optional<std::vector<DeviceInfo>> ScanOnce(const EncpEndpointSettings& settings) {
  const ScanCycleResult cycle = RunScanCycle(settings);
  if (ReportScanNotRun(cycle, settings)) return std::nullopt;
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

// Texts taken from the file, echoed by the window's rule: always valid
// UTF-8, never cut at a NUL, no control characters.
std::string FileText(const std::string& bytes) { return TextUtf8(bytes); }

std::string DryRunLineJson(const AddressListLine& line, const LineCheck& check, const std::string& mac,
                           const std::string& requested) {
  std::string problems;
  for (const LineProblem problem : check.problems) {
    if (!problems.empty()) problems += ", ";
    problems += JsonString(LineCheckText(line, LineCheck{{problem}, check.inUseBy}));
  }
  const bool usable = line.record.has_value();
  return "{\"mac\": " + JsonString(mac) + ", \"requested\": " + JsonString(requested) +
         ", \"usable\": " + (usable ? "true" : "false") +
         ", \"ready\": " + (usable && check.problems.empty() ? "true" : "false") + ", \"problems\": [" + problems +
         "], \"reason\": " + JsonString(usable ? "" : FileText(LineCheckText(line, check))) + "}";
}

// Devices a range leaves alone because they were heard on another network.
std::string OtherNetworkText(const std::vector<MacAddress>& macs, bool json) {
  const std::string word(OutcomeWord(ChangeOutcome::kOtherNetwork));
  std::string text;
  for (const MacAddress& mac : macs) {
    if (json) {
      text += (text.empty() ? "" : ", ") + JsonString(MacText(mac.data()));
    } else {
      text += MacText(mac.data()) + "\t-\t" + word + "\n";
    }
  }
  return text;
}

int DryRun(const AddressListLines& file, const std::vector<DeviceInfo>& found, bool json, ReportSink& out,
           const std::vector<MacAddress>& otherNetwork = {}) {
  const AddressListCheck check = CheckAddressList(file, AllTicked(found));
  std::string report = json ? "{\"lines\": [" : OtherNetworkText(otherNetwork, false);
  for (size_t i = 0; i < file.lines.size(); ++i) {
    const AddressListLine& line = file.lines[i];
    const std::string mac = FileText(line.record ? line.record->macText : line.tokens.empty() ? "" : line.tokens[0]);
    const std::string requested = line.record ? RequestedText(*line.record) : "-";
    if (json) {
      report += (i == 0 ? "\n  " : ",\n  ") + DryRunLineJson(line, check.lines[i], mac, requested);
    } else {
      report += mac + "\t" + requested + "\t" + FileText(LineCheckText(line, check.lines[i])) + "\n";
    }
  }
  if (json) {
    const auto count = [](const char* key, size_t value) {
      return ", \"" + std::string(key) + "\": " + std::to_string(value);
    };
    report += std::string(file.lines.empty() ? "" : "\n") + "]" + count("ready", check.ready) +
              count("notListed", check.notListed) + count("notTicked", check.notTicked) +
              count("warned", check.warned) + count("skipped", check.skipped) + ", \"otherNetwork\": [" +
              OtherNetworkText(otherNetwork, true) + "]}\n";
  } else {
    report += AddressListCheckSummary(check) + "\n";
  }
  out.Write(report);
  const bool allReady =
      check.skipped == 0 && check.notListed == 0 && check.notTicked == 0 && check.warned == 0 && otherNetwork.empty();
  return allReady ? 0 : kExitFailure;
}

template <typename File>
int ReportFileFault(const File& file) {
  std::fprintf(stderr, "tavrix-cli: %s\n", AddressListStatusText(file.status, file.error).c_str());
  return kExitFailure;
}

}  // namespace

int RunBatchCommand(const CliArgs& args, const std::string& password, ReportSink& out) {
  std::vector<BatchLine> lines;
  std::vector<MacAddress> otherNetwork;
  std::vector<DeviceInfo> found;
  if (args.range) {
    std::optional<std::vector<DeviceInfo>> scanned = ScanOnce(args.endpoint);
    if (!scanned) return kExitFailure;
    found = std::move(*scanned);
    std::optional<RangePlan> plan = PlanRange(args, found);
    if (!plan) return kExitFailure;
    lines = std::move(plan->lines);
    otherNetwork = std::move(plan->otherNetwork);
    if (args.dryRun) {
      return DryRun(PlannedLines(lines), found, args.json, out, otherNetwork);
    }
  } else if (args.dryRun) {
    const AddressListLines file = ReadAddressListLines(args.filePath);
    if (*AddressListStatusText(file.status) != '\0') return ReportFileFault(file);
    const std::optional<std::vector<DeviceInfo>> scanned = ScanOnce(args.endpoint);
    if (!scanned) return kExitFailure;
    return DryRun(file, *scanned, args.json, out);
  } else {
    AddressList list = ReadAddressList(args.filePath);
    if (*AddressListStatusText(list.status) != '\0') return ReportFileFault(list);
    lines = MatchableLines(std::move(list.records));
    std::optional<std::vector<DeviceInfo>> scanned = ScanOnce(args.endpoint);
    if (!scanned) return kExitFailure;
    found = std::move(*scanned);
  }

  if (StopRequested().load()) found.clear();
  const std::vector<PlannedChange> plan = PlanChanges(lines, [&](const BatchLine& line) -> std::optional<DeviceInfo> {
    for (const DeviceInfo& device : found) {
      if (MacOf(device.mac) == line.mac) return device;
    }
    return std::nullopt;
  });
  std::vector<PlanLineText> texts;
  for (const BatchLine& line : lines) texts.push_back({FileText(line.record.macText), RequestedText(line.record)});
  std::vector<PlanLineText> passedBy;
  for (const MacAddress& mac : otherNetwork) passedBy.push_back({MacText(mac.data()), "-"});

  ChangeEngineSeams seams;
  seams.endpoint = args.endpoint;
  seams.verifyFor = args.timeout;
  const CliRunOutcome run = RunPlanReporting(plan, texts, passedBy, {args.userId, password}, seams, args.json, out);
  const bool adapterVanished = WarnIfAdaptersVanished(args);
  if (run.endpointUnavailable) {
    std::fprintf(stderr, "%s\n", PortUnavailableText(args.endpoint.localPort, run.result.openError).c_str());
  }
  if (const int signalled = StopSignalExitStatus(); signalled != 0) return signalled;
  const bool allVerified = std::all_of(run.result.lines.begin(), run.result.lines.end(),
                                       [](const ChangeReport& r) { return r.outcome == ChangeOutcome::kVerified; });
  return allVerified && passedBy.empty() && !adapterVanished && !run.endpointUnavailable ? 0 : kExitFailure;
}
