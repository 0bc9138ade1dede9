// Wiping secrets (a password, the thinly veiled credential block, an
// encoded request carrying it) as soon as they have served, so they do not
// linger in freed memory, a core dump or swap. explicit_bzero, unlike
// memset, is never dropped by the compiler as a store to memory that is
// about to die. Best effort: copies the library makes on its own (a
// string's old buffer after it grew) are out of reach.
#pragma once

#include <string.h>

#include <cstddef>
#include <string>

inline void WipeSecret(std::string& text) {
  explicit_bzero(text.data(), text.size());
  text.clear();
}

// Wipes a local buffer on every way out of its scope.
class WipeOnExit {
 public:
  template <typename T, size_t N>
  explicit WipeOnExit(T (&buffer)[N]) : data_(buffer), size_(sizeof buffer) {}
  ~WipeOnExit() { explicit_bzero(data_, size_); }
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;

 private:
  void* data_;
  size_t size_;
};
