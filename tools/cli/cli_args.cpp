#include "tools/cli/cli_args.h"

#include <charconv>
#include <climits>
#include <optional>

#include "protocol/address_text.h"

const char kCliUsage[] =
    "usage: tavrix-cli scan [--json | --csv] [--interface NAME]...\n"
    "       tavrix-cli set --mac AA:BB:CC:DD:EE:FF (--static IP MASK GATEWAY DNS | --dhcp)\n"
    "                      --user ID (--password P | --password-stdin) [--wait [S]] [--json]\n"
    "                      [--interface NAME]...\n"
    "       tavrix-cli batch FILE --user ID (--password P | --password-stdin)\n"
    "                      [--json] [--timeout S] [--dry-run] [--interface NAME]...\n"
    "       tavrix-cli batch --range START END --mask M --gateway G --dns D\n"
    "                      (--static | --dhcp) [--mac MAC]... --user ID ...\n"
    "       tavrix-cli --help | --version\n"
    "\n"
    "scan, set and batch take --interface NAME (repeatable): search and send\n"
    "through the named adapters only, and use only the devices heard on them.\n"
    "\n"
    "scan  searches the local networks for 500 ms and prints one line per device:\n"
    "      model, MAC, IP address, web port, AV ports (tab-separated), or JSON,\n"
    "      or CSV with a header row and the window's \"Export list...\" columns.\n"
    "set   finds the device by MAC, sends it the new settings and reports its answer.\n"
    "      --password-stdin reads the password from the first line of standard input,\n"
    "      so that it never shows in the process list. --wait then searches every\n"
    "      3 s, for at most S seconds (default 60), until the device answers from\n"
    "      its new address.\n"
    "batch sends every usable line of an address list file to the device with its\n"
    "      MAC, waits (--timeout S, default 60) until the accepted devices answer\n"
    "      from their new addresses, and prints per line: MAC, requested address,\n"
    "      outcome (verified, accepted but not seen, refused: credential, refused,\n"
    "      no answer, not found, conflict, not sent), each as soon as it is final.\n"
    "      --dry-run checks the file against the devices found and sends nothing.\n"
    "\n"
    "Standard output carries the report only; diagnostics go to standard error.\n"
    "Exit status: 0 success, 1 failure (device not found, no answer, network error,\n"
    "replies lost to a full receive buffer, a change not seen, a batch line not\n"
    "verified, port 32153 held by another program, a file that cannot be read,\n"
    "standard output not written), 2 bad arguments, 3 ID or password rejected,\n"
    "4 settings refused by the device, 130/143 interrupted.\n";

const char kCliLabUsage[] =
    "Lab options (tests and private test networks only):\n"
    "  --local-port P      local UDP port (default 32153)\n"
    "  --device-port P     device UDP port (default 32154)\n"
    "  --destination A     where requests go (default 255.255.255.255)\n"
    "  --receive-buffer B  receive buffer asked for, in bytes (default 4194304)\n";

// TAVRIX_VERSION is the CMake project version (tools/cli/CMakeLists.txt).
const char kCliVersion[] = "tavrix-cli " TAVRIX_VERSION "\n";

namespace {

// A whole number from 1 to `max`, the entire text and nothing else.
std::optional<unsigned> ParseCount(const std::string& text, unsigned max) {
  unsigned value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value == 0 || value > max) return std::nullopt;
  return value;
}

// Whole seconds from 1 to a day.
bool ParseSeconds(const std::string& text, std::chrono::milliseconds* out) {
  const std::optional<unsigned> seconds = ParseCount(text, 86400);
  if (seconds) *out = std::chrono::seconds(*seconds);
  return seconds.has_value();
}

bool ParseBytes(const std::string& text, int* bytes) {
  const std::optional<unsigned> value = ParseCount(text, INT_MAX);
  if (value) *bytes = static_cast<int>(*value);
  return value.has_value();
}

bool ParsePort(const std::string& text, uint16_t* port) {
  const std::optional<unsigned> value = ParseCount(text, 65535);
  if (value) *port = static_cast<uint16_t>(*value);
  return value.has_value();
}

}  // namespace

bool ParseCliArgs(const std::vector<std::string>& args, CliArgs* out, std::string* error) {
  CliArgs parsed;
  auto fail = [&](const std::string& why) {
    *error = why;
    return false;
  };
  if (args.empty()) return fail("no command given");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    out->command = CliCommand::kHelp;
    return true;
  }
  if (command == "--version") {
    out->command = CliCommand::kVersion;
    return true;
  }
  if (command == "--help-lab") {
    out->command = CliCommand::kHelpLab;
    return true;
  }
  size_t first = 1;
  if (command == "scan")
    parsed.command = CliCommand::kScan;
  else if (command == "set")
    parsed.command = CliCommand::kSet;
  else if (command == "batch")
    parsed.command = CliCommand::kBatch;
  else
    return fail("unknown command '" + command + "'");
  if (parsed.command == CliCommand::kBatch && args.size() >= 2 && args[1].rfind("--", 0) != 0) {
    parsed.filePath = args[1];
    first = 2;
  }
  RangeSettings range;
  bool haveRange = false, haveMask = false, haveGateway = false, haveDns = false;
  const auto parseAddress = [&](size_t at, const std::string& option, uint32_t* address) {
    return at < args.size() && ParseDottedAddress(args[at], address) ? true : fail(option + " needs an IPv4 address");
  };

  bool haveMac = false, haveStatic = false, haveUser = false, havePassword = false;
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto need = [&](size_t count) { return i + count < args.size(); };
    const bool isSet = parsed.command == CliCommand::kSet;
    const bool isBatch = parsed.command == CliCommand::kBatch;
    const bool sends = isSet || isBatch;
    if ((isBatch || isSet) && arg == "--json") {
      parsed.json = true;
    } else if (isBatch && arg == "--dry-run") {
      parsed.dryRun = true;
    } else if (isBatch && arg == "--timeout") {
      if (!need(1) || !ParseSeconds(args[i + 1], &parsed.timeout)) return fail("--timeout needs whole seconds");
      ++i;
    } else if (isSet && arg == "--wait") {
      parsed.wait = std::chrono::seconds(60);
      if (need(1) && args[i + 1].rfind("--", 0) != 0) {
        if (!ParseSeconds(args[i + 1], &*parsed.wait)) return fail("--wait takes whole seconds");
        ++i;
      }
    } else if ((arg == "--json" || arg == "--csv") && !sends) {
      (arg == "--json" ? parsed.json : parsed.csv) = true;
      if (parsed.json && parsed.csv) return fail("scan takes at most one of --json and --csv");
    } else if (arg == "--interface") {
      if (!need(1) || args[i + 1].empty()) return fail("--interface needs an adapter name");
      parsed.interfaceNames.push_back(args[++i]);
    } else if (arg == "--local-port" || arg == "--device-port") {
      uint16_t* port = arg == "--local-port" ? &parsed.endpoint.localPort : &parsed.endpoint.devicePort;
      if (!need(1) || !ParsePort(args[i + 1], port)) return fail(arg + " needs a port from 1 to 65535");
      ++i;
    } else if (arg == "--destination") {
      if (!need(1) || !ParseDottedAddress(args[i + 1], &parsed.endpoint.destinationAddress))
        return fail("--destination needs an IPv4 address");
      ++i;
    } else if (arg == "--receive-buffer") {
      if (!need(1) || !ParseBytes(args[i + 1], &parsed.endpoint.receiveBufferBytes))
        return fail("--receive-buffer needs a size in bytes");
      ++i;
    } else if (isBatch && arg == "--range") {
      if (!parseAddress(i + 1, arg, &range.start) || !parseAddress(i + 2, arg, &range.end))
        return fail("--range needs two IPv4 addresses: START END");
      haveRange = true;
      i += 2;
    } else if (isBatch && (arg == "--mask" || arg == "--gateway" || arg == "--dns")) {
      uint32_t* field = arg == "--mask" ? &range.subnetMask : arg == "--gateway" ? &range.gateway : &range.dnsServer;
      if (!parseAddress(i + 1, arg, field)) return false;
      (arg == "--mask" ? haveMask : arg == "--gateway" ? haveGateway : haveDns) = true;
      ++i;
    } else if (isBatch && (arg == "--static" || arg == "--dhcp")) {
      (arg == "--static" ? haveStatic : parsed.dhcp) = true;
    } else if (isBatch && arg == "--mac") {
      uint8_t mac[6];
      if (!need(1) || !ParseMacText(args[i + 1], mac))
        return fail("--mac needs a MAC address such as 00:1A:2B:00:00:01");
      parsed.rangeMacs.push_back(MacOf(mac));
      ++i;
    } else if (isSet && arg == "--mac") {
      if (!need(1) || !ParseMacText(args[i + 1], parsed.mac))
        return fail("--mac needs a MAC address such as 00:1A:2B:00:00:01");
      haveMac = true;
      ++i;
    } else if (isSet && arg == "--static") {
      if (!need(4)) return fail("--static needs four addresses: IP MASK GATEWAY DNS");
      uint32_t* fields[4] = {&parsed.ipAddress, &parsed.subnetMask, &parsed.gateway, &parsed.dnsServer};
      const char* names[4] = {"IP address", "subnet mask", "gateway", "DNS server"};
      for (int k = 0; k < 4; ++k) {
        if (!ParseDottedAddress(args[i + 1 + k], fields[k]))
          return fail(std::string("--static: bad ") + names[k] + " '" + args[i + 1 + k] + "'");
      }
      haveStatic = true;
      i += 4;
    } else if (isSet && arg == "--dhcp") {
      parsed.dhcp = true;
    } else if (sends && arg == "--user") {
      if (!need(1) || args[i + 1].empty()) return fail("--user needs an ID");
      parsed.userId = args[++i];
      haveUser = true;
    } else if (sends && arg == "--password") {
      if (!need(1)) return fail("--password needs a value (or use --password-stdin)");
      parsed.password = args[++i];
      havePassword = true;
    } else if (sends && arg == "--password-stdin") {
      parsed.passwordFromStdin = true;
    } else {
      return fail("unexpected argument '" + arg + "' for " + command);
    }
  }
  if (parsed.command == CliCommand::kBatch) {
    const bool rangeOptions =
        haveRange || haveMask || haveGateway || haveDns || haveStatic || parsed.dhcp || !parsed.rangeMacs.empty();
    if (!parsed.filePath.empty() && rangeOptions) return fail("batch takes a FILE or --range, not both");
    if (parsed.filePath.empty()) {
      if (haveStatic == parsed.dhcp)
        return fail("batch needs an address list FILE, or --range with --static or --dhcp");
      if (haveStatic && !(haveRange && haveMask && haveGateway && haveDns))
        return fail("batch --static needs --range START END, --mask, --gateway and --dns");
      range.networkType = haveStatic ? kNetworkStatic : kNetworkDhcp;
      parsed.range = range;
    }
  }
  if (parsed.command == CliCommand::kBatch && !parsed.dryRun) {
    if (!haveUser) return fail("batch needs --user");
    if (havePassword == parsed.passwordFromStdin)
      return fail("batch needs exactly one of --password and --password-stdin");
  }
  if (parsed.command == CliCommand::kSet) {
    if (!haveMac) return fail("set needs --mac");
    if (haveStatic == parsed.dhcp) return fail("set needs exactly one of --static and --dhcp");
    if (!haveUser) return fail("set needs --user");
    if (havePassword == parsed.passwordFromStdin)
      return fail("set needs exactly one of --password and --password-stdin");
  }
  *out = parsed;
  return true;
}
