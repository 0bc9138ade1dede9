#include "tools/nvtsim/sim_fleet.h"

#include <arpa/inet.h>

#include <charconv>

#include "protocol/address_text.h"

namespace {

constexpr std::string_view kSelectorFlag = "selector=";

std::vector<std::string_view> SplitBlanks(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t' || line[pos] == '\r')) ++pos;
    size_t end = pos;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r') ++end;
    if (end > pos) fields.push_back(line.substr(pos, end - pos));
    pos = end;
  }
  return fields;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool PercentDecode(std::string_view in, std::string* out) {
  out->clear();
  if (in == "-") return true;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '%') {
      out->push_back(in[i]);
      continue;
    }
    if (i + 2 >= in.size()) return false;
    const int high = HexDigit(in[i + 1]);
    const int low = HexDigit(in[i + 2]);
    if (high < 0 || low < 0) return false;
    out->push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return true;
}

template <typename T>
bool ParseNumber(std::string_view text, T max, T* out) {
  unsigned long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value > max) return false;
  *out = static_cast<T>(value);
  return true;
}

bool ParseAvPorts(std::string_view text, uint16_t ports[3]) {
  ports[0] = ports[1] = ports[2] = 0;
  if (text == "-") return true;
  int index = 0;
  size_t pos = 0;
  while (true) {
    if (index == 3) return false;
    const size_t comma = text.find(',', pos);
    const std::string_view part = text.substr(pos, comma == std::string_view::npos ? text.npos : comma - pos);
    if (!ParseNumber<uint16_t>(part, 65535, &ports[index++])) return false;
    if (comma == std::string_view::npos) return true;
    pos = comma + 1;
  }
}

uint32_t FirstHost(uint32_t address, uint32_t mask) { return htonl((ntohl(address) & ntohl(mask)) + 1); }

}  // namespace

std::vector<SimDevice> MakeCountFleet(const CountFleetPlan& plan) {
  std::vector<SimDevice> fleet;
  fleet.reserve(plan.count > 0 ? plan.count : 0);
  uint64_t macBase = 0;
  for (int i = 0; i < 6; ++i) macBase = (macBase << 8) | plan.macBase[i];
  for (int i = 0; i < plan.count; ++i) {
    SimDevice device;
    const uint64_t mac = macBase + static_cast<uint64_t>(i);
    for (int b = 0; b < 6; ++b) device.mac[b] = static_cast<uint8_t>(mac >> (8 * (5 - b)));
    device.model = "NVT-SIM-" + std::to_string(i);
    device.address = htonl(ntohl(plan.firstAddress) + static_cast<uint32_t>(i));
    device.subnetMask = plan.subnetMask;
    device.gateway = FirstHost(device.address, plan.subnetMask);
    device.dnsServer = device.gateway;
    device.version = plan.version;
    fleet.push_back(device);
  }
  return fleet;
}

std::optional<std::vector<SimDevice>> ParseFleetText(std::string_view text, std::string* error) {
  std::vector<SimDevice> fleet;
  int lineNumber = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    const size_t newline = text.find('\n', pos);
    const std::string_view line = text.substr(pos, newline == text.npos ? text.npos : newline - pos);
    pos = newline == text.npos ? text.size() + 1 : newline + 1;
    ++lineNumber;

    const std::vector<std::string_view> f = SplitBlanks(line);
    if (f.empty() || f[0][0] == '#') continue;
    auto fail = [&](const char* what) {
      if (error) *error = "fleet line " + std::to_string(lineNumber) + ": " + what;
      return std::nullopt;
    };
    if (f.size() < 11)
      return fail("expected 11 fields (MAC MODEL ADDRESS MASK GATEWAY DNS WEBPORT AVPORTS VERSION USER PASSWORD)");

    SimDevice d;
    if (!ParseMacText(f[0], d.mac)) return fail("bad MAC address");
    if (!PercentDecode(f[1], &d.model)) return fail("bad model text");
    if (!ParseDottedAddress(f[2], &d.address)) return fail("bad address");
    if (!ParseDottedAddress(f[3], &d.subnetMask)) return fail("bad subnet mask");
    if (!ParseDottedAddress(f[4], &d.gateway)) return fail("bad gateway");
    if (!ParseDottedAddress(f[5], &d.dnsServer)) return fail("bad DNS server");
    if (!ParseNumber<uint16_t>(f[6], 65535, &d.webPort)) return fail("bad web port");
    if (!ParseAvPorts(f[7], d.avPorts)) return fail("bad AV ports");
    if (!ParseNumber<uint8_t>(f[8], 255, &d.version)) return fail("bad protocol version");
    if (!PercentDecode(f[9], &d.userId)) return fail("bad user ID");
    if (!PercentDecode(f[10], &d.password)) return fail("bad password");
    for (size_t i = 11; i < f.size(); ++i) {
      if (f[i].starts_with(kSelectorFlag)) {
        if (!ParseNumber<uint8_t>(f[i].substr(kSelectorFlag.size()), 255, &d.selector)) return fail("bad selector");
        continue;
      }
      if (f[i] == "silent")
        d.silent = true;
      else if (f[i] == "long-texts")
        d.longTexts = true;
      else if (f[i] == "refuse")
        d.refusesChanges = true;
      else if (f[i] == "ignore-changes")
        d.ignoresChanges = true;
      else if (f[i] == "vanish")
        d.vanishesAfterChange = true;
      else if (f[i] == "late-answer")
        d.answersLate = true;
      else if (f[i] == "quiet-accept")
        d.acceptsQuietly = true;
      else if (f[i] == "cut-fixed")
        d.replyFault = SimReplyFault::kCutFixedPart;
      else if (f[i] == "option-overrun")
        d.replyFault = SimReplyFault::kOptionOverrun;
      else
        return fail(
            "unknown flag (expected silent, long-texts, refuse, ignore-changes, vanish, late-answer, "
            "quiet-accept, selector=N, cut-fixed or option-overrun)");
    }
    fleet.push_back(d);
  }
  return fleet;
}
