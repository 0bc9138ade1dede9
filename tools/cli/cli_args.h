// The command line of tavrix-cli (kCliUsage, kCliLabUsage), parsed without side effects so every
// way of getting it wrong is tested without a network. The parser only collects --interface names;
// cli_main resolves them against the system before anything is sent. A range option beside a FILE
// is an error; with --dhcp a range's addresses are not needed. The lab options (--local-port,
// --device-port, --destination) are for tests and private networks only and stay out of the
// usage text a normal user sees.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batch/range_plan.h"
#include "protocol/encp_client.h"
#include "protocol/usable_adapters.h"

enum class CliCommand { kHelp, kHelpLab, kVersion, kScan, kSet, kBatch };

struct CliArgs {
  CliCommand command = CliCommand::kHelp;
  EncpEndpointSettings endpoint;
  bool json = false;
  bool csv = false;
  std::vector<std::string> interfaceNames;  // --interface, in the order given
  std::vector<UsableAdapter> adapters;      // what the names resolved to
  // set
  uint8_t mac[6] = {};
  bool dhcp = false;
  uint32_t ipAddress = 0, subnetMask = 0, gateway = 0, dnsServer = 0;  // network order
  std::string userId;
  std::string password;
  bool passwordFromStdin = false;
  // set --wait: how long to wait for the device to show its change
  std::optional<std::chrono::milliseconds> wait;
  // batch
  std::string filePath;
  std::optional<RangeSettings> range;  // instead of a file
  std::vector<MacAddress> rangeMacs;   // the devices a range goes to, in order; none: all found
  bool dryRun = false;
  std::chrono::milliseconds timeout{60000};
};

extern const char kCliUsage[];
extern const char kCliLabUsage[];
extern const char kCliVersion[];

bool ParseCliArgs(const std::vector<std::string>& args, CliArgs* out, std::string* error);
