// One line of an address list file: what a batch gives one device (the format: README.md).
// Tokens are separated by any white space, CR included.
//
// Addresses are read strictly, "010" as 10: a looser reading would turn 192.168.1.300 into the
// broadcast address, or 010 into octal 8, and send a device an address nobody meant. The MAC token
// is kept as written and never validated here; only the upper-case colon form matches a device.
// An unusable line names its first fault, read left to right in the order usable lines are judged,
// so the reason never changes which lines are used; a usable line starting with '#' stays usable.
//
// Pure functions over bytes, free of Qt, safe for any input (a fuzz target).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/encp_records.h"

inline constexpr size_t kAddressListMaxToken = 63;

struct AddressListRecord {
  std::string macText;                      // as written in the file
  std::string typeText;                     // "STATIC" or "DHCP"
  int32_t networkType = kNetworkStatic;     // kNetworkStatic or kNetworkDhcp
  std::array<std::string, 4> addressTexts;  // IP, mask, gateway, DNS, as written
  // The same four addresses, network byte order.
  uint32_t ipAddress = 0;
  uint32_t subnetMask = 0;
  uint32_t gateway = 0;
  uint32_t dnsServer = 0;
};

enum class AddressListFault {
  kNone,          // usable
  kBlank,         // white space only
  kComment,       // first non-blank character '#'
  kTooFewTokens,  // 1 to 5 tokens
  kTokenTooLong,  // among the first six
  kUnknownType,   // second token neither STATIC nor DHCP
  kNotAnAddress,  // one of the four addresses
};

struct AddressListLine {
  std::optional<AddressListRecord> record;  // exactly when usable
  AddressListFault fault = AddressListFault::kNone;
  // Of an unusable line: the tokens read before the fault (at most six, none
  // too long), and the offending type or address token.
  std::vector<std::string> tokens;
  std::string faultToken;
};

// The line with its record, or the reason it has none.
AddressListLine ExamineAddressListLine(std::string_view line);

// The record of a usable line, nothing for any other line.
std::optional<AddressListRecord> ParseAddressListLine(std::string_view line);

// Why an unusable line is skipped, in the operator's words ("five tokens",
// "192.168.1.300 is not an address"); empty for usable, blank and comment
// lines. Tokens are quoted as written, whatever bytes they hold.
std::string AddressListFaultText(const AddressListLine& line);

// Four dotted decimal parts of 1..3 digits, each 0..255; network byte order.
std::optional<uint32_t> ParseAddressText(std::string_view text);

// The six MAC bytes when `text` is exactly the upper-case colon form that
// "%02X:%02X:%02X:%02X:%02X:%02X" produces; nothing for any other text, so
// matching by these bytes equals matching the texts character for character.
std::optional<std::array<uint8_t, 6>> ParseUpperColonMac(std::string_view text);
