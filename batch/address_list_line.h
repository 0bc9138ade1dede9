// One line of an address list file: what a batch change gives one device.
//
//   00:1A:2B:3C:4D:5E  STATIC  192.168.1.20  255.255.255.0  192.168.1.1  168.126.63.1
//
// Six tokens separated by any white space (blank, tab, CR, ...): MAC, type,
// IP address, subnet mask, gateway, DNS server. Tokens after the sixth are
// ignored. A token may hold at most 63 characters; a longer one among the
// first six makes the line unusable, as do fewer than six tokens, a type
// other than STATIC or DHCP (any letter case), or an address that is not
// plain dotted decimal.
//
// Addresses must be exactly four decimal parts of 1 to 3 digits, each 0 to
// 255, leading zeros read as decimal ("010" is 10). A looser reading would
// turn a typing error such as 192.168.1.300 into the broadcast address, or
// read 010 as octal 8, and then send a device an address nobody meant.
// DHCP lines need all four addresses too, although a DHCP request carries
// none of them.
//
// The MAC token is kept exactly as written and never validated here; the
// batch matches it character for character against "%02X:%02X:..." text of
// a device's MAC, so a lower-case or dashed MAC is shown but never matches.
//
// An unusable line also says why, for the operator to mend the file: the
// first fault met while reading it left to right, in the same order the
// usable lines are judged, so the reason never changes which lines are used.
// A line holding nothing but white space, or whose first non-blank character
// is '#', is a blank or comment line unless it is usable; a usable line that
// happens to start with '#' stays usable, as it always was.
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
