// How a device's text fields read to people: one rule shared by the window,
// the command-line client and the CSV export, so a name never reads one way
// in the list and another in a file made from it. Plain C++, no Qt.
//
// Devices send texts of unknown encoding. Valid UTF-8 (RFC 3629: no
// overlong forms, no surrogates, nothing past U+10FFFF) is taken as such;
// anything else is read byte for byte as Latin-1, so hostile bytes can never
// produce an invalid string. Control characters (C0, DEL and C1) become
// U+FFFD: a tab, a line break or an escape sequence would otherwise push the
// rest of a name out of its cell or line, or hide that the device sent
// anything odd. So do the bidirectional embeddings, overrides and isolates
// (U+202A to U+202E, U+2066 to U+2069), which reorder what follows them and
// can make one device's name display as another's; a JSON writer, whose
// reader is a program, may keep them and escape them instead.
//
// The same rule serves any other untrusted bytes echoed to people, such as
// the tokens of an address list file.
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
