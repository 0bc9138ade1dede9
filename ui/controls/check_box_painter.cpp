#include "ui/controls/check_box_painter.h"

#include <QPainter>

namespace {

// Tick columns from box left + 9 down to box left + 3, each with the offset
// of its top pixel below the box top.
constexpr int kTickRightColumn = 9;
constexpr int kTickTopOffsets[] = {3, 4, 5, 6, 7, 6, 5};
constexpr int kTickStrokeHeight = 3;

}  // namespace

void paintGridCheckBox(QPainter& painter, const QRect& box, bool checked, const QColor& fill) {
  if (box.width() <= 0 || box.height() <= 0) return;
  painter.fillRect(box, fill);

  const QColor frame = QColor::fromRgb(kCheckBoxFrameRgb);
  painter.fillRect(QRect(box.left(), box.top(), box.width(), 1), frame);
  painter.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), frame);
  painter.fillRect(QRect(box.left(), box.top(), 1, box.height()), frame);
  painter.fillRect(QRect(box.right(), box.top(), 1, box.height()), frame);

  if (!checked) return;
  const QColor tick = QColor::fromRgb(kCheckBoxTickRgb);
  int column = kTickRightColumn;
  for (int topOffset : kTickTopOffsets) {
    painter.fillRect(QRect(box.left() + column, box.top() + topOffset, 1, kTickStrokeHeight), tick);
    --column;
  }
}
