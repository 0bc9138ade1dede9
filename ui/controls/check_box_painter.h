// The check box drawn in grid cells and in header items. Both places share
// this one routine so that a header box and the boxes under it look exactly
// alike. The box is painted with pixel-exact fills rather than pen strokes,
// so the picture does not depend on a pen's cap style or antialiasing:
// a 1-pixel frame in RGB(51,102,153) around a filled square, and a tick of
// seven 1-pixel columns, 3 pixels tall, falling from the right to a bottom
// two columns right of the tick's left end.
#pragma once

#include <QColor>
#include <QRect>

class QPainter;

// `box` is the square's full extent (frame included); `fill` its inside.
void paintGridCheckBox(QPainter& painter, const QRect& box, bool checked, const QColor& fill);

inline constexpr QRgb kCheckBoxFrameRgb = 0xFF336699;  // RGB(51,102,153)
inline constexpr QRgb kCheckBoxTickRgb = 0xFF339933;   // RGB(51,153,51)
