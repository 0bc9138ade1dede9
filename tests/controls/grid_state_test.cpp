// Results and range checks of the grid's operations and the header check
// state machine.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "tests/controls/grid_test_support.h"

TEST(GridState, HeaderStateFollowsTheColumnsChecks) {
  auto list = makeDeviceList(3);
  EXPECT_EQ(list->GetHeaderCheckedState(0), 1);

  EXPECT_EQ(list->SetCheckbox(0, 0, 1), 1);
  list->SetCheckbox(1, 0, 1);
  EXPECT_EQ(list->GetHeaderCheckedState(0), 1) << "two of three rows checked";
  list->SetCheckbox(2, 0, 1);
  EXPECT_EQ(list->GetHeaderCheckedState(0), 2) << "the last row checked";
  list->SetCheckbox(1, 0, 0);
  EXPECT_EQ(list->GetHeaderCheckedState(0), 1) << "unchecking any row";
  EXPECT_EQ(list->CountCheckedItems(0), 2);

  // A new unchecked row under an all-checked header turns it back to 1.
  list->SetCheckbox(1, 0, 1);
  const int row = list->InsertItem(3, "   4");
  list->SetCheckbox(row, 0, 0);
  EXPECT_EQ(list->GetHeaderCheckedState(0), 1);

  // Removing a checked box recounts correctly.
  list->SetCheckbox(row, 0, 1);
  list->SetCheckbox(row, 0, -1);
  EXPECT_EQ(list->CountCheckedItems(0), 3);

  // DeleteAllItems keeps the header's last state.
  list->SetCheckbox(row, 0, 1);
  ASSERT_EQ(list->GetHeaderCheckedState(0), 2);
  list->setColumnWidth(2, 123);
  list->DeleteAllItems();
  EXPECT_EQ(list->columnWidth(2), 123) << "columns survive emptying the list";
  EXPECT_EQ(list->GetHeaderCheckedState(0), 2);
  EXPECT_EQ(list->CountCheckedItems(0), 0);
  list->InsertItem(0, "   1");
  EXPECT_EQ(list->GetHeaderCheckedState(0), 2) << "a row without a box changes nothing";
  list->SetCheckbox(0, 0, 0);
  EXPECT_EQ(list->GetHeaderCheckedState(0), 1);

  // A column without a header box keeps state 0 whatever its cells do.
  list->SetCheckbox(0, 3, 1);
  EXPECT_EQ(list->GetHeaderCheckedState(3), 0);
  EXPECT_EQ(list->CountCheckedItems(3), 1);
}

TEST(GridState, OutOfRangeCallsChangeNothingAndAnswerFixedResults) {
  auto list = makeDeviceList(2);
  const int rows = list->GetItemCount();
  const int columns = list->GetColumns();
  ASSERT_EQ(columns, 7);

  EXPECT_EQ(list->InsertItem(-1, "x"), -1);
  EXPECT_EQ(list->GetItemCount(), rows);
  EXPECT_EQ(list->InsertItem(100, "appended"), rows) << "a large index appends";
  list->SetCheckbox(rows, 0, 0);
  const int count = list->GetItemCount();

  for (auto [row, column] : {std::pair{count, 0}, {-1, 0}, {0, columns}, {0, -1}}) {
    SCOPED_TRACE(testing::Message() << "cell " << row << "," << column);
    EXPECT_EQ(list->SetItemText(row, column, "t"), 0);
    EXPECT_EQ(list->SetItemText(row, column, nullptr, -1, -1), 0);
    EXPECT_EQ(list->SetCheckbox(row, column, 1), 0);
    EXPECT_EQ(list->GetCheckbox(row, column), -1);
    EXPECT_EQ(list->GetItemText(row, column), QString());
  }
  for (int column : {-1, columns}) {
    EXPECT_EQ(list->CountCheckedItems(column), 0);
    EXPECT_EQ(list->GetHeaderCheckedState(column), -1);
    EXPECT_EQ(list->SetHeaderCheckedState(column, 1), 0);
  }
  // Values outside the documented states are refused rather than stored.
  EXPECT_EQ(list->SetCheckbox(0, 0, 2), 0);
  EXPECT_EQ(list->GetCheckbox(0, 0), 0);
  EXPECT_EQ(list->SetHeaderCheckedState(0, 3), 0);
  EXPECT_EQ(list->GetHeaderCheckedState(0), 1);

  EXPECT_EQ(list->SetCurSel(count, true), 0);
  EXPECT_EQ(list->SetCurSel(-1, false), 0);
  EXPECT_EQ(list->GetCurSel(), -1);
  EXPECT_EQ(list->CountCheckedItems(0), 0);

  // A column added after rows exist gives every row a usable cell.
  EXPECT_EQ(list->InsertColumn(-1, "Bad", 50), -1);
  EXPECT_EQ(list->InsertColumn(99, "Extra", 50), columns);
  EXPECT_NE(list->SetItemText(0, columns, "late"), 0);
  EXPECT_EQ(list->GetItemText(0, columns), "late");
}

TEST(GridState, ReorderMovesWholeRowsAndRefusesNonPermutations) {
  auto list = makeDeviceList(4);
  list->SetCheckbox(1, 0, 1);
  list->SetItemText(1, 6, "marked", gridRgb(255, 255, 255), gridRgb(255, 0, 0));
  list->SetCurSel(1, false);

  for (const std::vector<int>& bad : {std::vector<int>{0, 1, 2}, {0, 1, 1, 2}, {0, 1, 2, 4}})
    EXPECT_FALSE(list->ReorderRows(bad));
  EXPECT_EQ(list->GetItemText(1, 1), "model 1");

  QSignalSpy checks(list.get(), &CXListCtrl::checkStatesChanged);
  list->SortRows([&](int a, int b) { return list->GetItemText(a, 1) > list->GetItemText(b, 1); });
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(list->GetItemText(row, 1), QString("model %1").arg(3 - row));
    EXPECT_EQ(list->GetCheckbox(row, 0), row == 2 ? 1 : 0);
  }
  EXPECT_EQ(list->GetItemText(2, 6), "marked");
  EXPECT_EQ(list->GetCurSel(), 2) << "the selection travels with its row";
  EXPECT_EQ(checks.count(), 1);

  // Code changes report through checkStatesChanged, never as user clicks.
  QSignalSpy clicks(list.get(), &CXListCtrl::checkboxClicked);
  list->SetCheckbox(0, 0, 1);
  list->DeleteAllItems();
  EXPECT_EQ(checks.count(), 3);
  EXPECT_EQ(clicks.count(), 0);
}
