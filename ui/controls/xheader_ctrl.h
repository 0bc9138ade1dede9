// The column header of every grid list. It paints the whole header itself:
// a flat button-face background, a 3-D frame around the items, a two-line
// divider after every item but the last (shadow line on the item's last
// pixel column, highlight line on the next one), and in each item an
// optional 13 x 13 check box followed, 6 pixels later, by the title with an
// end ellipsis. The box state comes from the model's headerData() under
// kHeaderCheckRole (0 none, 1 unchecked, 2 checked); this view only draws
// it. Toggling on click belongs to the list.
//
// A fast second click is a click: a double click is handled as a press, so
// the release that follows emits sectionClicked() again and a check-all box
// toggles once per click; the default double-click behaviour (auto-sizing a
// column from its divider) does not happen.
//
// Qt paints widgets through its own back buffer, so there is no separate
// off-screen bitmap here and nothing flickers while columns are resized.
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
