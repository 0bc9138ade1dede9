// Pixels painted by the grid and its header, read back from grabbed images.
#include <gtest/gtest.h>

#include <QImage>

#include "tests/controls/grid_test_support.h"

namespace {

constexpr QRgb kFrame = 0xFF336699;
constexpr QRgb kTick = 0xFF339933;

QImage Grab(QWidget* widget) {
  QApplication::processEvents();
  return widget->grab().toImage();
}

QRect cellRect(const CXListCtrl& list, int row, int column) {
  return list.visualRect(list.model()->index(row, column));
}

QRgb at(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000; }

// Number of pixels in `area` whose colour differs from `colour`.
int pixelsOtherThan(const QImage& image, const QRect& area, QRgb colour) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) count += at(image, x, y) != colour;
  return count;
}

// The frame of a box whose top-left is `box`, and its tick or the clear
// inside: the tick's bottom, right and left ends, then pixels just beside it.
void expectBox(const QImage& image, QPoint box, int side, bool checked, QRgb inside) {
  EXPECT_EQ(at(image, box.x(), box.y()), kFrame);
  EXPECT_EQ(at(image, box.x() + side - 1, box.y() + side - 1), kFrame);
  EXPECT_NE(at(image, box.x() - 1, box.y() + side / 2), kFrame) << "box starts where expected";
  for (QPoint p : {QPoint(5, 9), QPoint(9, 3), QPoint(3, 7)})
    EXPECT_EQ(at(image, box.x() + p.x(), box.y() + p.y()), checked ? kTick : inside)
        << "tick +" << p.x() << "," << p.y();
  for (QPoint p : {QPoint(5, 6), QPoint(5, 10), QPoint(10, 3)})
    EXPECT_EQ(at(image, box.x() + p.x(), box.y() + p.y()), inside) << "gap +" << p.x() << "," << p.y();
}

TEST(GridPaint, CellColoursInsetAndDefaults) {
  auto list = makeDeviceList(3);
  const QRgb base = list->palette().color(QPalette::Base).rgb();
  const QRgb red = 0xFFFF0000;
  const QRect cell = cellRect(*list, 1, 6);
  list->SetItemText(1, 6, "IP address collision IP address collision", gridRgb(255, 255, 255), gridRgb(255, 0, 0));
  QImage image = Grab(list->viewport());
  EXPECT_EQ(at(image, cell.left(), cell.top()), red);
  EXPECT_GT(pixelsOtherThan(image, cell, red), 20) << "the text is drawn";
  // Five clear pixels on both sides even for an elided long text.
  EXPECT_EQ(pixelsOtherThan(image, QRect(cell.left(), cell.top(), 5, cell.height()), red), 0);
  EXPECT_EQ(pixelsOtherThan(image, QRect(cell.right() - 4, cell.top(), 5, cell.height()), red), 0);
  EXPECT_EQ(at(image, cellRect(*list, 0, 6).center().x(), cellRect(*list, 0, 6).center().y()), base);

  list->SetItemText(1, 6, nullptr, -1, -1);
  image = Grab(list->viewport());
  EXPECT_EQ(at(image, cell.left() + 1, cell.top() + 1), base);
  EXPECT_GT(pixelsOtherThan(image, cell, base), 0) << "the text stays";
}

TEST(GridPaint, CheckBoxesBesideTextAndCentredWithout) {
  auto list = makeDeviceList(3);
  const QRgb base = list->palette().color(QPalette::Base).rgb();
  list->SetCheckbox(1, 0, 1);
  list->SetItemText(2, 0, "");
  list->SetCheckbox(2, 0, 1);
  list->SetItemText(0, 0, "   1", gridRgb(0, 0, 0), gridRgb(255, 255, 0));
  const QImage image = Grab(list->viewport());
  const int side = cellRect(*list, 0, 0).height() - 1;
  ASSERT_GE(side, 11) << "rows too short for a tick";

  const QRect coloured = cellRect(*list, 0, 0);
  expectBox(image, QPoint(coloured.left() + 9, coloured.top()), side, false, base);
  EXPECT_EQ(at(image, coloured.left() + 4, coloured.top() + 2), 0xFFFFFF00u) << "the box keeps the base colour";

  const QRect withText = cellRect(*list, 1, 0);
  expectBox(image, QPoint(withText.left() + 9, withText.top()), side, true, base);
  const QRect gap(withText.left() + 9 + side, withText.top(), 4, withText.height());
  EXPECT_EQ(pixelsOtherThan(image, gap, base), 0) << "text begins 4 pixels after the box";
  EXPECT_GT(pixelsOtherThan(image, QRect(gap.right() + 1, withText.top(), 30, withText.height()), base), 0);

  const QRect empty = cellRect(*list, 2, 0);
  expectBox(image, QPoint(empty.left() + empty.width() / 2 - side / 2 - 1, empty.top()), side, true, base);
}

TEST(GridPaint, SelectionColoursOnlyWhileFocused) {
  auto list = makeDeviceList(3);
  list->SetItemText(1, 4, "80", gridRgb(0, 0, 0), gridRgb(0, 255, 0));
  list->SetCurSel(1, false);
  const QPoint probe(cellRect(*list, 1, 4).right() - 2, cellRect(*list, 1, 4).top() + 1);
  list->clearFocus();
  EXPECT_EQ(at(Grab(list->viewport()), probe.x(), probe.y()), 0xFF00FF00u);

  list->activateWindow();
  list->setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowActive(list.get()));
  const QRgb highlight = list->palette().color(QPalette::Active, QPalette::Highlight).rgb();
  EXPECT_EQ(at(Grab(list->viewport()), probe.x(), probe.y()), highlight);
}

TEST(GridPaint, HeaderBoxesDividersAndText) {
  auto list = makeDeviceList(2);
  CXHeaderCtrl* header = list->headerCtrl();
  const QRgb face = header->palette().color(QPalette::Button).rgb();
  const QRgb shadow = header->palette().color(QPalette::Dark).rgb();
  const QRgb base = header->palette().color(QPalette::Base).rgb();
  const int height = header->viewport()->height();
  const QPoint box(header->sectionViewportPosition(0) + 6, (height - 13) / 2);

  QImage image = Grab(header->viewport());
  expectBox(image, box, 13, false, base);
  EXPECT_EQ(pixelsOtherThan(image, QRect(box.x() + 13, 2, 6, height - 4), face), 0) << "title 6 pixels after the box";
  EXPECT_GT(pixelsOtherThan(image, QRect(box.x() + 19, 2, 4, height - 4), face), 0);
  EXPECT_EQ(at(image, header->sectionViewportPosition(1) + 6, box.y()), face) << "column without box";
  // Dividers, one fewer than items, run from 2 pixels below the top to 2 above the bottom.
  int dividers = 0;
  for (int x = 1; x < header->length() - 1; ++x)
    dividers += at(image, x, 2) == shadow && at(image, x, height - 3) == shadow;
  EXPECT_EQ(dividers, header->count() - 1);
  EXPECT_NE(at(image, header->sectionViewportPosition(1) - 1, 1), shadow);

  list->SetHeaderCheckedState(0, 2);
  expectBox(Grab(header->viewport()), box, 13, true, base);

  // A title wider than its item is cut and stays inside the item's margins.
  const int narrow = list->InsertColumn(1, "A very long column title", 60);
  image = Grab(header->viewport());
  const int right = header->sectionViewportPosition(narrow) + 60 - 1;
  EXPECT_GT(pixelsOtherThan(image, QRect(right - 20, 2, 14, height - 4), face), 0);
  EXPECT_EQ(pixelsOtherThan(image, QRect(right - 5, 2, 5, height - 4), face), 0);
}

}  // namespace
