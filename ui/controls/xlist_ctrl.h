// The grid list every Tavrix list is built on: a report-style table with
// per-cell text and background colours, check boxes inside any cell, and a
// check-all box in a column header. Full-row selection, several rows may be
// selected; rows never sort by themselves (the windows reorder them with
// ReorderRows/SortRows). No tool tips are shown.
//
// Design: a QTableView over GridModel (plain row records) with one delegate
// painting every cell and CXHeaderCtrl painting the header. Every cell
// operation range-checks its row and column, changes nothing when either is
// out of range, and answers with a fixed result (0, or -1 where noted).
// Changing one cell repaints only that cell's rectangle (grown by 2 pixels),
// never the whole list, so its cost does not grow with the row count.
//
// Colours are GridColour values (0x00RRGGBB, build them with gridRgb());
// kGridDefaultColour (-1) means the list's default: palette text colour for
// text, palette base colour for backgrounds.
//
// Mouse: a left press anywhere in a cell that has a check box toggles it,
// emits checkboxClicked(row, column) synchronously, updates the column's
// header state, emits checkStatesChanged(column), and only then lets the row
// be selected; the release emits rowClicked(). A header click on a column
// whose header box is shown checks or unchecks all boxes of that column (no
// checkboxClicked for those) and then emits columnClicked().
//
// Keyboard: Space toggles the boxes of the current row as a click on them
// would (checkboxClicked included); Ctrl+Space checks or unchecks every
// column that has a header box, as a header click would, without
// columnClicked (it is no request to sort). Cells with a box are checkable
// items, so accessibility reads each box's state; a toggled box is
// announced to an active screen reader.
//
// Threads: every member, GetCheckbox included, is for the GUI thread only.
// Code on other threads keeps its own copy of the ticks, refreshed from
// checkStatesChanged().
#pragma once

#include <QTableView>
#include <cstddef>
#include <functional>
#include <vector>

#include "ui/controls/grid_colour.h"

class GridModel;
class CXHeaderCtrl;

class CXListCtrl : public QTableView {
  Q_OBJECT

 public:
  explicit CXListCtrl(QWidget* parent = nullptr);
  ~CXListCtrl() override;

  // Columns (insert all of them before the first row). Returns the column's
  // index, or -1 for a negative index; a larger index appends. headerCheckState:
  // 0 no header box, 1 unchecked box, 2 checked box.
  int InsertColumn(int column, const QString& text, int width, Qt::Alignment alignment = Qt::AlignLeft,
                   int headerCheckState = 0);
  // Left, centre or right alignment of a column's cell texts and title; 0 if out of range.
  int SetColumnAlignment(int column, Qt::Alignment alignment);
  int GetColumns() const;

  // Rows. InsertItem returns the new row's index, -1 for a negative index;
  // an index past the end appends. All its cells get default colours.
  int InsertItem(int row, const QString& text);
  // Appends rows at the end in one insertion, cells filled from the left by
  // each row's texts, each with an unchecked box in `boxColumn` (none when
  // out of range); one checkStatesChanged for all. Returns the first new row.
  int AppendItems(const std::vector<QStringList>& rowTexts, int boxColumn);
  int GetItemCount() const;
  // Empties the list; the header check states stay as they are.
  void DeleteAllItems();

  // Texts and colours: nonzero on success, 0 when row or column is out of range.
  int SetItemText(int row, int column, const QString& text);
  int SetItemText(int row, int column, const QString& text, GridColour textColour, GridColour backColour);
  // The "no text" form: keeps the cell's text and sets only its colours.
  int SetItemText(int row, int column, std::nullptr_t keepText, GridColour textColour, GridColour backColour);
  // Empty text when out of range.
  QString GetItemText(int row, int column) const;

  // Cell check boxes: state -1 removes the box, 0 unchecked, 1 checked.
  // SetCheckbox returns 1, or 0 when out of range or state is not -1/0/1;
  // it emits no checkboxClicked. GetCheckbox returns -1 when out of range.
  int SetCheckbox(int row, int column, int state);
  int GetCheckbox(int row, int column) const;
  // Number of checked boxes in a column; 0 when out of range.
  int CountCheckedItems(int column) const;

  // Header box of a column: 0 none, 1 unchecked, 2 checked; -1 when out of range.
  int GetHeaderCheckedState(int column) const;
  // 1 on success, 0 when out of range or state is not 0/1/2.
  int SetHeaderCheckedState(int column, int state);

  // Lowest selected row, or -1.
  int GetCurSel() const;
  // Adds the row to the selection and makes it the current (focused) row,
  // optionally scrolling it fully into view. 1, or 0 when out of range.
  int SetCurSel(int row, bool ensureVisible);

  // Moves whole rows (texts, colours, check boxes, selection):
  // newOrder[i] is the current row that goes to position i. Returns false,
  // changing nothing, unless newOrder is a permutation of all rows.
  bool ReorderRows(const std::vector<int>& newOrder);
  // Stable sort by a comparator over current row indices; one repaint.
  void SortRows(const std::function<bool(int rowA, int rowB)>& less);

  CXHeaderCtrl* headerCtrl() const { return header_; }

 signals:
  // The "WM_XLISTCTRL_CHECKBOX_CLICKED" notification: the user toggled the
  // box of (row, column) with the mouse. Emitted before the row is selected.
  void checkboxClicked(int row, int column);
  // Some check box of `column` changed, by any route (mouse, header, code,
  // row reordering, DeleteAllItems).
  void checkStatesChanged(int column);
  // The ordinary click, after the selection has settled; row and column are
  // -1 when the click was below or beside the rows.
  void rowClicked(int row, int column);
  void rowDoubleClicked(int row, int column);
  // A header item was clicked (after any check-all handling).
  void columnClicked(int column);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  int setTextAndColours(int row, int column, const QString* text, GridColour textColour, GridColour backColour);
  void updateCell(int row, int column);
  void refreshHeaderState(int column);
  void onHeaderClicked(int column);
  // Flips an existing box as the user did, with its notifications.
  void toggleByUser(int row, int column);
  // Checks or unchecks a column with a header box; false for other columns.
  bool toggleColumn(int column);
  void announceCheck(int row, int column);
  void revealRow(int row);
  void applyRowHeight();

  GridModel* model_;
  CXHeaderCtrl* header_;
  int pressRow_ = -1;
  int pressColumn_ = -1;
  bool pressPending_ = false;
};
