#include "credential_block.h"

#include <cstring>

namespace {

// A small linear congruential generator yielding 0..32767, private to the
// block builder. Only the low byte of its first draw after seeding reaches
// the wire, so its statistical quality does not matter; what matters is that
// the same second always gives the same salt.
uint16_t DrawSalt(std::time_t seconds) {
  uint32_t state = static_cast<uint32_t>(seconds);
  state = state * 1103515245u + 12345u;
  return static_cast<uint16_t>((state >> 16) & 0x7FFF);
}

}  // namespace

int BuildCredentialBlockAt(const char* password, uint8_t out[kCredentialBlockSize],
                           const uint8_t prefix[kCredentialPrefixSize], std::time_t seconds) {
  constexpr int kPasswordOffset = 2 + kCredentialPrefixSize;
  constexpr size_t kPasswordArea = kCredentialBlockSize - kPasswordOffset;

  const uint16_t salt = DrawSalt(seconds);
  out[0] = static_cast<uint8_t>(salt & 0xFF);
  out[1] = static_cast<uint8_t>(salt >> 8);
  std::memcpy(out + 2, prefix, kCredentialPrefixSize);
  std::memset(out + kPasswordOffset, 0, kPasswordArea);
  if (password != nullptr) {
    std::memcpy(out + kPasswordOffset, password, strnlen(password, kPasswordArea));
  }

  const uint8_t saltByte = out[0];
  for (int i = 2; i < kCredentialBlockSize; ++i) out[i] ^= saltByte;
  for (int i = 0; i < kCredentialBlockSize / 2; ++i) {
    const uint8_t swapped = out[i];
    out[i] = out[kCredentialBlockSize - 1 - i];
    out[kCredentialBlockSize - 1 - i] = swapped;
  }
  return 0;
}

int BuildCredentialBlock(const char* password, uint8_t out[kCredentialBlockSize],
                         const uint8_t prefix[kCredentialPrefixSize]) {
  return BuildCredentialBlockAt(password, out, prefix, std::time(nullptr));
}
