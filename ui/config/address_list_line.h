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
// Pure functions over bytes, free of Qt, safe for any input (a fuzz target).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/encp_records.h"

inline constexpr size_t kAddressListMaxToken = 63;

struct AddressListRecord {
  std::string macText;    // as written in the file
  std::string typeText;   // "STATIC" or "DHCP"
  int32_t networkType = kNetworkStatic;  // kNetworkStatic or kNetworkDhcp
  std::array<std::string, 4> addressTexts;  // IP, mask, gateway, DNS, as written
  // The same four addresses, network byte order.
  uint32_t ipAddress = 0;
  uint32_t subnetMask = 0;
  uint32_t gateway = 0;
  uint32_t dnsServer = 0;
};

// The record of a usable line, nothing for any other line.
std::optional<AddressListRecord> ParseAddressListLine(std::string_view line);

// Four dotted decimal parts of 1..3 digits, each 0..255; network byte order.
std::optional<uint32_t> ParseAddressText(std::string_view text);

// The six MAC bytes when `text` is exactly the upper-case colon form that
// "%02X:%02X:%02X:%02X:%02X:%02X" produces; nothing for any other text, so
// matching by these bytes equals matching the texts character for character.
std::optional<std::array<uint8_t, 6>> ParseUpperColonMac(std::string_view text);
