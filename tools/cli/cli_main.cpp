#include "tools/cli/cli_main.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "protocol/address_text.h"
#include "tools/cli/adapter_option.h"
#include "tools/cli/batch_command.h"
#include "tools/cli/change_run.h"
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

// A clone or a forger: one MAC answering one search from two addresses.
void WarnOfMacConflicts(const std::vector<DeviceInfo>& replies) {
  std::map<MacAddress, uint32_t> firstAddress;
  std::set<MacAddress> warned;
  for (const DeviceInfo& reply : replies) {
    const auto [first, added] = firstAddress.emplace(MacOf(reply.mac), reply.sourceAddress);
    if (added || first->second == reply.sourceAddress || !warned.insert(first->first).second) continue;
    std::fprintf(stderr, "tavrix-cli: %s answers from %s and from %s (a clone or a forged reply)\n",
                 MacText(reply.mac).c_str(), DottedAddressText(first->second).c_str(),
                 DottedAddressText(reply.sourceAddress).c_str());
  }
}

int Scan(const CliArgs& args, ReportSink& out) {
  const ScanCycleResult cycle = RunScanCycle(args.endpoint);
  // A scan that could not search has no list to give, not an empty one.
  if (ReportScanNotRun(cycle, args.endpoint)) return kExitFailure;
  WarnIfBufferShort(cycle, args.endpoint);
  // A list known to be incomplete is not a successful scan.
  const bool repliesLost = WarnIfScanIncomplete(cycle);
  const std::vector<DeviceInfo> devices = UniqueByMac(cycle.replies);
  WarnOfMacConflicts(cycle.replies);
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

// The change command `run` with its password, from the command line or
// standard input; a usage error when standard input was to give one and
// had none.
template <typename Run>
int RunWithPassword(const CliArgs& args, Run run) {
  WatchStopSignals();
  std::string password = args.password;
  if (args.passwordFromStdin && !ReadPasswordLine(&password)) {
    std::fprintf(stderr, "tavrix-cli: no password on standard input\n");
    return kExitUsage;
  }
  return run(password);
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
      return RunWithPassword(args, [&](const std::string& password) { return RunSetCommand(args, password, out); });
    case CliCommand::kBatch:
      return RunWithPassword(args, [&](const std::string& password) { return RunBatchCommand(args, password, out); });
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
  // Before anything is sent, so a typo in a name never searches elsewhere.
  if (!ResolveInterfaceOption(&args, &error)) {
    std::fprintf(stderr, "tavrix-cli: %s\n", error.c_str());
    return kExitUsage;
  }
  return FinishReport(out, RunCommand(args, out));
}
