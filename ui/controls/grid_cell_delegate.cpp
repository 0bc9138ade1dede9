#include "ui/controls/grid_cell_delegate.h"

#include <QPainter>
#include <QWidget>

#include "ui/controls/check_box_painter.h"
#include "ui/controls/grid_model.h"

GridCellDelegate::GridCellDelegate(const GridModel& model, QObject* parent)
    : QAbstractItemDelegate(parent), model_(model) {}

QRect GridCellDelegate::checkBoxRect(const QRect& cell, bool cellHasText) {
  const int side = cell.height() - 1;
  const int left = cellHasText ? cell.left() + kBoxLeftOffset : cell.left() + cell.width() / 2 - side / 2 - 1;
  return QRect(left, cell.top(), side, side);
}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const GridCell* cell = model_.cell(index.row(), index.column());
  const QPalette& palette = option.palette;
  QColor text = cell && cell->textColour.isValid() ? cell->textColour : palette.color(QPalette::Text);
  QColor back = cell && cell->backColour.isValid() ? cell->backColour : palette.color(QPalette::Base);
  const bool listHasFocus = option.widget && option.widget->hasFocus();
  if ((option.state & QStyle::State_Selected) && listHasFocus) {
    text = palette.color(QPalette::Active, QPalette::HighlightedText);
    back = palette.color(QPalette::Active, QPalette::Highlight);
  }

  const QRect& rect = option.rect;
  painter->fillRect(rect, back);
  if (!cell) return;

  QRect textRect;
  Qt::Alignment alignment = Qt::AlignLeft;
  if (cell->check != CellCheck::kNone) {
    const QRect box = checkBoxRect(rect, !cell->text.isEmpty());
    painter->save();
    painter->setClipRect(rect);
    paintGridCheckBox(*painter, box, cell->check == CellCheck::kChecked, palette.color(QPalette::Base));
    painter->restore();
    textRect = QRect(QPoint(box.right() + 1 + kBoxTextGap, rect.top()), rect.bottomRight());
  } else {
    textRect = rect.adjusted(kTextInset, 0, -kTextInset, 0);
    if (const GridColumn* column = model_.column(index.column()))
      alignment = column->alignment & Qt::AlignHorizontal_Mask;
  }
  if (cell->text.isEmpty() || textRect.width() <= 0) return;

  const QString shown = option.fontMetrics.elidedText(cell->text, Qt::ElideRight, textRect.width());
  painter->setPen(text);
  painter->setFont(option.font);
  painter->drawText(textRect, static_cast<int>(alignment | Qt::AlignVCenter | Qt::TextSingleLine), shown);
}

QSize GridCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const GridCell* cell = model_.cell(index.row(), index.column());
  const int textWidth = cell ? option.fontMetrics.horizontalAdvance(cell->text) : 0;
  return QSize(textWidth + 2 * kTextInset, option.fontMetrics.height() + 4);
}
