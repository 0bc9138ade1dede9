// How a device's text fields read to people: one rule for the window, the command-line client, the
// CSV export and any other untrusted bytes echoed to people (address list tokens), so a name never
// reads one way in the list and another in a file. Plain C++, no Qt.
//
// Valid UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF) is taken as such, anything
// else byte for byte as Latin-1, so no input yields an invalid string. Control characters (C0, DEL,
// C1) and the bidirectional controls become U+FFFD: they would push the rest of a name out of its
// cell or make one device's name display as another's. A JSON writer, whose reader is a program,
// may keep the bidirectional controls and escape them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class BidiControls { kReplace, kKeep };

// `field` ends at its first NUL or after `capacity` bytes; the result is UTF-8.
std::string DeviceTextUtf8(const char* field, size_t capacity, BidiControls bidi = BidiControls::kReplace);

// Every byte of `bytes` counts, a NUL being a control character like any other.
std::string TextUtf8(std::string_view bytes, BidiControls bidi = BidiControls::kReplace);

// U+202A to U+202E and U+2066 to U+2069.
bool IsBidiControl(char32_t codePoint);
