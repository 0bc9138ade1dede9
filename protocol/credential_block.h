// The scrambled credential block that configuration requests carry instead of a plain password: a
// salt r (0..32767, little-endian in bytes 0-1), a 14-byte caller prefix, a 16-byte password area;
// bytes 2-31 are XORed with the salt's low byte S and the whole block is then reversed. Requests
// carry its first 22 bytes. It veils the password only thinly: callers wipe it once copied.
//
// The salt comes from a generator private to this file, reseeded with the time in seconds before
// every block, so blocks of one second share their salt and the program's other random numbers are
// neither disturbed nor relied upon.
#pragma once

#include <cstdint>
#include <ctime>

inline constexpr int kCredentialBlockSize = 32;
inline constexpr int kCredentialFieldSize = 22;
inline constexpr int kCredentialPrefixSize = 14;

// Always returns 0 and writes all 32 bytes of `out`.
int BuildCredentialBlock(const char* password, uint8_t out[kCredentialBlockSize],
                         const uint8_t prefix[kCredentialPrefixSize]);

// The same block with the salt drawn after seeding with `seconds`; tests use
// it to get a known salt.
int BuildCredentialBlockAt(const char* password, uint8_t out[kCredentialBlockSize],
                           const uint8_t prefix[kCredentialPrefixSize], std::time_t seconds);
