// The checks the fuzz targets make. A failed check aborts, which libFuzzer
// reports as a crash and keeps the input for; the sanitizers alone would let
// a wrong but memory-safe answer pass. Header only, so each target stays one
// source file plus the product sources targets.cmake lists for it.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>

inline void Require(bool condition) {
  if (!condition) std::abort();
}

template <size_t N>
bool Terminated(const char (&field)[N]) {
  return std::memchr(field, '\0', N) != nullptr;
}

// Fills `record` with a pattern no decoder writes and copies its bytes to
// `before`, so that Untouched() can prove a rejected input changed nothing.
// Bytes, not members, are compared: padding written by mistake counts too.
template <typename Record>
void Poison(Record& record, Record& before) {
  std::memset(&record, 0xAB, sizeof record);
  std::memcpy(&before, &record, sizeof record);
}

template <typename Record>
bool Untouched(const Record& record, const Record& before) {
  return std::memcmp(&record, &before, sizeof record) == 0;
}
