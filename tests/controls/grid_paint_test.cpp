// Pixels painted by the grid and its header, read back from grabbed images,
// and the screenshot a person looks at.
#include <QDir>
#include <QImage>
#include <QPaintEvent>
#include <gtest/gtest.h>

#include "tests/controls/grid_test_support.h"

namespace {

constexpr QRgb kFrame = 0xFF336699;
constexpr QRgb kTick = 0xFF339933;

QImage grabViewport(CXListCtrl& list) {
  QApplication::processEvents();
  return list.viewport()->grab().toImage();
}

QImage grabHeader(CXListCtrl& list) {
  QApplication::processEvents();
  return list.headerCtrl()->viewport()->grab().toImage();
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

// Checks frame and, when `checked`, the tick of a box whose top-left is `box`.
void expectBox(const QImage& image, QPoint box, int side, bool checked, QRgb inside) {
  EXPECT_EQ(at(image, box.x(), box.y()), kFrame);
  EXPECT_EQ(at(image, box.x() + side - 1, box.y() + side - 1), kFrame);
  EXPECT_EQ(at(image, box.x() + side - 1, box.y() + 1), kFrame);
  EXPECT_NE(at(image, box.x() - 1, box.y() + side / 2), kFrame) << "box starts where expected";
  EXPECT_EQ(at(image, box.x() + 1, box.y() + 1), inside);
  // The tick's bottom (x+5, y+7..9), its right end (x+9, y+3..5), left end
  // (x+3, y+5..7); then pixels just beside its strokes that stay clear.
  for (QPoint p : {QPoint(5, 7), QPoint(5, 9), QPoint(9, 3), QPoint(9, 5), QPoint(3, 5), QPoint(3, 7), QPoint(7, 5),
                 QPoint(6, 6)})
    EXPECT_EQ(at(image, box.x() + p.x(), box.y() + p.y()), checked ? kTick : inside) << "tick +" << p.x() << "," << p.y();
  for (QPoint p : {QPoint(5, 6), QPoint(5, 10), QPoint(9, 6), QPoint(2, 5), QPoint(10, 3)})
    EXPECT_EQ(at(image, box.x() + p.x(), box.y() + p.y()), inside) << "gap +" << p.x() << "," << p.y();
}

}  // namespace

TEST(GridPaint, CellColoursInsetAndDefaults) {
  auto list = makeDeviceList(3);
  const QRgb base = list->palette().color(QPalette::Base).rgb();
  const QRect cell = cellRect(*list, 1, 6);
  list->SetItemText(1, 6, "IP address collision IP address collision", gridRgb(255, 255, 255),
                    gridRgb(255, 0, 0));
  QImage image = grabViewport(*list);
  const QRgb red = 0xFFFF0000;
  EXPECT_EQ(at(image, cell.left(), cell.top()), red);
  EXPECT_EQ(at(image, cell.right(), cell.bottom()), red);
  EXPECT_GT(pixelsOtherThan(image, cell, red), 20) << "the text is drawn";
  // Five clear pixels on both sides even for an elided long text.
  EXPECT_EQ(pixelsOtherThan(image, QRect(cell.left(), cell.top(), 5, cell.height()), red), 0);
  EXPECT_EQ(pixelsOtherThan(image, QRect(cell.right() - 4, cell.top(), 5, cell.height()), red), 0);
  EXPECT_EQ(at(image, cellRect(*list, 0, 6).center().x(), cellRect(*list, 0, 6).center().y()),
            base)
      << "only the one cell is coloured";

  list->SetItemText(1, 6, nullptr, -1, -1);
  image = grabViewport(*list);
  EXPECT_EQ(at(image, cell.left() + 1, cell.top() + 1), base);
  EXPECT_EQ(pixelsOtherThan(image, cell, base) > 0, true) << "the text stays";
  EXPECT_EQ(list->GetItemText(1, 6), "IP address collision IP address collision");
}

TEST(GridPaint, CheckBoxesAndTicksInCells) {
  auto list = makeDeviceList(3);
  const QRgb base = list->palette().color(QPalette::Base).rgb();
  list->SetCheckbox(1, 0, 1);
  list->SetItemText(2, 0, "");
  list->SetCheckbox(2, 0, 1);
  list->SetItemText(0, 0, "", gridRgb(0, 0, 0), gridRgb(255, 255, 0));
  list->SetItemText(0, 0, "   1");
  const QImage image = grabViewport(*list);

  const QRect withText = cellRect(*list, 0, 0);
  const int side = withText.height() - 1;
  ASSERT_GE(side, 11) << "rows too short for a tick";
  {
    SCOPED_TRACE("unchecked box on a coloured cell");
    expectBox(image, QPoint(withText.left() + 9, withText.top()), side, false, base);
    EXPECT_EQ(at(image, withText.left() + 4, withText.top() + 2), 0xFFFFFF00u);
  }
  {
    SCOPED_TRACE("checked box beside text");
    const QRect cell = cellRect(*list, 1, 0);
    expectBox(image, QPoint(cell.left() + 9, cell.top()), side, true, base);
    // Text begins no earlier than 4 pixels after the box.
    const QRect gap(cell.left() + 9 + side, cell.top(), 4, cell.height());
    EXPECT_EQ(pixelsOtherThan(image, gap, base), 0);
    EXPECT_GT(pixelsOtherThan(image, QRect(gap.right() + 1, cell.top(), 30, cell.height()), base),
              0);
  }
  {
    SCOPED_TRACE("centred box without text");
    const QRect cell = cellRect(*list, 2, 0);
    expectBox(image, QPoint(cell.left() + cell.width() / 2 - side / 2 - 1, cell.top()), side,
              true, base);
  }
}

TEST(GridPaint, SelectionColoursOnlyWhileFocused) {
  auto list = makeDeviceList(3);
  list->SetItemText(1, 4, "80", gridRgb(0, 0, 0), gridRgb(0, 255, 0));
  list->SetCurSel(1, false);
  const QRect cell = cellRect(*list, 1, 4);
  const QPoint probe(cell.right() - 2, cell.top() + 1);

  list->clearFocus();
  EXPECT_EQ(at(grabViewport(*list), probe.x(), probe.y()), 0xFF00FF00u);

  list->activateWindow();
  list->setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowActive(list.get()));
  ASSERT_TRUE(list->hasFocus());
  const QRgb highlight = list->palette().color(QPalette::Active, QPalette::Highlight).rgb();
  EXPECT_EQ(at(grabViewport(*list), probe.x(), probe.y()), highlight);
}

TEST(GridPaint, ChangingOneCellRepaintsOnlyThatCell) {
  auto list = makeDeviceList(40);
  struct PaintRecorder : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
      return false;
    }
  } recorder;
  QApplication::processEvents();
  list->viewport()->installEventFilter(&recorder);
  list->SetItemText(5, 3, "10.0.0.9", gridRgb(0, 0, 0), gridRgb(255, 255, 0));
  list->SetCheckbox(5, 2, 1);
  list->repaint();  // flush the pending update now
  QApplication::processEvents();
  const QRect allowed =
      cellRect(*list, 5, 2).united(cellRect(*list, 5, 3)).adjusted(-2, -2, 2, 2);
  EXPECT_FALSE(recorder.painted.isEmpty());
  EXPECT_TRUE(allowed.contains(recorder.painted.boundingRect()))
      << "painted " << recorder.painted.boundingRect().width() << "x"
      << recorder.painted.boundingRect().height();
}

TEST(GridPaint, HeaderBoxesDividersAndText) {
  auto list = makeDeviceList(2);
  CXHeaderCtrl* header = list->headerCtrl();
  const QRgb face = header->palette().color(QPalette::Button).rgb();
  const QRgb shadow = header->palette().color(QPalette::Dark).rgb();
  const QRgb base = header->palette().color(QPalette::Base).rgb();
  const int height = header->viewport()->height();
  const int boxTop = (height - 13) / 2;
  const int left0 = header->sectionViewportPosition(0) + 6;

  QImage image = grabHeader(*list);
  {
    SCOPED_TRACE("unchecked header box");
    expectBox(image, QPoint(left0, boxTop), 13, false, base);
    // Title of column 0 starts 13 + 6 pixels after the box's left edge.
    const int textStart = left0 + 13 + 6;
    EXPECT_EQ(pixelsOtherThan(image, QRect(left0 + 13, 2, 6, height - 4), face), 0);
    EXPECT_GT(pixelsOtherThan(image, QRect(textStart, 2, 4, height - 4), face), 0);
  }
  EXPECT_EQ(at(image, header->sectionViewportPosition(1) + 6, boxTop), face) << "column without box";
  {
    SCOPED_TRACE("dividers: one fewer than items");
    const int total = header->length();
    auto shadowPixelsInRow = [&](int y) {
      int count = 0;
      for (int x = 1; x < total - 1; ++x) count += at(image, x, y) == shadow;
      return count;
    };
    // Dividers run from 2 pixels below the top to 2 above the bottom edge,
    // clear of the text.
    EXPECT_EQ(shadowPixelsInRow(2), header->count() - 1);
    EXPECT_EQ(shadowPixelsInRow(height - 3), header->count() - 1);
    EXPECT_EQ(shadowPixelsInRow(1), 0);
    const QRgb light = header->palette().color(QPalette::Light).rgb();
    EXPECT_EQ(at(image, header->sectionViewportPosition(1), 2), light) << "highlight line";
    EXPECT_EQ(at(image, total - 1, height / 2), shadow) << "frame's right edge";
  }

  list->SetHeaderCheckedState(0, 2);
  expectBox(grabHeader(*list), QPoint(left0, boxTop), 13, true, base);

  // A title wider than its item is cut and stays inside the item's margins.
  const int narrow = list->InsertColumn(1, "A very long column title", 60);
  image = grabHeader(*list);
  const int right = header->sectionViewportPosition(narrow) + 60 - 1;
  EXPECT_GT(pixelsOtherThan(image, QRect(right - 20, 2, 14, height - 4), face), 0);
  EXPECT_EQ(pixelsOtherThan(image, QRect(right - 5, 2, 5, height - 4), face), 0);
}

TEST(GridPaint, WritesScreenshotOfFilledList) {
  auto list = makeDeviceList(0);
  list->resize(720, 260);
  const struct {
    const char* model;
    const char* state;
    GridColour text, back;
    bool checked;
  } devices[] = {
      {"NVT-2000", "", -1, -1, true},
      {"NVT-2010", "IP address collision", gridRgb(255, 255, 255), gridRgb(255, 0, 0), false},
      {"NVT-4000", "Checking ip address ...", gridRgb(0, 0, 0), gridRgb(255, 255, 0), true},
      {"NVT-4100", "IP address has changed.", gridRgb(0, 0, 0), gridRgb(0, 255, 0), false},
      {"NVT-8000 with a rather long model name", "", -1, -1, false},
  };
  int row = 0;
  for (const auto& device : devices) {
    list->InsertItem(row, QString::asprintf("%4d", row + 1));
    list->SetCheckbox(row, 0, device.checked ? 1 : 0);
    list->SetItemText(row, 1, device.model);
    list->SetItemText(row, 2, QString::asprintf("00:1C:63 - 00:10:%02X", row));
    list->SetItemText(row, 3, QString::asprintf("192.168.0.%d", 10 + row), device.text,
                      device.back);
    list->SetItemText(row, 4, "80");
    list->SetItemText(row, 5, "4000/4001");
    list->SetItemText(row, 6, device.state, device.text, device.back);
    ++row;
  }
  list->SetItemText(0, 0, nullptr, gridRgb(255, 255, 255), gridRgb(49, 106, 197));
  list->InsertItem(row, "");
  list->SetCheckbox(row, 0, 1);
  QApplication::processEvents();

  const QString dir = qEnvironmentVariable("TAVRIX_BUILD_DIR", QDir::tempPath());
  const QString path = dir + "/grid_screenshot.png";
  ASSERT_TRUE(list->grab().save(path)) << path.toStdString();
  std::printf("screenshot: %s\n", qPrintable(path));
}
