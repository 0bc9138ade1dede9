// The datagrams a simulated device sends, written with the simulator's own encoder (sim_request.h
// says why). Every search reply carries an unknown option before the port options, and version-2
// devices send the port options too, so a client must walk past what it does not know and never
// read ports from version 2. Long texts stay within the 1024 bytes a client reads.
//
// A faulty device breaks its own replies (a cut fixed part with a matching length field, an option
// running past the end). Junk datagrams are what a hostile network adds to a search: none may ever
// decode as a device, and those built from a device record carry kSimJunkMac.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/nvtsim/sim_fleet.h"

inline constexpr size_t kSimMaxDatagram = 2048;
inline constexpr uint8_t kSimJunkMac[6] = {0xFE, 0xEE, 0xDE, 0xAD, 0x00, 0x01};
inline constexpr uint8_t kSimUnknownOptionTag = 5;
inline constexpr uint8_t kSimOptionTag2Value = 0x21;

// Returns the reply's size (0 if `capacity` is too small).
size_t EncodeSimSearchReply(const SimDevice& device, uint8_t* out, size_t capacity);

// The 9-byte result reply: the header carrying `code`, then the answering
// device's selector, which with its address is all that names the device.
size_t EncodeSimResultReply(uint8_t code, uint8_t selector, uint8_t* out, size_t capacity);

std::vector<std::vector<uint8_t>> MakeJunkDatagrams();
