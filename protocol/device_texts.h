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
// anything odd.
#pragma once

#include <cstddef>
#include <string>

// `field` ends at its first NUL or after `capacity` bytes; the result is UTF-8.
std::string DeviceTextUtf8(const char* field, size_t capacity);
