#include "tools/cli/cli_main.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "protocol/address_text.h"
#include "tools/cli/batch_command.h"
#include "tools/cli/change_verification.h"
#include "tools/cli/cli_args.h"
#include "tools/cli/device_text.h"
#include "tools/cli/not_sent_text.h"
#include "tools/cli/scan_cycle.h"
#include "tools/cli/set_exchange.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Once per scan, and only where a burst can really be lost: the system
// capped the buffer below what the endpoint asked for.
void WarnIfBufferShort(const ScanCycleResult& cycle, const EncpEndpointSettings& settings) {
  if (!cycle.receiveBufferShort) return;
  std::fprintf(stderr,
               "tavrix-cli: receive buffer limited to %d bytes (asked %d); a large fleet may lose replies, "
               "raise net.core.rmem_max (see README)\n",
               cycle.receiveBufferGranted, settings.receiveBufferBytes);
}

int Scan(const CliArgs& args, ReportSink& out) {
  const ScanCycleResult cycle = RunScanCycle(args.endpoint);
  // A scan that could not search has no list to give, not an empty one.
  if (ReportScanNotRun(cycle, args.endpoint)) return kExitFailure;
  WarnIfBufferShort(cycle, args.endpoint);
  // A list known to be incomplete is not a successful scan.
  const bool repliesLost = WarnIfScanIncomplete(cycle);
  const std::vector<DeviceInfo> devices = UniqueByMac(cycle.replies);
  if (args.json) {
    out.Write(FormatDevicesJson(devices));
  } else if (args.csv) {
    out.Write(FormatDevicesCsv(devices));
  } else {
    for (const DeviceInfo& d : devices) out.Write(FormatDeviceLine(d) + "\n");
  }
  return repliesLost ? kExitFailure : 0;
}

bool ReadPasswordLine(std::string* password) {
  if (!std::getline(std::cin, *password) && password->empty()) return false;
  while (!password->empty() && (password->back() == '\r' || password->back() == '\n')) password->pop_back();
  return true;
}

int Set(const CliArgs& args, ReportSink& out) {
  std::string password = args.password;
  if (args.passwordFromStdin && !ReadPasswordLine(&password)) {
    std::fprintf(stderr, "tavrix-cli: no password on standard input\n");
    return kExitUsage;
  }
  const ScanCycleResult cycle = RunScanCycle(args.endpoint);
  if (ReportScanNotRun(cycle, args.endpoint)) return kExitFailure;
  WarnIfScanIncomplete(cycle);
  const DeviceInfo* target = nullptr;
  for (const DeviceInfo& d : cycle.replies) {
    if (std::memcmp(d.mac, args.mac, 6) == 0) {
      target = &d;
      break;
    }
  }
  if (target == nullptr) {
    std::fprintf(stderr, "tavrix-cli: no device %s answered the search\n", MacText(args.mac).c_str());
    return kExitFailure;
  }
  NetworkSettingRequest request = BuildSetRequest(*target, args, password);
  const std::optional<uint32_t> given = args.dhcp ? std::nullopt : std::optional<uint32_t>(request.ipAddress);
  const int outcome = RunSetExchange(args.endpoint, *target, request);
  if (outcome == 0) {
    out.Write(SetOutcomeText(outcome) + "\n");
  } else if (outcome == kSetPortUnavailable) {
    // The search has just held the port, so another program took it since.
    std::fprintf(stderr, "%s\n", PortUnavailableText(args.endpoint.localPort, EADDRINUSE).c_str());
  } else {
    std::fprintf(stderr, "%s\n", SetOutcomeText(outcome).c_str());
  }
  if (outcome != 0 || !args.wait) return SetOutcomeExitStatus(outcome);

  AwaitedChanges awaited;
  awaited.Await(target->mac, given);
  const auto seenAt = WaitForChanges(awaited, args.endpoint, *args.wait);
  if (seenAt.empty()) {
    std::fprintf(stderr, "accepted but not seen: no answer from its new address\n");
    return kExitFailure;
  }
  out.Write("verified: the device answers from " + DottedAddressText(seenAt.begin()->second) + "\n");
  return 0;
}

int Batch(const CliArgs& args, ReportSink& out) {
  std::string password = args.password;
  if (args.passwordFromStdin && !ReadPasswordLine(&password)) {
    std::fprintf(stderr, "tavrix-cli: no password on standard input\n");
    return kExitUsage;
  }
  return RunBatchCommand(args, password, out);
}

int RunCommand(const CliArgs& args, ReportSink& out) {
  switch (args.command) {
    case CliCommand::kHelp:
      out.Write(kCliUsage);
      return 0;
    case CliCommand::kHelpLab:
      out.Write(kCliLabUsage);
      return 0;
    case CliCommand::kVersion:
      out.Write(kCliVersion);
      return 0;
    case CliCommand::kScan:
      return Scan(args, out);
    case CliCommand::kSet:
      return Set(args, out);
    case CliCommand::kBatch:
      return Batch(args, out);
  }
  return kExitUsage;
}

}  // namespace

int RunTavrixCli(const std::vector<std::string>& arguments, ReportSink& out) {
  CliArgs args;
  std::string error;
  if (!ParseCliArgs(arguments, &args, &error)) {
    std::fprintf(stderr, "tavrix-cli: %s\n\n%s", error.c_str(), kCliUsage);
    return kExitUsage;
  }
  return FinishReport(out, RunCommand(args, out));
}
