// Mouse and keyboard behaviour of the grid: box toggling and the order of
// its notifications, check-all header clicks, double clicks, navigation.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QSignalSpy>
#include <string>
#include <vector>

#include "tests/controls/grid_test_support.h"

namespace {

// Records the notifications of a list in the order they arrive.
struct EventLog {
  std::vector<std::string> entries;

  explicit EventLog(CXListCtrl& list) {
    QObject::connect(&list, &CXListCtrl::checkboxClicked, [this, &list](int row, int column) {
      entries.push_back("box " + std::to_string(row) + "," + std::to_string(column) +
                        " selected=" + std::to_string(list.GetCurSel()));
    });
    QObject::connect(list.selectionModel(), &QItemSelectionModel::selectionChanged,
                     [this] { entries.push_back("selection"); });
    QObject::connect(&list, &CXListCtrl::rowClicked, [this](int row, int column) {
      entries.push_back("click " + std::to_string(row) + "," + std::to_string(column));
    });
    QObject::connect(&list, &CXListCtrl::columnClicked, [this, &list](int column) {
      entries.push_back("column " + std::to_string(column) +
                        " header=" + std::to_string(list.GetHeaderCheckedState(column)));
    });
  }
};

void click(CXListCtrl& list, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
  QTest::mouseClick(list.viewport(), button, {}, at);
}

void clickHeader(CXListCtrl& list, int column) {
  QTest::mouseClick(list.headerCtrl()->viewport(), Qt::LeftButton, {}, headerPoint(list, column));
}

// What a widget receives for a double click: press, release, double-click, release.
void doubleClick(QWidget* target, QPoint at) {
  QTest::mouseClick(target, Qt::LeftButton, {}, at);
  QTest::mouseDClick(target, Qt::LeftButton, {}, at);
  QTest::mouseRelease(target, Qt::LeftButton, {}, at);
}

}  // namespace

TEST(GridMouse, ClickInBoxCellTogglesAndNotifiesBeforeSelecting) {
  auto list = makeDeviceList(2);
  EventLog log(*list);
  // Right of the box, on the cell's text: still toggles.
  const QRect cell = list->visualRect(list->model()->index(1, 0));
  click(*list, QPoint(cell.right() - 3, cell.center().y()));
  EXPECT_EQ(list->GetCheckbox(1, 0), 1);
  EXPECT_EQ(list->GetHeaderCheckedState(0), 1);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"box 1,0 selected=-1", "selection", "click 1,0"}));

  click(*list, cellCentre(*list, 0, 0));
  EXPECT_EQ(list->GetHeaderCheckedState(0), 2) << "the last unchecked row was clicked";

  log.entries.clear();
  click(*list, cellCentre(*list, 1, 3));
  EXPECT_EQ(list->GetCheckbox(1, 0), 1) << "a cell without a box toggles nothing";
  EXPECT_EQ(log.entries.back(), "click 1,3");

  click(*list, cellCentre(*list, 1, 0), Qt::RightButton);
  EXPECT_EQ(list->GetCheckbox(1, 0), 1) << "only the left button toggles";

  log.entries.clear();
  click(*list, QPoint(10, list->viewport()->height() - 5));
  ASSERT_FALSE(log.entries.empty());
  EXPECT_EQ(log.entries.back(), "click -1,-1") << "a click below the rows still notifies";
}

TEST(GridMouse, HeaderClickChecksWholeColumnAndStillReportsTheColumn) {
  auto list = makeDeviceList(5);
  list->SetCheckbox(4, 0, -1);  // a row without a box stays without one
  QSignalSpy boxClicks(list.get(), &CXListCtrl::checkboxClicked);
  EventLog log(*list);

  clickHeader(*list, 0);
  EXPECT_EQ(list->GetHeaderCheckedState(0), 2);
  EXPECT_EQ(list->CountCheckedItems(0), 4);
  EXPECT_EQ(list->GetCheckbox(4, 0), -1);
  clickHeader(*list, 0);
  EXPECT_EQ(list->GetHeaderCheckedState(0), 1);
  EXPECT_EQ(list->CountCheckedItems(0), 0);

  clickHeader(*list, 3);
  EXPECT_EQ(list->GetHeaderCheckedState(3), 0);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"column 0 header=2", "column 0 header=1", "column 3 header=0"}));
  EXPECT_EQ(boxClicks.count(), 0);
  EXPECT_EQ(list->GetCurSel(), -1) << "header clicks never select rows";
}

TEST(GridMouse, DoubleClicks) {
  auto list = makeDeviceList(3);
  QSignalSpy columns(list.get(), &CXListCtrl::columnClicked);
  doubleClick(list->headerCtrl()->viewport(), headerPoint(*list, 0));
  EXPECT_EQ(columns.count(), 2) << "a fast second click is a click";
  EXPECT_EQ(list->GetHeaderCheckedState(0), 1) << "toggled twice";

  const int widthBefore = list->columnWidth(1);
  CXHeaderCtrl* header = list->headerCtrl();
  doubleClick(header->viewport(),
              QPoint(header->sectionViewportPosition(1) + header->sectionSize(1) - 1, header->height() / 2));
  EXPECT_EQ(list->columnWidth(1), widthBefore) << "no auto-size on a divider double click";

  QSignalSpy doubles(list.get(), &CXListCtrl::rowDoubleClicked);
  doubleClick(list->viewport(), cellCentre(*list, 2, 0));
  EXPECT_EQ(list->GetCheckbox(2, 0), 1) << "a double click on a box cell toggles once";
  ASSERT_EQ(doubles.count(), 1);
  EXPECT_EQ(doubles.at(0).at(0).toInt(), 2);
}

TEST(GridMouse, KeyboardSelectsAndFullyRevealsTheRowMovedTo) {
  auto list = makeDeviceList(200);
  list->activateWindow();
  list->setFocus();
  list->SetCurSel(0, true);

  auto fullyVisible = [&](int row) {
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    return rect.top() >= 0 && rect.bottom() < list->viewport()->height();
  };
  QTest::keyClick(list.get(), Qt::Key_End);
  EXPECT_EQ(list->GetCurSel(), 199);
  EXPECT_TRUE(fullyVisible(199));

  QTest::keyClick(list.get(), Qt::Key_Home);
  EXPECT_EQ(list->GetCurSel(), 0);
  EXPECT_EQ(list->verticalScrollBar()->value(), 0);

  // Ctrl+Down moves the focus without Qt selecting; the list selects it anyway.
  QTest::keyClick(list.get(), Qt::Key_Down, Qt::ControlModifier);
  EXPECT_TRUE(list->selectionModel()->isRowSelected(1, {}));

  list->verticalScrollBar()->setValue(0);
  EXPECT_EQ(list->SetCurSel(150, true), 1);
  EXPECT_TRUE(fullyVisible(150));
}
