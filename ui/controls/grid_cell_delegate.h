// Paints every cell of the grid list straight from the record store (no
// QVariant round trip, no style calls), because the device list repaints
// cells constantly: background, inset and elided text, and a check box whose
// side is the cell height - 1. A selected row shows the highlight colours
// only while the list has the focus; otherwise its cells keep their own
// colours, which lets a window mark "its" row with colours of its own.
#pragma once

#include <QAbstractItemDelegate>

class GridModel;

class GridCellDelegate : public QAbstractItemDelegate {
  Q_OBJECT

 public:
  GridCellDelegate(const GridModel& model, QObject* parent);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  static constexpr int kTextInset = 5;
  static constexpr int kBoxLeftOffset = 9;
  static constexpr int kBoxTextGap = 4;

  // The box square for a check-box cell painted in `cell`: kBoxLeftOffset
  // from its left edge, or centred when the cell has no text.
  static QRect checkBoxRect(const QRect& cell, bool cellHasText);

 private:
  const GridModel& model_;
};
