// The column header of every grid list. It paints the whole header itself:
// flat face, 3-D frame, two-line dividers, and in each item an optional
// check box (the model's HeaderCheck under kHeaderCheckRole) before the
// elided title. It only draws the box; toggling on click is the list's.
// Invariant: a fast second click is a click, never a double click, so a
// check-all box toggles once per click and no column auto-sizes.
#pragma once

#include <QHeaderView>

class CXHeaderCtrl : public QHeaderView {
  Q_OBJECT

 public:
  explicit CXHeaderCtrl(QWidget* parent = nullptr);

  static constexpr int kSpacing = 6;
  static constexpr int kBoxSize = 13;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  QSize sizeHint() const override;

 private:
  void paintItem(QPainter& painter, QRect rect, int logicalIndex) const;
};
