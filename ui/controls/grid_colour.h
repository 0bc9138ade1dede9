// Cell colours of the grid list. Callers give colours as plain 24-bit
// integers laid out 0x00RRGGBB (a QRgb without its alpha byte), built with
// gridRgb(r, g, b). Keeping the alpha byte at zero leaves -1 free as an
// unambiguous "the list's default" marker: a cell holding kGridDefaultColour
// follows the list's palette (base colour for backgrounds, text colour for
// text) even when the palette changes later.
#pragma once

#include <QColor>
#include <cstdint>

using GridColour = std::int32_t;

inline constexpr GridColour kGridDefaultColour = -1;

constexpr GridColour gridRgb(int red, int green, int blue) {
  return static_cast<GridColour>(((red & 0xFF) << 16) | ((green & 0xFF) << 8) | (blue & 0xFF));
}

// Any negative value counts as "default": only -1 is documented, but a
// stray negative must not turn into a garbage colour.
inline QColor resolveGridColour(GridColour colour, const QColor& fallback) {
  if (colour < 0) return fallback;
  return QColor::fromRgb((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
}
