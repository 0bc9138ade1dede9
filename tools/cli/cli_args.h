// The command line of tavrix-cli, parsed without side effects so that every
// way of getting it wrong is tested without a network.
//
//   tavrix-cli scan [--json | --csv]
//   tavrix-cli --version
//   tavrix-cli set --mac MAC (--static IP MASK GATEWAY DNS | --dhcp)
//                  --user ID (--password P | --password-stdin)
//   tavrix-cli batch (FILE | --range START END --mask M --gateway G --dns D
//                  --static | --dhcp) [--mac MAC]... --user ID ...
//
// scan, set and batch take --interface NAME, repeatable: the adapters to
// search and send through (resolved against the system in cli_main, before
// anything is sent; the parser only collects the names).
//
// A batch reads its lines from FILE or plans them from a range; the two
// cannot be mixed, so a range option beside a FILE is an error. With
// --dhcp the range and its addresses are not needed (and unused if given).
//
// Lab options, for tests and private test networks only (not in the usage
// text a normal user sees, listed under --help-lab): --local-port P,
// --device-port P, --destination IPv4 (default 255.255.255.255), accepted
// anywhere after the command.
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
