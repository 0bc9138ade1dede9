// Paints every cell of the grid list from the record store directly (no
// QVariant round trip, no style calls), because the device list repaints
// cells constantly:
//  - background fill in the cell's colour, or the list's base colour;
//  - text inset 5 pixels on both sides, vertically centred, cut with an end
//    ellipsis, aligned as its column says;
//  - a check-box cell draws a square box whose side is the cell height - 1,
//    9 pixels from the cell's left edge (centred when the cell has no text),
//    and its text left-aligned 4 pixels after the box.
// A selected row shows the highlight colours only while the list has the
// keyboard focus; otherwise its cells keep their own colours, which is what
// lets the windows mark "their" row with colours of their own.
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

  // The box square for a check-box cell painted in `cell`.
  static QRect checkBoxRect(const QRect& cell, bool cellHasText);

 private:
  const GridModel& model_;
};
