#include "ui/controls/grid_model.h"

#include <algorithm>

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows(); }

int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns(); }

QVariant GridModel::data(const QModelIndex& index, int role) const {
  const GridCell* record = cell(index.row(), index.column());
  if (!record) return {};
  switch (role) {
    case Qt::DisplayRole:
      return record->text;
    case Qt::CheckStateRole:
      if (record->check == CellCheck::kNone) return {};
      return record->check == CellCheck::kChecked ? Qt::Checked : Qt::Unchecked;
    default:
      return {};
  }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || !hasColumn(section)) return {};
  const GridColumn& record = columns_[section];
  switch (role) {
    case Qt::DisplayRole:
      return record.title;
    case Qt::TextAlignmentRole:
      return static_cast<int>(record.alignment | Qt::AlignVCenter);
    case kHeaderCheckRole:
      return QVariant::fromValue(record.headerCheck);
    default:
      return {};
  }
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  const GridCell* record = cell(index.row(), index.column());
  if (!record) return Qt::NoItemFlags;
  // Checkable tells accessibility that the cell is a check box; the view,
  // not an editor, toggles it.
  const Qt::ItemFlags checkable = record->check == CellCheck::kNone ? Qt::NoItemFlags : Qt::ItemIsUserCheckable;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren | checkable;
}

const GridCell* GridModel::cell(int row, int column) const {
  if (!hasCell(row, column)) return nullptr;
  return &rows_[row][column];
}

const GridColumn* GridModel::column(int column) const { return hasColumn(column) ? &columns_[column] : nullptr; }

int GridModel::insertColumn(int column, const GridColumn& record) {
  if (column < 0) return -1;
  column = std::min(column, columns());
  beginInsertColumns(QModelIndex(), column, column);
  columns_.insert(columns_.begin() + column, record);
  checkedPerColumn_.insert(checkedPerColumn_.begin() + column, 0);
  for (auto& row : rows_) row.insert(row.begin() + column, GridCell{});
  endInsertColumns();
  return column;
}

int GridModel::insertRow(int row, const QString& firstCellText) {
  if (row < 0) return -1;
  row = std::min(row, rows());
  std::vector<GridCell> cells(columns_.size());
  if (!cells.empty()) cells[0].text = firstCellText;
  beginInsertRows(QModelIndex(), row, row);
  rows_.insert(rows_.begin() + row, std::move(cells));
  endInsertRows();
  return row;
}

int GridModel::appendRows(const std::vector<QStringList>& rowTexts, int boxColumn) {
  const int first = rows();
  if (rowTexts.empty()) return first;
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(rowTexts.size()) - 1);
  rows_.reserve(rows_.size() + rowTexts.size());
  for (const QStringList& texts : rowTexts) {
    std::vector<GridCell> cells(columns_.size());
    for (int column = 0; column < columns() && column < texts.size(); ++column) cells[column].text = texts[column];
    if (hasColumn(boxColumn)) cells[boxColumn].check = CellCheck::kUnchecked;
    rows_.push_back(std::move(cells));
  }
  endInsertRows();
  return first;
}

// A row removal rather than a model reset: the columns stay as they are, so
// the view keeps its column widths and header without rebuilding them.
void GridModel::removeAllRows() {
  if (rows_.empty()) return;
  beginRemoveRows(QModelIndex(), 0, rows() - 1);
  rows_.clear();
  std::fill(checkedPerColumn_.begin(), checkedPerColumn_.end(), 0);
  endRemoveRows();
}

void GridModel::setText(int row, int column, const QString& text) { cellAt(row, column).text = text; }

void GridModel::setColours(int row, int column, const QColor& textColour, const QColor& backColour) {
  GridCell& target = cellAt(row, column);
  target.textColour = textColour;
  target.backColour = backColour;
}

void GridModel::setCheck(int row, int column, CellCheck check) {
  GridCell& target = cellAt(row, column);
  checkedPerColumn_[column] += (check == CellCheck::kChecked) - (target.check == CellCheck::kChecked);
  target.check = check;
}

void GridModel::setColumnChecks(int column, bool checked) {
  int count = 0;
  for (auto& row : rows_) {
    GridCell& target = row[column];
    if (target.check == CellCheck::kNone) continue;
    target.check = checked ? CellCheck::kChecked : CellCheck::kUnchecked;
    count += checked;
  }
  checkedPerColumn_[column] = count;
}

int GridModel::checkedCount(int column) const { return hasColumn(column) ? checkedPerColumn_[column] : 0; }

bool GridModel::hasAnyCheckBox(int column) const {
  if (!hasColumn(column)) return false;
  return std::any_of(rows_.begin(), rows_.end(),
                     [column](const auto& row) { return row[column].check != CellCheck::kNone; });
}

void GridModel::setHeaderCheck(int column, HeaderCheck check) {
  if (columns_[column].headerCheck == check) return;
  columns_[column].headerCheck = check;
  emit headerDataChanged(Qt::Horizontal, column, column);
}

void GridModel::setColumnAlignment(int column, Qt::Alignment alignment) {
  columns_[column].alignment = alignment;
  emit headerDataChanged(Qt::Horizontal, column, column);
}

bool GridModel::reorderRows(const std::vector<int>& newOrder) {
  if (newOrder.size() != rows_.size()) return false;
  std::vector<int> newPosition(rows_.size(), -1);
  for (size_t position = 0; position < newOrder.size(); ++position) {
    const int from = newOrder[position];
    if (!hasRow(from) || newPosition[from] != -1) return false;
    newPosition[from] = static_cast<int>(position);
  }

  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<std::vector<GridCell>> reordered;
  reordered.reserve(rows_.size());
  for (int from : newOrder) reordered.push_back(std::move(rows_[from]));
  rows_ = std::move(reordered);

  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& old : before) after.append(index(newPosition[old.row()], old.column()));
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
  return true;
}
