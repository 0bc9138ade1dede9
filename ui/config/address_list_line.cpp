#include "ui/config/address_list_line.h"

#include <cstring>

namespace {

constexpr size_t kTokensPerLine = 6;

// White space as the C locale's isspace() defines it, without the locale.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::optional<int32_t> NetworkTypeOf(std::string_view token) {
  std::string upper(token);
  for (char& c : upper) c = ToUpperAscii(c);
  if (upper == "STATIC") return kNetworkStatic;
  if (upper == "DHCP") return kNetworkDhcp;
  return std::nullopt;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower case never matches the upper-case form
}

}  // namespace

std::optional<uint32_t> ParseAddressText(std::string_view text) {
  uint8_t bytes[4];
  size_t position = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (position >= text.size() || text[position] != '.') return std::nullopt;
      ++position;
    }
    unsigned value = 0;
    size_t digits = 0;
    while (position < text.size() && IsDigit(text[position])) {
      if (++digits > 3) return std::nullopt;
      value = value * 10 + static_cast<unsigned>(text[position] - '0');
      ++position;
    }
    if (digits == 0 || value > 255) return std::nullopt;
    bytes[part] = static_cast<uint8_t>(value);
  }
  if (position != text.size()) return std::nullopt;
  // The first part is the first byte on the wire, whatever the host order.
  uint32_t networkOrder;
  static_assert(sizeof networkOrder == sizeof bytes);
  std::memcpy(&networkOrder, bytes, sizeof bytes);
  return networkOrder;
}

std::optional<std::array<uint8_t, 6>> ParseUpperColonMac(std::string_view text) {
  if (text.size() != 17) return std::nullopt;
  std::array<uint8_t, 6> mac{};
  for (size_t i = 0; i < 6; ++i) {
    const size_t at = i * 3;
    if (i > 0 && text[at - 1] != ':') return std::nullopt;
    const int high = HexValue(text[at]);
    const int low = HexValue(text[at + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    mac[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return mac;
}

std::optional<AddressListRecord> ParseAddressListLine(std::string_view line) {
  std::string_view tokens[kTokensPerLine];
  size_t found = 0;
  size_t position = 0;
  while (found < kTokensPerLine) {
    while (position < line.size() && IsSpace(line[position])) ++position;
    if (position == line.size()) break;
    const size_t start = position;
    while (position < line.size() && !IsSpace(line[position])) ++position;
    tokens[found] = line.substr(start, position - start);
    if (tokens[found].size() > kAddressListMaxToken) return std::nullopt;
    ++found;
  }
  if (found < kTokensPerLine) return std::nullopt;

  const std::optional<int32_t> type = NetworkTypeOf(tokens[1]);
  if (!type) return std::nullopt;

  AddressListRecord record;
  uint32_t* const addresses[4] = {&record.ipAddress, &record.subnetMask, &record.gateway,
                                  &record.dnsServer};
  for (size_t i = 0; i < 4; ++i) {
    const std::optional<uint32_t> address = ParseAddressText(tokens[2 + i]);
    if (!address) return std::nullopt;
    *addresses[i] = *address;
    record.addressTexts[i] = std::string(tokens[2 + i]);
  }
  record.macText = std::string(tokens[0]);
  record.networkType = *type;
  record.typeText = *type == kNetworkStatic ? "STATIC" : "DHCP";
  return record;
}
