// The record store behind the grid list: rows of cells (text, colours, check
// state) in contiguous vectors, plus one record per column.
// Invariants: every row has one cell per column; each column's count of
// checked cells always equals what its cells hold, so the header state is
// answered in constant time; changing a cell never emits dataChanged (the
// view repaints that one cell itself, so a change costs the same on 40 rows
// as on 4000).
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QStringList>
#include <vector>

// headerData() answers a column's HeaderCheck under this role, so the
// header view needs no knowledge of this class.
inline constexpr int kHeaderCheckRole = Qt::UserRole + 1;

enum class CellCheck { kNone, kUnchecked, kChecked };
enum class HeaderCheck { kNone, kUnchecked, kChecked };

// An invalid QColor stands for the list's palette colour (text or base), so
// such a cell follows a later palette change.
struct GridCell {
  QString text;
  QColor textColour;
  QColor backColour;
  CellCheck check = CellCheck::kNone;
};

struct GridColumn {
  QString title;
  Qt::Alignment alignment = Qt::AlignLeft;
  HeaderCheck headerCheck = HeaderCheck::kNone;
};

class GridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  int rows() const { return static_cast<int>(rows_.size()); }
  int columns() const { return static_cast<int>(columns_.size()); }
  bool hasRow(int row) const { return row >= 0 && row < rows(); }
  bool hasColumn(int column) const { return column >= 0 && column < columns(); }
  bool hasCell(int row, int column) const { return hasRow(row) && hasColumn(column); }

  // Null when the cell is out of range.
  const GridCell* cell(int row, int column) const;
  const GridColumn* column(int column) const;

  // Appends when `column` is past the end; returns the index used, -1 if negative.
  int insertColumn(int column, const GridColumn& record);
  // Appends when `row` is past the end; returns the index used, -1 if negative.
  int insertRow(int row, const QString& firstCellText);
  // Appends rows in one insertion (one notification for the view however
  // many rows), cells filled from the left by each row's texts; every new
  // row gets an unchecked box in `boxColumn` (none when out of range).
  // Returns the first new row.
  int appendRows(const std::vector<QStringList>& rowTexts, int boxColumn);
  void removeAllRows();

  // Cell writers; callers have range-checked.
  void setText(int row, int column, const QString& text);
  void setColours(int row, int column, const QColor& textColour, const QColor& backColour);
  void setCheck(int row, int column, CellCheck check);
  // Sets every existing box of the column (cells without a box stay boxless).
  void setColumnChecks(int column, bool checked);

  int checkedCount(int column) const;
  bool hasAnyCheckBox(int column) const;
  // Callers have range-checked.
  HeaderCheck headerCheck(int column) const { return columns_[column].headerCheck; }
  void setHeaderCheck(int column, HeaderCheck check);
  void setColumnAlignment(int column, Qt::Alignment alignment);

  // newOrder[i] is the current row that moves to position i. Refuses (false)
  // anything that is not a permutation of all rows. Persistent indexes, and
  // with them the selection, travel with their rows.
  bool reorderRows(const std::vector<int>& newOrder);

 private:
  GridCell& cellAt(int row, int column) { return rows_[row][column]; }

  std::vector<GridColumn> columns_;
  std::vector<int> checkedPerColumn_;
  std::vector<std::vector<GridCell>> rows_;
};
