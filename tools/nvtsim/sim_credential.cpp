#include "tools/nvtsim/sim_credential.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int kSaltCopiesStart = 16;
constexpr int kFieldSize = 22;
constexpr size_t kUserIdField = 8;
}  // namespace

bool RecoverPassword(const uint8_t field[22], char password[kSimPasswordArea + 1]) {
  const uint8_t salt = field[kFieldSize - 1];
  for (int i = kSaltCopiesStart; i < kFieldSize; ++i) {
    if (field[i] != salt) return false;
  }
  for (int i = 0; i < kSimPasswordArea; ++i) {
    password[i] = static_cast<char>(field[kSimPasswordArea - 1 - i] ^ salt);
  }
  password[kSimPasswordArea] = '\0';
  return true;
}

bool CredentialsMatch(const SimRequest& request, const std::string& userId, const std::string& password) {
  char expectedUser[kUserIdField] = {};
  std::memcpy(expectedUser, userId.data(), std::min(userId.size(), kUserIdField));
  if (std::memcmp(expectedUser, request.userId, kUserIdField) != 0) return false;

  char recovered[kSimPasswordArea + 1];
  if (!RecoverPassword(request.credential, recovered)) return false;
  // The area is zero-padded: bytes after the password must all be zero, so
  // "kefo" and "kefo\0x" are different passwords.
  char expected[kSimPasswordArea] = {};
  std::memcpy(expected, password.data(), std::min(password.size(), size_t{kSimPasswordArea}));
  return std::memcmp(expected, recovered, kSimPasswordArea) == 0;
}
