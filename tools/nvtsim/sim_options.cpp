#include "tools/nvtsim/sim_options.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "protocol/address_text.h"

const char kSimUsage[] =
    "usage: nvtsim (--count N --first-ip ADDRESS | --fleet FILE) [options]\n"
    "       nvtsim --help | --version\n"
    "\n"
    "Plays a fleet of ENCP devices for tests and demonstrations. Prints\n"
    "\"nvtsim ready port=P devices=N\" once it listens.\n"
    "\n"
    "Fleet:\n"
    "  --count N --first-ip A   N devices at A, A+1, ...; model NVT-SIM-i\n"
    "  --mac-base MAC           MAC of the first device (default 00:1A:2B:00:00:00)\n"
    "  --mask M                 their subnet mask (default 255.255.255.0)\n"
    "  --protocol-version V     their protocol version (default 3; 2 = no ports)\n"
    "  --fleet FILE             one device per line, blank-separated:\n"
    "      MAC MODEL ADDRESS MASK GATEWAY DNS WEBPORT AVPORTS VERSION USER PASSWORD [FLAG...]\n"
    "      AVPORTS is p1,p2,p3 or '-'; texts are percent-decoded, '-' is empty;\n"
    "      FLAG: silent, long-texts, refuse (every change refused),\n"
    "      ignore-changes (answers searches, never a change request),\n"
    "      vanish (accepts a change, then never answers again),\n"
    "      late-answer (answers a change 1.5 s late, then moves),\n"
    "      quiet-accept (takes a change and moves, never answering it),\n"
    "      selector=N (N 0..255 in byte 8 of every reply; default 1),\n"
    "      cut-fixed, option-overrun (malformed search replies);\n"
    "      '#' starts a comment line.\n"
    "Network:\n"
    "  --port P                 device port to listen on (default 32154; 0 = any free)\n"
    "  --listen A               loopback mode: address to listen on (default 127.0.0.1)\n"
    "  --broadcast IFACE        LAN mode, only inside a private network namespace: put\n"
    "                           the device addresses on IFACE and answer with limited\n"
    "                           broadcasts to the reply port\n"
    "  --reply-port P           LAN mode: port the answers go to (default 32153)\n"
    "Behaviour:\n"
    "  --move-delay MS          delay before an accepted change takes effect (default 200)\n"
    "  --dhcp-first A           first address handed out on a switch to DHCP\n"
    "                           (default: after the fleet's highest address)\n"
    "  --lifetime SECONDS       exit after this long (default: at SIGTERM/SIGINT)\n"
    "  --verbose                log change requests on stderr\n"
    "  --request-log FILE       append one line per request received to FILE:\n"
    "                           'search', or 'change' and the target MAC\n"
    "Faults:\n"
    "  --junk                   send malformed and foreign datagrams with every answer\n"
    "  --duplicate              send every search reply and change answer twice\n"
    "  --lose-requests P        lose each change request with probability P (0..1)\n"
    "  --lose-answers P         lose each datagram the devices send with probability P\n"
    "  --seed N                 seed of the losses (default 1), so a run can be repeated\n"
    "  --report-before-move     while a change is applied, search replies already\n"
    "                           show the new settings, from the old address\n"
    "  --long-texts             reply texts longer than the fields (up to 255 bytes)\n"
    "  --silent I               device I (0-based, repeatable) never answers\n"
    "  --burst                  all replies back to back, no pacing\n"
    "\n"
    "Default credentials: user \"root\", password \"kefo\".\n";

// TAVRIX_VERSION is the CMake project version (tools/nvtsim/CMakeLists.txt).
const char kSimVersion[] = "nvtsim " TAVRIX_VERSION "\n";

namespace {

bool ParseUnsigned(const std::string& text, unsigned long max, unsigned long* out) {
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
  return ec == std::errc() && end == text.data() + text.size() && *out <= max;
}

bool ReadFile(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  *text = all.str();
  return true;
}

}  // namespace

bool ParseSimOptions(int argc, const char* const* argv, SimOptions* options, std::string* error) {
  SimConfig& config = options->config;
  CountFleetPlan countPlan;
  bool haveCount = false, haveFirst = false;
  std::string fleetFile;
  std::vector<unsigned long> silent;
  bool longTexts = false;

  auto fail = [&](const std::string& why) {
    *error = why;
    return false;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string v;
    unsigned long n = 0;
    if (arg == "--help" || arg == "-h") {
      options->help = true;
    } else if (arg == "--version") {
      options->version = true;
    } else if (arg == "--burst") {
      config.burst = true;
    } else if (arg == "--duplicate") {
      config.duplicateReplies = true;
    } else if (arg == "--report-before-move") {
      config.reportBeforeMove = true;
    } else if (arg == "--junk") {
      config.junk = true;
    } else if (arg == "--long-texts") {
      longTexts = true;
    } else if (arg == "--verbose") {
      config.verbose = true;
    } else if (!value(&v)) {
      return fail(arg.rfind("--", 0) == 0 ? "missing value for " + arg : "unexpected argument " + arg);
    } else if (arg == "--lose-requests" || arg == "--lose-answers") {
      char* end = nullptr;
      const double chance = std::strtod(v.c_str(), &end);
      if (end == v.c_str() || *end != '\0' || !(chance >= 0 && chance <= 1)) return fail(arg + " needs 0..1");
      (arg == "--lose-requests" ? config.loseRequests : config.loseAnswers) = chance;
    } else if (arg == "--seed") {
      if (!ParseUnsigned(v, 0xFFFFFFFFul, &n)) return fail("bad --seed " + v);
      config.seed = static_cast<uint32_t>(n);
    } else if (arg == "--request-log") {
      config.requestLog = v;
    } else if (arg == "--count") {
      if (!ParseUnsigned(v, 60000, &n) || n == 0) return fail("--count needs 1..60000");
      countPlan.count = static_cast<int>(n);
      haveCount = true;
    } else if (arg == "--first-ip") {
      if (!ParseDottedAddress(v, &countPlan.firstAddress)) return fail("bad --first-ip " + v);
      haveFirst = true;
    } else if (arg == "--mac-base") {
      if (!ParseMacText(v, countPlan.macBase)) return fail("bad --mac-base " + v);
    } else if (arg == "--mask") {
      if (!ParseDottedAddress(v, &countPlan.subnetMask)) return fail("bad --mask " + v);
    } else if (arg == "--protocol-version") {
      if (!ParseUnsigned(v, 255, &n)) return fail("bad --protocol-version " + v);
      countPlan.version = static_cast<uint8_t>(n);
    } else if (arg == "--fleet") {
      fleetFile = v;
    } else if (arg == "--port" || arg == "--reply-port") {
      if (!ParseUnsigned(v, 65535, &n)) return fail("bad " + arg + " " + v);
      (arg == "--port" ? config.devicePort : config.replyPort) = static_cast<uint16_t>(n);
    } else if (arg == "--listen") {
      if (!ParseDottedAddress(v, &config.listenAddress)) return fail("bad --listen " + v);
    } else if (arg == "--broadcast") {
      config.broadcastInterface = v;
    } else if (arg == "--move-delay") {
      if (!ParseUnsigned(v, 600000, &n)) return fail("bad --move-delay " + v);
      config.moveDelay = std::chrono::milliseconds(n);
    } else if (arg == "--dhcp-first") {
      if (!ParseDottedAddress(v, &config.dhcpFirst)) return fail("bad --dhcp-first " + v);
    } else if (arg == "--lifetime") {
      char* end = nullptr;
      options->lifetimeSeconds = std::strtod(v.c_str(), &end);
      if (end == v.c_str() || *end != '\0' || !(options->lifetimeSeconds > 0)) return fail("bad --lifetime " + v);
    } else if (arg == "--silent") {
      if (!ParseUnsigned(v, 60000, &n)) return fail("bad --silent " + v);
      silent.push_back(n);
    } else {
      return fail("unknown option " + arg);
    }
  }
  if (options->help || options->version) return true;

  if (!fleetFile.empty()) {
    if (haveCount || haveFirst) return fail("give either --fleet or --count/--first-ip, not both");
    std::string text;
    if (!ReadFile(fleetFile, &text)) return fail("cannot read " + fleetFile);
    auto fleet = ParseFleetText(text, error);
    if (!fleet) return false;
    config.fleet = std::move(*fleet);
  } else {
    if (!haveCount || !haveFirst) return fail("give --count N and --first-ip A, or --fleet FILE");
    config.fleet = MakeCountFleet(countPlan);
  }
  if (config.fleet.empty()) return fail("the fleet has no device");
  for (unsigned long index : silent) {
    if (index >= config.fleet.size()) return fail("--silent " + std::to_string(index) + " is past the fleet");
    config.fleet[index].silent = true;
  }
  if (longTexts) {
    for (SimDevice& d : config.fleet) d.longTexts = true;
  }
  return true;
}
