// Addresses as people type and read them, shared by the command-line client, the simulator and
// the adapter panel so all accept and print the same texts. Plain C++, no Qt; the simulator links
// it without the client's codec. Nothing allocates but the returned text. IPv4 values are in
// network byte order.
//
// Parsing is inet_pton's strict form (no leading zeros, nothing around the four parts), so a typo
// in a flag or a fleet line is refused, never guessed at. A MAC is six hexadecimal pairs of either
// case joined by ':' or '-'. Address list files have their own, deliberately different reader
// (batch/address_list_line.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

bool ParseDottedAddress(std::string_view text, uint32_t* networkOrder);
std::string DottedAddressText(uint32_t networkOrder);

bool ParseMacText(std::string_view text, uint8_t mac[6]);
// "00:1A:2B:00:00:01": upper case with ':', the form address lists match.
std::string MacText(const uint8_t mac[6]);
