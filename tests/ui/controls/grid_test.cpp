// The device list's grid and its header: results and range checks of its
// operations, the header check state machine, mouse and keyboard behaviour
// with the order of its notifications, and the pixels it paints.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/qt_test_app.h"
#include "ui/controls/xheader_ctrl.h"
#include "ui/controls/xlist_ctrl.h"

namespace {

constexpr CellCheck kTicked = CellCheck::kChecked;
constexpr CellCheck kUnticked = CellCheck::kUnchecked;
constexpr CellCheck kNoBox = CellCheck::kNone;

// Seven columns, a header box on column 0, `rows` rows with an unchecked box
// in column 0 and "model <row>" in column 1, shown at a fixed size.
std::unique_ptr<CXListCtrl> makeDeviceList(int rows) {
  TestApplication();
  auto list = std::make_unique<CXListCtrl>();
  for (const char* title : {"No.", "Model", "MAC address", "IP address", "Web port", "AV port", "State"})
    list->InsertColumn(list->GetColumns(), title, 80, Qt::AlignLeft,
                       list->GetColumns() == 0 ? HeaderCheck::kUnchecked : HeaderCheck::kNone);
  for (int row = 0; row < rows; ++row) {
    list->InsertItem(row, QString::asprintf("%4d", row + 1));
    list->SetCheckbox(row, 0, kUnticked);
    list->SetItemText(row, 1, QString("model %1").arg(row));
  }
  list->resize(600, 300);
  list->show();
  QApplication::processEvents();
  return list;
}

QRect cellRect(const CXListCtrl& list, int row, int column) {
  return list.visualRect(list.model()->index(row, column));
}

QPoint headerPoint(const CXListCtrl& list, int column) {
  CXHeaderCtrl* header = list.headerCtrl();
  return QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
}

// Records the list's notifications in the order they arrive, with what a
// handler would read from the list at the time.
void recordNotifications(CXListCtrl& list, std::vector<std::string>& log) {
  const auto add = [&log](const QString& entry) { log.push_back(entry.toStdString()); };
  QObject::connect(&list, &CXListCtrl::checkboxClicked, [add, &list](int row, int column) {
    add(QString("box %1,%2 selected=%3").arg(row).arg(column).arg(list.GetCurSel()));
  });
  QObject::connect(list.selectionModel(), &QItemSelectionModel::selectionChanged, [add] { add("selection"); });
  QObject::connect(&list, &CXListCtrl::rowClicked,
                   [add](int row, int column) { add(QString("click %1,%2").arg(row).arg(column)); });
  QObject::connect(&list, &CXListCtrl::columnClicked, [add, &list](int column) {
    const HeaderCheck header = list.GetHeaderCheckedState(column);
    add(QString("column %1 header=%2")
            .arg(column)
            .arg(header == HeaderCheck::kChecked     ? "checked"
                 : header == HeaderCheck::kUnchecked ? "unchecked"
                                                     : "none"));
  });
}

// What a widget receives for a double click: press, release, double-click, release.
void doubleClick(QWidget* target, QPoint at) {
  QTest::mouseClick(target, Qt::LeftButton, {}, at);
  QTest::mouseDClick(target, Qt::LeftButton, {}, at);
  QTest::mouseRelease(target, Qt::LeftButton, {}, at);
}

constexpr QRgb kFrame = 0xFF336699;
constexpr QRgb kTick = 0xFF339933;

QImage Grab(QWidget* widget) {
  QApplication::processEvents();
  return widget->grab().toImage();
}

QRgb at(const QImage& image, QPoint p) { return image.pixel(p) | 0xFF000000; }

// Number of pixels in `area` whose colour differs from `colour`.
int pixelsOtherThan(const QImage& image, const QRect& area, QRgb colour) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) count += at(image, {x, y}) != colour;
  return count;
}

// The frame of a box whose top-left is `box`, and its tick or the clear
// inside: the tick's bottom, right and left ends, then pixels just beside it.
void expectBox(const QImage& image, QPoint box, int side, bool checked, QRgb inside) {
  EXPECT_EQ(at(image, box), kFrame);
  EXPECT_EQ(at(image, box + QPoint(side - 1, side - 1)), kFrame);
  EXPECT_NE(at(image, box + QPoint(-1, side / 2)), kFrame) << "box starts where expected";
  for (QPoint p : {QPoint(5, 9), QPoint(9, 3), QPoint(3, 7)})
    EXPECT_EQ(at(image, box + p), checked ? kTick : inside) << "tick +" << p.x() << "," << p.y();
  for (QPoint p : {QPoint(5, 6), QPoint(5, 10), QPoint(10, 3)})
    EXPECT_EQ(at(image, box + p), inside) << "gap +" << p.x() << "," << p.y();
}

TEST(GridState, HeaderStateFollowsTheColumnsChecks) {
  auto list = makeDeviceList(3);
  // Sets one box and answers the header state of its column after it.
  const auto set = [&](int row, CellCheck state, int column = 0) {
    list->SetCheckbox(row, column, state);
    return list->GetHeaderCheckedState(column);
  };
  constexpr HeaderCheck kAll = HeaderCheck::kChecked, kNotAll = HeaderCheck::kUnchecked;
  EXPECT_TRUE(list->SetCheckbox(0, 0, kTicked));
  // Two of three rows checked, then all, then any one unchecked; then a new
  // unchecked row under an all-checked header.
  EXPECT_EQ((std::vector{set(1, kTicked), set(2, kTicked), set(1, kUnticked), set(1, kTicked)}),
            (std::vector{kNotAll, kAll, kNotAll, kAll}));
  ASSERT_EQ(list->InsertItem(3, "   4"), 3);
  EXPECT_EQ(set(3, kUnticked), kNotAll);
  // Removing a checked box recounts correctly.
  set(3, kTicked);
  set(3, kNoBox);
  EXPECT_EQ(list->CountCheckedItems(0), 3);

  // Emptying the list keeps the columns and the header's last state.
  ASSERT_EQ(set(3, kTicked), kAll);
  list->setColumnWidth(2, 123);
  list->DeleteAllItems();
  EXPECT_EQ((std::tuple{list->columnWidth(2), list->GetHeaderCheckedState(0), list->CountCheckedItems(0)}),
            std::tuple(123, kAll, 0));
  list->InsertItem(0, "   1");
  EXPECT_EQ(list->GetHeaderCheckedState(0), kAll) << "a row without a box changes nothing";
  EXPECT_EQ(set(0, kUnticked), kNotAll);

  // A column without a header box keeps none whatever its cells do.
  EXPECT_EQ(set(0, kTicked, 3), HeaderCheck::kNone);
  EXPECT_EQ(list->CountCheckedItems(3), 1);
}

TEST(GridState, OutOfRangeCallsChangeNothingAndAnswerFixedResults) {
  auto list = makeDeviceList(2);
  const int columns = list->GetColumns();
  EXPECT_EQ(list->InsertItem(-1, "x"), -1);
  EXPECT_EQ(list->InsertItem(100, "appended"), 2) << "a large index appends";
  list->SetCheckbox(2, 0, kUnticked);

  for (auto [row, column] : {std::pair{3, 0}, {-1, 0}, {0, columns}, {0, -1}})
    EXPECT_EQ(
        (std::tuple{list->SetItemText(row, column, "t"), list->SetItemText(row, column, nullptr, QColor(), QColor()),
                    list->SetCheckbox(row, column, kTicked), list->GetCheckbox(row, column),
                    list->GetItemText(row, column)}),
        std::tuple(0, 0, false, kNoBox, QString()))
        << "cell " << row << "," << column;
  for (int column : {-1, columns})
    EXPECT_EQ((std::tuple{list->CountCheckedItems(column), list->GetHeaderCheckedState(column),
                          list->SetHeaderCheckedState(column, HeaderCheck::kUnchecked)}),
              std::tuple(0, HeaderCheck::kNone, false));
  EXPECT_EQ((std::vector{list->SetCurSel(3, true), list->SetCurSel(-1, false), list->GetCurSel(), list->GetItemCount(),
                         list->CountCheckedItems(0)}),
            (std::vector{0, 0, -1, 3, 0}));

  // A column added after rows exist gives every row a usable cell.
  EXPECT_EQ(list->InsertColumn(-1, "Bad", 50), -1);
  EXPECT_EQ(list->InsertColumn(99, "Extra", 50), columns);
  EXPECT_NE(list->SetItemText(0, columns, "late"), 0);
  EXPECT_EQ(list->GetItemText(0, columns), "late");
}

TEST(GridState, ReorderMovesWholeRowsAndRefusesNonPermutations) {
  auto list = makeDeviceList(4);
  list->SetCheckbox(1, 0, kTicked);
  list->SetItemText(1, 6, "marked", QColor(255, 255, 255), QColor(255, 0, 0));
  list->SetCurSel(1, false);
  for (const std::vector<int>& bad : {std::vector<int>{0, 1, 2}, {0, 1, 1, 2}, {0, 1, 2, 4}})
    EXPECT_FALSE(list->ReorderRows(bad));
  EXPECT_EQ(list->GetItemText(1, 1), "model 1");

  QSignalSpy checks(list.get(), &CXListCtrl::checkStatesChanged);
  list->SortRows([&](int a, int b) { return list->GetItemText(a, 1) > list->GetItemText(b, 1); });
  QStringList rows;  // each row's model, box and state
  for (int row = 0; row < 4; ++row)
    rows << list->GetItemText(row, 1) + (list->GetCheckbox(row, 0) == kTicked ? " x " : " - ") +
                list->GetItemText(row, 6);
  EXPECT_EQ(rows.join(','), "model 3 - ,model 2 - ,model 1 x marked,model 0 - ");
  EXPECT_EQ(list->GetCurSel(), 2) << "the selection travels with its row";

  // Code changes report through checkStatesChanged, never as user clicks.
  QSignalSpy clicks(list.get(), &CXListCtrl::checkboxClicked);
  list->SetCheckbox(0, 0, kTicked);
  list->DeleteAllItems();
  EXPECT_EQ(std::tuple(checks.count(), clicks.count()), std::tuple(3, 0));
}

TEST(GridMouse, ClickInBoxCellTogglesAndNotifiesBeforeSelectingADoubleClickOnce) {
  auto list = makeDeviceList(2);
  std::vector<std::string> log;
  recordNotifications(*list, log);
  const auto click = [&](QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(list->viewport(), button, {}, at);
  };
  // Right of the box, on the cell's text: still toggles.
  const QRect cell = cellRect(*list, 1, 0);
  click(QPoint(cell.right() - 3, cell.center().y()));
  EXPECT_EQ(std::pair(list->GetCheckbox(1, 0), list->GetHeaderCheckedState(0)),
            std::pair(kTicked, HeaderCheck::kUnchecked));
  EXPECT_EQ(log, (std::vector<std::string>{"box 1,0 selected=-1", "selection", "click 1,0"}));

  click(cellRect(*list, 0, 0).center());
  EXPECT_EQ(list->GetHeaderCheckedState(0), HeaderCheck::kChecked) << "the last unchecked row was clicked";

  click(cellRect(*list, 1, 3).center());
  EXPECT_EQ(list->GetCheckbox(1, 0), kTicked) << "a cell without a box toggles nothing";
  EXPECT_EQ(log.back(), "click 1,3");

  click(cell.center(), Qt::RightButton);
  EXPECT_EQ(list->GetCheckbox(1, 0), kTicked) << "only the left button toggles";

  click(QPoint(10, list->viewport()->height() - 5));
  EXPECT_EQ(log.back(), "click -1,-1") << "a click below the rows still notifies";

  QSignalSpy doubles(list.get(), &CXListCtrl::rowDoubleClicked);
  doubleClick(list->viewport(), cell.center());
  EXPECT_EQ(list->GetCheckbox(1, 0), kUnticked) << "a double click toggles once";
  EXPECT_EQ(QList<QVariantList>(doubles), (QList<QVariantList>{{1, 0}}));
}

TEST(GridMouse, HeaderClicksCheckTheWholeColumnAndStillReportTheColumn) {
  auto list = makeDeviceList(5);
  list->SetCheckbox(4, 0, kNoBox);  // a row without a box stays without one
  CXHeaderCtrl* header = list->headerCtrl();
  QSignalSpy boxClicks(list.get(), &CXListCtrl::checkboxClicked);
  std::vector<std::string> log;
  recordNotifications(*list, log);

  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, headerPoint(*list, 0));
  EXPECT_EQ(std::pair(list->CountCheckedItems(0), list->GetCheckbox(4, 0)), std::pair(4, kNoBox));
  doubleClick(header->viewport(), headerPoint(*list, 0));  // a fast second click is a click
  EXPECT_EQ(list->CountCheckedItems(0), 4);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, headerPoint(*list, 3));
  EXPECT_EQ(log, (std::vector<std::string>{"column 0 header=checked", "column 0 header=unchecked",
                                           "column 0 header=checked", "column 3 header=none"}));
  EXPECT_EQ(boxClicks.count(), 0);
  EXPECT_EQ(list->GetCurSel(), -1) << "header clicks never select rows";

  const int widthBefore = list->columnWidth(1);
  doubleClick(header->viewport(),
              QPoint(header->sectionViewportPosition(1) + header->sectionSize(1) - 1, header->height() / 2));
  EXPECT_EQ(list->columnWidth(1), widthBefore) << "no auto-size on a divider double click";
}

TEST(GridMouse, KeyboardSelectsAndFullyRevealsTheRowMovedTo) {
  auto list = makeDeviceList(200);
  list->activateWindow();
  list->setFocus();
  list->SetCurSel(0, true);
  auto fullyVisible = [&](int row) {
    const QRect rect = cellRect(*list, row, 0);
    return rect.top() >= 0 && rect.bottom() < list->viewport()->height();
  };

  QTest::keyClick(list.get(), Qt::Key_End);
  EXPECT_EQ(list->GetCurSel(), 199);
  EXPECT_TRUE(fullyVisible(199));
  QTest::keyClick(list.get(), Qt::Key_Home);
  EXPECT_EQ(std::pair(list->GetCurSel(), list->verticalScrollBar()->value()), std::pair(0, 0));

  // Ctrl+Down moves the focus without Qt selecting; the list selects it anyway.
  QTest::keyClick(list.get(), Qt::Key_Down, Qt::ControlModifier);
  EXPECT_TRUE(list->selectionModel()->isRowSelected(1, {}));

  list->verticalScrollBar()->setValue(0);
  EXPECT_EQ(list->SetCurSel(150, true), 1);
  EXPECT_TRUE(fullyVisible(150));
}

TEST(GridKeyboard, SpaceTicksTheCurrentRowCtrlSpaceEveryRowAndAccessibilityReadsTheBoxes) {
  auto list = makeDeviceList(3);
  list->activateWindow();
  list->setFocus();
  QTest::keyClick(list.get(), Qt::Key_Down);  // from the row the focus made current
  ASSERT_EQ(list->currentIndex().row(), 1);
  QSignalSpy boxClicks(list.get(), &CXListCtrl::checkboxClicked);
  QSignalSpy columnClicks(list.get(), &CXListCtrl::columnClicked);

  QTest::keyClick(list.get(), Qt::Key_Space);
  EXPECT_EQ((std::vector{list->GetCheckbox(0, 0), list->GetCheckbox(1, 0), list->GetCheckbox(2, 0)}),
            (std::vector{kUnticked, kTicked, kUnticked}));
  EXPECT_EQ(QList<QVariantList>(boxClicks), (QList<QVariantList>{{1, 0}})) << "a tick by key is the user's, too";

  // Reads a box as a screen reader does: through the table's cell interface.
  const auto spoken = [&](int row, int column) {
    QAccessibleInterface* cell =
        QAccessible::queryAccessibleInterface(list.get())->tableInterface()->cellAt(row, column);
    return std::pair(cell->state().checkable != 0, cell->state().checked != 0);
  };
  EXPECT_EQ((std::vector{spoken(1, 0), spoken(0, 0), spoken(1, 1)}),
            (std::vector{std::pair(true, true), std::pair(true, false), std::pair(false, false)}));

  QTest::keyClick(list.get(), Qt::Key_Space, Qt::ControlModifier);
  EXPECT_EQ(std::pair(list->CountCheckedItems(0), list->GetHeaderCheckedState(0)), std::pair(3, HeaderCheck::kChecked));
  QTest::keyClick(list.get(), Qt::Key_Space, Qt::ControlModifier);
  EXPECT_EQ(std::pair(list->CountCheckedItems(0), list->GetHeaderCheckedState(0)),
            std::pair(0, HeaderCheck::kUnchecked));
  QTest::keyClick(list.get(), Qt::Key_Space);
  EXPECT_EQ(std::pair(list->GetCheckbox(1, 0), spoken(1, 0)), std::pair(kTicked, std::pair(true, true)));
  EXPECT_EQ(columnClicks.count(), 0) << "ticking all is no request to sort";
  EXPECT_EQ(list->currentIndex().row(), 1) << "Space neither moves nor clears the current row";
}

// Three rows of the device list, painted on a base colour; rows must be tall
// enough for a box with its tick.
class GridPaint : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(side, 11) << "rows too short for a tick"; }

  std::unique_ptr<CXListCtrl> list = makeDeviceList(3);
  const QRgb base = list->palette().color(QPalette::Base).rgb();
  const int side = cellRect(*list, 0, 0).height() - 1;  // of a cell's box
};

TEST_F(GridPaint, ABoxInAColouredCellKeepsTheBaseColour) {
  list->SetItemText(0, 0, "   1", QColor(0, 0, 0), QColor(255, 255, 0));
  const QImage image = Grab(list->viewport());
  const QPoint coloured = cellRect(*list, 0, 0).topLeft();
  expectBox(image, coloured + QPoint(9, 0), side, false, base);
  EXPECT_EQ(at(image, coloured + QPoint(4, 2)), 0xFFFFFF00u) << "the cell is coloured";
}

TEST_F(GridPaint, TextBeginsFourPixelsAfterATickedBox) {
  list->SetCheckbox(1, 0, kTicked);
  const QImage image = Grab(list->viewport());
  const QRect withText = cellRect(*list, 1, 0);
  expectBox(image, withText.topLeft() + QPoint(9, 0), side, true, base);
  const QRect gap(withText.left() + 9 + side, withText.top(), 4, withText.height());
  EXPECT_EQ(pixelsOtherThan(image, gap, base), 0);
  EXPECT_GT(pixelsOtherThan(image, QRect(gap.right() + 1, withText.top(), 30, withText.height()), base), 0);
}

TEST_F(GridPaint, ABoxWithoutTextIsCentredInItsCell) {
  list->SetItemText(2, 0, "");
  list->SetCheckbox(2, 0, kTicked);
  const QRect empty = cellRect(*list, 2, 0);
  expectBox(Grab(list->viewport()), QPoint(empty.left() + empty.width() / 2 - side / 2 - 1, empty.top()), side, true,
            base);
}

// A long text in white on red in row 1's last cell.
class GridCellColours : public GridPaint {
 protected:
  void SetUp() override {
    GridPaint::SetUp();
    list->SetItemText(1, 6, "IP address collision IP address collision", QColor(255, 255, 255), QColor(255, 0, 0));
  }
  const QRgb red = 0xFFFF0000;
  const QRect cell = cellRect(*list, 1, 6);
};

TEST_F(GridCellColours, AnElidedTextLeavesFiveClearPixelsOnBothSides) {
  const QImage image = Grab(list->viewport());
  EXPECT_GT(pixelsOtherThan(image, cell, red), 20) << "the text is drawn";
  EXPECT_EQ(pixelsOtherThan(image, QRect(cell.left(), cell.top(), 5, cell.height()), red), 0);
  EXPECT_EQ(pixelsOtherThan(image, QRect(cell.right() - 4, cell.top(), 5, cell.height()), red), 0);
  EXPECT_EQ(at(image, cellRect(*list, 0, 6).center()), base) << "other cells keep the list's colours";
}

TEST_F(GridCellColours, ASelectedRowShowsItsColoursOnlyWhileTheListHasNoFocus) {
  list->clearFocus();
  list->SetCurSel(1, false);
  EXPECT_EQ(at(Grab(list->viewport()), cell.topLeft()), red);
  list->activateWindow();
  list->setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowActive(list.get()));
  const QRgb highlight = list->palette().color(QPalette::Active, QPalette::Highlight).rgb();
  EXPECT_EQ(at(Grab(list->viewport()), cell.topLeft()), highlight);
}

TEST_F(GridCellColours, ClearedColoursGoBackToTheListsWhileTheTextStays) {
  list->SetItemText(1, 6, nullptr, QColor(), QColor());
  const QImage image = Grab(list->viewport());
  EXPECT_EQ(at(image, cell.topLeft() + QPoint(1, 1)), base);
  EXPECT_GT(pixelsOtherThan(image, cell, base), 0) << "the text stays";
}

// The header, whose column 0 has a 13-pixel box.
class GridHeaderPaint : public GridPaint {
 protected:
  CXHeaderCtrl* header = list->headerCtrl();
  const QRgb face = header->palette().color(QPalette::Button).rgb();
  const int height = header->viewport()->height();
  const QPoint box{header->sectionViewportPosition(0) + 6, (height - 13) / 2};
};

TEST_F(GridHeaderPaint, TheTitleBeginsSixPixelsAfterTheBox) {
  const QImage image = Grab(header->viewport());
  expectBox(image, box, 13, false, base);
  EXPECT_EQ(pixelsOtherThan(image, QRect(box.x() + 13, 2, 6, height - 4), face), 0);
  EXPECT_GT(pixelsOtherThan(image, QRect(box.x() + 19, 2, 4, height - 4), face), 0);
  EXPECT_EQ(at(image, {header->sectionViewportPosition(1) + 6, box.y()}), face) << "column without box";
}

TEST_F(GridHeaderPaint, ACheckedColumnTicksTheBox) {
  list->SetHeaderCheckedState(0, HeaderCheck::kChecked);
  expectBox(Grab(header->viewport()), box, 13, true, base);
}

// Dividers, one fewer than items, run from 2 pixels below the top to 2 above the bottom.
TEST_F(GridHeaderPaint, DividersStandOnlyBetweenItemsAndClearOfTheEdges) {
  const QRgb shadow = header->palette().color(QPalette::Dark).rgb();
  const QImage image = Grab(header->viewport());
  int dividers = 0;
  for (int x = 1; x < header->length() - 1; ++x)
    dividers += at(image, {x, 2}) == shadow && at(image, {x, height - 3}) == shadow;
  EXPECT_EQ(dividers, header->count() - 1);
  EXPECT_NE(at(image, {header->sectionViewportPosition(1) - 1, 1}), shadow);
}

TEST_F(GridHeaderPaint, ATitleWiderThanItsItemIsCutInsideTheMargins) {
  const int narrow = list->InsertColumn(1, "A very long column title", 60);
  const QImage image = Grab(header->viewport());
  const int right = header->sectionViewportPosition(narrow) + 60 - 1;
  EXPECT_GT(pixelsOtherThan(image, QRect(right - 20, 2, 14, height - 4), face), 0);
  EXPECT_EQ(pixelsOtherThan(image, QRect(right - 5, 2, 5, height - 4), face), 0);
}

}  // namespace
