// The datagrams a simulated device sends, written with the simulator's own
// encoder (see sim_request.h for why it does not borrow the client's codec).
//
// A search reply always carries option 2 and an unknown option (tag 5, three
// bytes) before the port options 8 to 11, so that a client must walk past an
// option it does not know. Version-2 devices send the port options too: a
// client must not read them from such a reply. A long-texts device sends
// texts longer than the client's fields: the model and the first and third
// PPPoE texts as 255 bytes, the other three as 40 (six 255-byte texts would
// not fit the 1024 bytes a client reads, and the reply would be lost).
//
// A device may also be set to break its own replies: cut inside the fixed
// part (with a length field that matches the cut, so only the content is
// wrong), or with a last option whose length runs past the end.
//
// Junk datagrams are what a hostile or broken network adds to a search: bad
// magic, a length field one off either way, a fixed part cut short, a request
// echoed back, random bytes, an empty datagram and one larger than a client
// receive buffer. None of them may ever decode as a device; the ones built
// from a device record carry kSimJunkMac so tests can tell them apart.
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

// The 8-byte result reply carrying `code`.
size_t EncodeSimResultReply(uint8_t code, uint8_t* out, size_t capacity);

std::vector<std::vector<uint8_t>> MakeJunkDatagrams();
