#include "protocol/device_texts.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

// The length of the valid UTF-8 sequence at `i`, or 0 when there is none.
size_t Utf8SequenceLength(std::string_view bytes, size_t i) {
  const auto at = [&](size_t k) { return static_cast<uint8_t>(bytes[k]); };
  const uint8_t lead = at(i);
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return 0;
  }
  if (i + length > bytes.size() || at(i + 1) < low || at(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
  }
  return length;
}

bool IsValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = Utf8SequenceLength(bytes, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

void AppendUtf8(std::string& out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

constexpr uint32_t kReplacementCharacter = 0xFFFD;

bool IsControl(uint32_t codePoint) { return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F); }

// The code point of the valid sequence of `length` bytes at `i`.
uint32_t CodePointAt(std::string_view bytes, size_t i, size_t length) {
  static constexpr uint8_t kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  uint32_t codePoint = static_cast<uint8_t>(bytes[i]) & kLeadBits[length];
  for (size_t k = 1; k < length; ++k) codePoint = (codePoint << 6) | (static_cast<uint8_t>(bytes[i + k]) & 0x3F);
  return codePoint;
}

}  // namespace

bool IsBidiControl(char32_t codePoint) {
  return (codePoint >= 0x202A && codePoint <= 0x202E) || (codePoint >= 0x2066 && codePoint <= 0x2069);
}

std::string DeviceTextUtf8(const char* field, size_t capacity, BidiControls bidi) {
  return TextUtf8(std::string_view(field, strnlen(field, capacity)), bidi);
}

std::string TextUtf8(std::string_view bytes, BidiControls bidi) {
  std::string out;
  out.reserve(bytes.size() * 2);
  if (!IsValidUtf8(bytes)) {
    for (const char byte : bytes) {
      const uint32_t codePoint = static_cast<uint8_t>(byte);
      AppendUtf8(out, IsControl(codePoint) ? kReplacementCharacter : codePoint);
    }
    return out;
  }
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = Utf8SequenceLength(bytes, i);
    const uint32_t codePoint = CodePointAt(bytes, i, length);
    const bool control = IsControl(codePoint) || (bidi == BidiControls::kReplace && IsBidiControl(codePoint));
    if (control) {
      AppendUtf8(out, kReplacementCharacter);
    } else {
      out.append(bytes.substr(i, length));
    }
    i += length;
  }
  return out;
}
