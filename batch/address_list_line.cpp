#include "batch/address_list_line.h"

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

namespace {

// The line as ParseAddressListLine judges it, with the first
// fault met; blank and comment lines are told apart afterwards.
AddressListLine Judge(std::string_view line) {
  AddressListLine result;
  std::string_view tokens[kTokensPerLine];
  size_t found = 0;
  size_t position = 0;
  const auto unusable = [&](AddressListFault fault, std::string_view token = {}) {
    result.fault = fault;
    result.faultToken = std::string(token);
    result.tokens.assign(tokens, tokens + found);
    return result;
  };
  while (found < kTokensPerLine) {
    while (position < line.size() && IsSpace(line[position])) ++position;
    if (position == line.size()) break;
    const size_t start = position;
    while (position < line.size() && !IsSpace(line[position])) ++position;
    const std::string_view token = line.substr(start, position - start);
    if (token.size() > kAddressListMaxToken) return unusable(AddressListFault::kTokenTooLong);
    tokens[found++] = token;
  }
  if (found == 0) return unusable(AddressListFault::kBlank);
  if (found < kTokensPerLine) return unusable(AddressListFault::kTooFewTokens);

  const std::optional<int32_t> type = NetworkTypeOf(tokens[1]);
  if (!type) return unusable(AddressListFault::kUnknownType, tokens[1]);

  AddressListRecord record;
  uint32_t* const addresses[4] = {&record.ipAddress, &record.subnetMask, &record.gateway, &record.dnsServer};
  for (size_t i = 0; i < 4; ++i) {
    const std::optional<uint32_t> address = ParseAddressText(tokens[2 + i]);
    if (!address) return unusable(AddressListFault::kNotAnAddress, tokens[2 + i]);
    *addresses[i] = *address;
    record.addressTexts[i] = std::string(tokens[2 + i]);
  }
  record.macText = std::string(tokens[0]);
  record.networkType = *type;
  record.typeText = *type == kNetworkStatic ? "STATIC" : "DHCP";
  result.record = std::move(record);
  return result;
}

}  // namespace

AddressListLine ExamineAddressListLine(std::string_view line) {
  AddressListLine result = Judge(line);
  if (result.record) return result;
  size_t first = 0;
  while (first < line.size() && IsSpace(line[first])) ++first;
  if (first < line.size() && line[first] == '#') result.fault = AddressListFault::kComment;
  return result;
}

std::optional<AddressListRecord> ParseAddressListLine(std::string_view line) { return std::move(Judge(line).record); }

std::string AddressListFaultText(const AddressListLine& line) {
  static const char* const kCounts[] = {"one token", "two tokens", "three tokens", "four tokens", "five tokens"};
  switch (line.fault) {
    case AddressListFault::kNone:
    case AddressListFault::kBlank:
    case AddressListFault::kComment:
      return {};
    case AddressListFault::kTooFewTokens:
      return kCounts[line.tokens.size() - 1];
    case AddressListFault::kTokenTooLong:
      return "a token longer than " + std::to_string(kAddressListMaxToken) + " characters";
    case AddressListFault::kUnknownType:
      return line.faultToken + " is not STATIC or DHCP";
    case AddressListFault::kNotAnAddress:
      return line.faultToken + " is not an address";
  }
  return {};
}
