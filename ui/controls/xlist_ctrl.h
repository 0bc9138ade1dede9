// The grid list every Tavrix list is built on: a report-style QTableView over
// GridModel with per-cell colours and check boxes, and a check-all box in a
// column header. Full-row, multiple selection; rows never sort by themselves.
// Invariants: a call naming a row or column out of range changes nothing and
// answers a fixed result; changing one cell repaints only that cell, never
// the whole list; every member is for the GUI thread only (other threads keep
// their own copy of the ticks, refreshed from checkStatesChanged()).
#pragma once

#include <QColor>
#include <QTableView>
#include <cstddef>
#include <functional>
#include <vector>

#include "ui/controls/grid_model.h"

class CXHeaderCtrl;

class CXListCtrl : public QTableView {
  Q_OBJECT

 public:
  explicit CXListCtrl(QWidget* parent = nullptr);
  ~CXListCtrl() override;

  // Columns (insert all of them before the first row). Returns the column's
  // index, or -1 for a negative index; a larger index appends.
  int InsertColumn(int column, const QString& text, int width, Qt::Alignment alignment = Qt::AlignLeft,
                   HeaderCheck headerCheck = HeaderCheck::kNone);
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

  // Texts and colours: nonzero on success, 0 when row or column is out of
  // range. An invalid QColor() gives the list's palette colour.
  int SetItemText(int row, int column, const QString& text);
  int SetItemText(int row, int column, const QString& text, const QColor& textColour, const QColor& backColour);
  // The "no text" form: keeps the cell's text and sets only its colours.
  int SetItemText(int row, int column, std::nullptr_t keepText, const QColor& textColour, const QColor& backColour);
  // Empty text when out of range.
  QString GetItemText(int row, int column) const;

  // Cell check boxes (kNone removes the box). SetCheckbox is false when out
  // of range and emits no checkboxClicked; GetCheckbox is kNone out of range.
  bool SetCheckbox(int row, int column, CellCheck state);
  CellCheck GetCheckbox(int row, int column) const;
  // Number of checked boxes in a column; 0 when out of range.
  int CountCheckedItems(int column) const;

  // Header box of a column; kNone out of range, where setting it is false.
  HeaderCheck GetHeaderCheckedState(int column) const;
  bool SetHeaderCheckedState(int column, HeaderCheck state);

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
  // The user toggled the box of (row, column): a left press anywhere in the
  // cell, or Space on its row. Emitted before the row is selected and before
  // the column's header state and checkStatesChanged follow.
  void checkboxClicked(int row, int column);
  // Some check box of `column` changed, by any route (mouse, header, code,
  // row reordering, DeleteAllItems).
  void checkStatesChanged(int column);
  // The ordinary click, after the selection has settled; row and column are
  // -1 when the click was below or beside the rows.
  void rowClicked(int row, int column);
  void rowDoubleClicked(int row, int column);
  // A header item was clicked, after a header box has checked or unchecked
  // its column (without checkboxClicked). Ctrl+Space toggles every header
  // box without it, being no request to sort.
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
  int setTextAndColours(int row, int column, const QString* text, const QColor& textColour, const QColor& backColour);
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
