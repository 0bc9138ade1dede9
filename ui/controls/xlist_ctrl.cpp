#include "ui/controls/xlist_ctrl.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <numeric>

#include "ui/controls/grid_cell_delegate.h"
#include "ui/controls/grid_model.h"
#include "ui/controls/xheader_ctrl.h"

namespace {

bool isNavigationKey(int key) {
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
      return true;
    default:
      return false;
  }
}

}  // namespace

CXListCtrl::CXListCtrl(QWidget* parent)
    : QTableView(parent), model_(new GridModel(this)), header_(new CXHeaderCtrl(this)) {
  setModel(model_);
  setHorizontalHeader(header_);
  setItemDelegate(new GridCellDelegate(*model_, this));
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setWordWrap(false);
  setTabKeyNavigation(false);
  setShowGrid(true);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  applyRowHeight();
  connect(header_, &QHeaderView::sectionClicked, this, &CXListCtrl::onHeaderClicked);
}

CXListCtrl::~CXListCtrl() = default;

void CXListCtrl::applyRowHeight() {
  // One pixel of every row pitch belongs to the grid line below the row.
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

int CXListCtrl::InsertColumn(int column, const QString& text, int width, Qt::Alignment alignment,
                             HeaderCheck headerCheck) {
  const int index = model_->insertColumn(column, GridColumn{text, alignment & Qt::AlignHorizontal_Mask, headerCheck});
  if (index >= 0) setColumnWidth(index, std::max(0, width));
  return index;
}

int CXListCtrl::SetColumnAlignment(int column, Qt::Alignment alignment) {
  if (!model_->hasColumn(column)) return 0;
  model_->setColumnAlignment(column, alignment & Qt::AlignHorizontal_Mask);
  viewport()->update();
  return 1;
}

int CXListCtrl::GetColumns() const { return model_->columns(); }

int CXListCtrl::InsertItem(int row, const QString& text) { return model_->insertRow(row, text); }

int CXListCtrl::AppendItems(const std::vector<QStringList>& rowTexts, int boxColumn) {
  const int first = model_->appendRows(rowTexts, boxColumn);
  if (!rowTexts.empty() && model_->hasColumn(boxColumn)) {
    refreshHeaderState(boxColumn);
    emit checkStatesChanged(boxColumn);
  }
  return first;
}

int CXListCtrl::GetItemCount() const { return model_->rows(); }

void CXListCtrl::DeleteAllItems() {
  std::vector<int> columnsWithBoxes;
  for (int column = 0; column < model_->columns(); ++column)
    if (model_->hasAnyCheckBox(column)) columnsWithBoxes.push_back(column);
  model_->removeAllRows();
  pressPending_ = false;
  for (int column : columnsWithBoxes) emit checkStatesChanged(column);
}

int CXListCtrl::SetItemText(int row, int column, const QString& text) {
  if (!model_->hasCell(row, column)) return 0;
  model_->setText(row, column, text);
  updateCell(row, column);
  return 1;
}

int CXListCtrl::SetItemText(int row, int column, const QString& text, const QColor& textColour,
                            const QColor& backColour) {
  return setTextAndColours(row, column, &text, textColour, backColour);
}

int CXListCtrl::SetItemText(int row, int column, std::nullptr_t, const QColor& textColour, const QColor& backColour) {
  return setTextAndColours(row, column, nullptr, textColour, backColour);
}

int CXListCtrl::setTextAndColours(int row, int column, const QString* text, const QColor& textColour,
                                  const QColor& backColour) {
  if (!model_->hasCell(row, column)) return 0;
  if (text) model_->setText(row, column, *text);
  model_->setColours(row, column, textColour, backColour);
  updateCell(row, column);
  return 1;
}

QString CXListCtrl::GetItemText(int row, int column) const {
  const GridCell* cell = model_->cell(row, column);
  return cell ? cell->text : QString();
}

bool CXListCtrl::SetCheckbox(int row, int column, CellCheck state) {
  if (!model_->hasCell(row, column)) return false;
  model_->setCheck(row, column, state);
  updateCell(row, column);
  refreshHeaderState(column);
  emit checkStatesChanged(column);
  return true;
}

CellCheck CXListCtrl::GetCheckbox(int row, int column) const {
  const GridCell* cell = model_->cell(row, column);
  return cell ? cell->check : CellCheck::kNone;
}

int CXListCtrl::CountCheckedItems(int column) const { return model_->checkedCount(column); }

HeaderCheck CXListCtrl::GetHeaderCheckedState(int column) const {
  return model_->hasColumn(column) ? model_->headerCheck(column) : HeaderCheck::kNone;
}

bool CXListCtrl::SetHeaderCheckedState(int column, HeaderCheck state) {
  if (!model_->hasColumn(column)) return false;
  model_->setHeaderCheck(column, state);
  return true;
}

void CXListCtrl::refreshHeaderState(int column) {
  if (model_->headerCheck(column) == HeaderCheck::kNone) return;
  model_->setHeaderCheck(
      column, model_->checkedCount(column) == model_->rows() ? HeaderCheck::kChecked : HeaderCheck::kUnchecked);
}

int CXListCtrl::GetCurSel() const {
  int lowest = -1;
  for (const QItemSelectionRange& range : selectionModel()->selection())
    if (lowest < 0 || range.top() < lowest) lowest = range.top();
  return lowest;
}

int CXListCtrl::SetCurSel(int row, bool ensureVisible) {
  if (!model_->hasRow(row)) return 0;
  const QModelIndex target = model_->index(row, 0);
  selectionModel()->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
  selectionModel()->select(target, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  if (ensureVisible) revealRow(row);
  return 1;
}

bool CXListCtrl::ReorderRows(const std::vector<int>& newOrder) {
  if (!model_->reorderRows(newOrder)) return false;
  viewport()->update();
  for (int column = 0; column < model_->columns(); ++column)
    if (model_->hasAnyCheckBox(column)) emit checkStatesChanged(column);
  return true;
}

void CXListCtrl::SortRows(const std::function<bool(int rowA, int rowB)>& less) {
  std::vector<int> order(static_cast<size_t>(model_->rows()));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), less);
  ReorderRows(order);
}

void CXListCtrl::updateCell(int row, int column) {
  const QRect cell = visualRect(model_->index(row, column));
  if (cell.isValid()) viewport()->update(cell.adjusted(-2, -2, 2, 2));
}

void CXListCtrl::revealRow(int row) {
  const int top = rowViewportPosition(row);
  const int bottom = top + rowHeight(row);
  QScrollBar* bar = verticalScrollBar();
  if (top < 0)
    bar->setValue(bar->value() + top);
  else if (bottom > viewport()->height())
    bar->setValue(bar->value() + bottom - viewport()->height());
}

void CXListCtrl::onHeaderClicked(int column) {
  toggleColumn(column);
  emit columnClicked(column);
}

bool CXListCtrl::toggleColumn(int column) {
  const HeaderCheck header = model_->hasColumn(column) ? model_->headerCheck(column) : HeaderCheck::kNone;
  if (header == HeaderCheck::kNone) return false;
  const bool checkAll = header == HeaderCheck::kUnchecked;
  model_->setHeaderCheck(column, checkAll ? HeaderCheck::kChecked : HeaderCheck::kUnchecked);
  model_->setColumnChecks(column, checkAll);
  viewport()->update();
  header_->viewport()->update();
  emit checkStatesChanged(column);
  return true;
}

void CXListCtrl::toggleByUser(int row, int column) {
  const GridCell* box = model_->cell(row, column);
  model_->setCheck(row, column, box->check == CellCheck::kChecked ? CellCheck::kUnchecked : CellCheck::kChecked);
  updateCell(row, column);
  announceCheck(row, column);
  emit checkboxClicked(row, column);
  refreshHeaderState(column);
  emit checkStatesChanged(column);
}

void CXListCtrl::announceCheck(int row, int column) {
  if (!QAccessible::isActive()) return;
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(this);
  QAccessibleInterface* cell =
      table != nullptr && table->tableInterface() != nullptr ? table->tableInterface()->cellAt(row, column) : nullptr;
  if (cell == nullptr) return;
  QAccessible::State changed;
  changed.checked = true;
  QAccessibleStateChangeEvent event(cell, changed);
  QAccessible::updateAccessibility(&event);
}

void CXListCtrl::mousePressEvent(QMouseEvent* event) {
  const QModelIndex hit = indexAt(event->position().toPoint());
  pressRow_ = hit.isValid() ? hit.row() : -1;
  pressColumn_ = hit.isValid() ? hit.column() : -1;
  pressPending_ = event->button() == Qt::LeftButton;

  // Widgets get no press for the second click of a double click (it arrives
  // as a double-click event), so a double click on a box cell toggles once.
  if (event->button() == Qt::LeftButton && hit.isValid()) {
    const GridCell* pressed = model_->cell(pressRow_, pressColumn_);
    if (pressed != nullptr && pressed->check != CellCheck::kNone) toggleByUser(pressRow_, pressColumn_);
  }
  QTableView::mousePressEvent(event);
}

void CXListCtrl::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  if (!pressPending_ || event->button() != Qt::LeftButton) return;
  pressPending_ = false;
  // The row may have vanished meanwhile (a slot may have cleared the list).
  if (!model_->hasCell(pressRow_, pressColumn_)) pressRow_ = pressColumn_ = -1;
  emit rowClicked(pressRow_, pressColumn_);
}

void CXListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  if (event->button() != Qt::LeftButton) return;
  const QModelIndex hit = indexAt(event->position().toPoint());
  if (hit.isValid()) emit rowDoubleClicked(hit.row(), hit.column());
}

void CXListCtrl::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (event->key() == Qt::Key_Space && (modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier)) {
    if (modifiers == Qt::ControlModifier) {
      for (int column = 0; column < model_->columns(); ++column) toggleColumn(column);
    } else if (const int row = currentIndex().row(); model_->hasRow(row)) {
      for (int column = 0; column < model_->columns(); ++column)
        if (model_->cell(row, column)->check != CellCheck::kNone) toggleByUser(row, column);
    }
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
  if (!isNavigationKey(event->key())) return;
  const QModelIndex current = currentIndex();
  if (!current.isValid()) return;
  selectionModel()->select(current, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  revealRow(current.row());
}

// Home and End go to the first and last row, as in any report list (a
// table view would go to the first and last column of the row).
QModelIndex CXListCtrl::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  if (action == MoveHome || action == MoveEnd) modifiers |= Qt::ControlModifier;
  return QTableView::moveCursor(action, modifiers);
}

// Selected rows change colours with the focus, so the whole view repaints.
void CXListCtrl::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  viewport()->update();
}

void CXListCtrl::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  viewport()->update();
}

void CXListCtrl::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) applyRowHeight();
}
