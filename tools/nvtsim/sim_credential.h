// How a simulated device reads the administrator password back out of the
// 22-byte credential field of a request.
//
// The client builds a 32-byte block (salt r, a 14-byte prefix, the 16-byte
// password area), XORs bytes 2..31 with the salt's low byte S, reverses it
// and sends bytes 0..21. Bytes 30 and 31, which hold r, are therefore not on
// the wire. Every request uses an all-zero prefix, so field bytes 16..21 are
// the last six prefix bytes XOR S, i.e. six copies of S: that is where the
// device finds its salt. Field bytes 0..15 are the password area reversed and
// XORed with S. A field whose six salt bytes disagree was not built that way
// and matches no password.
#pragma once

#include <cstdint>
#include <string>

#include "tools/nvtsim/sim_request.h"

inline constexpr int kSimPasswordArea = 16;

// Writes the recovered password (at most 16 characters, NUL-terminated).
bool RecoverPassword(const uint8_t field[22], char password[kSimPasswordArea + 1]);

// The device's check: the user ID as its first 8 characters, the password
// as its first 16 (all that the wire can carry).
bool CredentialsMatch(const SimRequest& request, const std::string& userId, const std::string& password);
