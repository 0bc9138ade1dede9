// Addresses as people type and read them, for the command-line client, the
// simulator and the adapter panel, so that all three accept and print the
// same texts. Plain C++ over the C library, no Qt: the simulator links this
// without linking the client's codec (see protocol/CMakeLists.txt).
//
// IPv4 values are in network byte order, as they travel and as the records
// keep them. Parsing is inet_pton's strict form: four decimal parts 0..255,
// no leading zeros, nothing around them; a typo in a flag or a fleet line is
// refused rather than guessed at. Address-list files keep their own reader
// (ui/config/address_list_line.h), which also takes leading zeros. Parsing
// copies into a small stack buffer and never allocates.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

bool ParseDottedAddress(std::string_view text, uint32_t* networkOrder);
std::string FormatDottedAddress(uint32_t networkOrder);
