// Addresses as people type and read them, shared by the command-line client,
// the simulator and the adapter panel so that all of them accept and print
// the same texts. Plain C++ over the C library, no Qt; the simulator links
// this without the client's codec (see protocol/CMakeLists.txt). Nothing here
// allocates but the returned text.
//
// IPv4 values are in network byte order, as they travel and as the records
// keep them. Parsing is inet_pton's strict form (four decimal parts 0..255,
// no leading zeros, nothing around them), so a typo in a flag or a fleet line
// is refused rather than guessed at. A MAC text is six hexadecimal pairs of
// either case, joined by ':' or '-'.
//
// Address-list files have their own, deliberately different reader
// (batch/address_list_line.h): it takes leading zeros, and MACs only in
// upper case with ':', since only those can match a device's text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

bool ParseDottedAddress(std::string_view text, uint32_t* networkOrder);
std::string DottedAddressText(uint32_t networkOrder);

bool ParseMacText(std::string_view text, uint8_t mac[6]);
// "00:1A:2B:00:00:01": upper case with ':', the form address lists match.
std::string MacText(const uint8_t mac[6]);
