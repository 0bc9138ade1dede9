#include "tools/cli/set_exchange.h"

#include <cstdio>
#include <cstring>

#include "protocol/address_text.h"
#include "tools/cli/adapter_option.h"
#include "tools/cli/change_run.h"
#include "tools/cli/device_text.h"
#include "tools/cli/not_sent_text.h"
#include "tools/cli/report_sink.h"
#include "tools/cli/scan_cycle.h"

namespace {

constexpr int kExitFailure = 1;

}  // namespace

RequestedSettings SetRequestedSettings(const CliArgs& args) {
  return {args.dhcp ? kNetworkDhcp : kNetworkStatic, args.ipAddress, args.subnetMask, args.gateway, args.dnsServer};
}

std::string SetOutcomeText(const ChangeReport& report, bool waited) {
  switch (report.outcome) {
    case ChangeOutcome::kVerified:
      return "verified: the device answers from " + DottedAddressText(report.seenAt);
    case ChangeOutcome::kAcceptedNotSeen:
      return waited ? "accepted but not seen: no answer from its new address"
                    : "Network settings accepted. The device is moving to its new address.";
    case ChangeOutcome::kRefusedCredential:
      return "Invalid Athentication Information.\nCheck the Administrator ID and Password !";
    case ChangeOutcome::kRefused:
      return "Configuration Error !\nPlease check IP, netmask ro gateway and correct them.";
    case ChangeOutcome::kNoAnswer:
      return "No answer from the device.";
    case ChangeOutcome::kConflict:
      return "conflict: the MAC answers from " + DottedAddressText(report.seenAt) + " and " +
             DottedAddressText(report.otherAddress);
    case ChangeOutcome::kNotFound:
    case ChangeOutcome::kNotSent:
    case ChangeOutcome::kOtherNetwork:
      return "Network setting failed !";
  }
  return "";
}

int SetOutcomeExitStatus(ChangeOutcome outcome, bool waited) {
  switch (outcome) {
    case ChangeOutcome::kVerified:
      return 0;
    case ChangeOutcome::kAcceptedNotSeen:
      return waited ? kExitFailure : 0;
    case ChangeOutcome::kRefusedCredential:
      return 3;
    case ChangeOutcome::kRefused:
      return 4;
    default:
      return kExitFailure;
  }
}

int RunSetCommand(const CliArgs& args, const std::string& password, ReportSink& out) {
  const ScanCycleResult cycle = RunScanCycle(args.endpoint);
  if (ReportScanNotRun(cycle, args.endpoint)) return kExitFailure;
  WarnIfScanIncomplete(cycle);
  PlannedChange change;
  std::memcpy(change.mac.data(), args.mac, sizeof args.mac);
  change.settings = SetRequestedSettings(args);
  for (const DeviceInfo& device : cycle.replies) {
    if (std::memcmp(device.mac, args.mac, sizeof args.mac) == 0) {
      change.device = device;
      break;
    }
  }
  ChangeEngineSeams seams;
  seams.endpoint = args.endpoint;
  seams.stop = &StopRequested();
  seams.verifyFor = args.wait.value_or(std::chrono::milliseconds(0));
  if (StopRequested().load()) change.device.reset();
  const ChangeRunResult run = RunChangeEngine({change}, {args.userId, password}, seams);
  const ChangeReport& report = run.lines.front();
  const bool adapterVanished = WarnIfAdaptersVanished(args);
  const bool waited = args.wait.has_value();
  const int status = SetOutcomeExitStatus(report.outcome, waited);
  if (report.outcome == ChangeOutcome::kNotFound) {
    std::fprintf(stderr, "tavrix-cli: no device %s answered the search\n", MacText(args.mac).c_str());
  } else if (run.end == ChangeRunEnd::kEndpointUnavailable) {
    std::fprintf(stderr, "%s\n", PortUnavailableText(args.endpoint.localPort, run.openError).c_str());
  } else if (status == 0 && !args.json) {
    out.Write(SetOutcomeText(report, waited) + "\n");
  } else {
    std::fprintf(stderr, "%s\n", SetOutcomeText(report, waited).c_str());
  }
  if (args.json) {
    const PlanLineText text{MacText(args.mac), args.dhcp ? "DHCP" : DottedAddressText(args.ipAddress)};
    out.Write(ReportLineJson(text, report) + "\n");
  }
  if (const int signalled = StopSignalExitStatus(); signalled != 0) return signalled;
  if (adapterVanished) return kExitFailure;
  return run.end == ChangeRunEnd::kEndpointUnavailable ? kExitFailure : status;
}
