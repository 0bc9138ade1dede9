#include "discovery/device_table.h"

#include <algorithm>
#include <cstring>

#include "discovery/column_sort.h"

namespace {

// The list ignores cell operations on row -1; leaving them out keeps the
// decisions honest about what will change.
void AddCell(std::vector<CellUpdate>& cells, int row, int column, std::optional<QString> text,
             std::optional<CellColours> colours = std::nullopt) {
  if (row < 0) return;
  cells.push_back({row, column, std::move(text), colours});
}

void AddDeviceCells(std::vector<CellUpdate>& cells, int row, const DeviceInfo& device, DeviceColumn first,
                    DeviceColumn last) {
  const auto texts = RowTexts(row, device);
  for (int column = first; column <= last; ++column) AddCell(cells, row, column, texts[column]);
}

// First row other than `ownRow` whose device came from `address`.
int FindOtherRowByIp(const CDeviceList& table, uint32_t address, int ownRow) {
  for (const DeviceEntry* entry = table.Head(); entry != nullptr; entry = entry->next.get()) {
    if (entry->row != ownRow && entry->info && entry->info->sourceAddress == address) return entry->row;
  }
  return -1;
}

void MarkCollision(std::vector<CellUpdate>& cells, int row, int otherRow, const char* stateText) {
  AddCell(cells, row, kColumnAddress, std::nullopt, kCollisionColours);
  AddCell(cells, otherRow, kColumnAddress, std::nullopt, kCollisionColours);
  AddCell(cells, row, kColumnState, QString::fromLatin1(stateText), kCollisionColours);
  AddCell(cells, otherRow, kColumnState, QString::fromLatin1(stateText), kCollisionColours);
}

void ReplaceRecord(CDeviceList& table, int row, const DeviceInfo& device) {
  DeviceEntry* entry = row >= 0 ? table.Find(row) : nullptr;
  if (entry != nullptr && entry->info) *entry->info = device;
}

}  // namespace

DeviceTableCore::DeviceTableCore(std::shared_ptr<DeviceInventory> inventory) : inventory_(std::move(inventory)) {}

StateChange DeviceTableCore::SetState(int state) {
  auto access = inventory_->lock();
  return SetStateLocked(access, state);
}

StateChange DeviceTableCore::SetStateLocked(DeviceInventory::Access& access, int state) {
  if (state < kStateIdle || state > kStateBatch) return {-1, false};
  StateChange change{state, false};
  if (state == kStateIdle) {
    change.stopRescanTimer = state_ == kStateVerifying || state_ == kStateBatch;
    if (state_ == kStateBatch) access.ClearChanged();
  }
  state_ = state;
  return change;
}

void DeviceTableCore::SetMacUnderVerification(const uint8_t mac[6]) {
  std::copy(mac, mac + 6, macUnderVerification_.begin());
}

TableChanges DeviceTableCore::OnDeviceFound(const DeviceInfo& device) {
  TableChanges changes;
  auto access = inventory_->lock();
  switch (state_) {
    case kStateScanning:
      OnFoundWhileScanning(access, device, changes);
      break;
    case kStateVerifying:
      OnFoundWhileVerifying(access, device, changes);
      break;
    case kStateBatch:
      OnFoundInBatch(access, device, changes);
      break;
    default:
      break;
  }
  return changes;
}

void DeviceTableCore::OnFoundWhileScanning(DeviceInventory::Access& access, const DeviceInfo& device,
                                           TableChanges& changes) {
  // A listed device is neither added again nor refreshed.
  if (access.table().FindRowByMac(device) >= 0) return;
  const int row = access.RowCount();
  changes.insertedRow = RowTexts(row, device);
  const int collidingRow = access.table().FindRowByIp(device.sourceAddress);
  if (collidingRow >= 0) MarkCollision(changes.cells, row, collidingRow, kStateCollision);
  access.AppendRow(device);
}

void DeviceTableCore::OnFoundWhileVerifying(DeviceInventory::Access& access, const DeviceInfo& device,
                                            TableChanges& changes) {
  if (!std::equal(macUnderVerification_.begin(), macUnderVerification_.end(), device.mac)) return;
  const int row = access.table().FindRowByMac(device);
  auto& cells = changes.cells;
  AddDeviceCells(cells, row, device, kColumnModel, kColumnMac);
  // Searched while the row still holds the record from before the change.
  const int collidingRow = FindOtherRowByIp(access.table(), device.sourceAddress, row);
  AddCell(cells, row, kColumnAddress, FormatDottedAddress(device.sourceAddress), kRefreshedAddressColours);
  AddCell(cells, row, kColumnState, QString::fromLatin1(kStateChanged), kChangedColours);
  if (collidingRow >= 0) MarkCollision(cells, row, collidingRow, kStateChangedWithCollision);
  AddDeviceCells(cells, row, device, kColumnWebPort, kColumnAvPort);
  ReplaceRecord(access.table(), row, device);
  changes.stopRescanTimer = SetStateLocked(access, kStateIdle).stopRescanTimer;
}

void DeviceTableCore::OnFoundInBatch(DeviceInventory::Access& access, const DeviceInfo& device,
                                     TableChanges& changes) {
  const int awaited = access.changed().GetCount();
  for (int key = 0; key < awaited; ++key) {
    DeviceEntry* entry = access.changed().Find(key);
    if (entry == nullptr || !entry->info || std::memcmp(entry->info->mac, device.mac, 6) != 0) continue;
    const int row = access.table().FindRowByMac(device);
    auto& cells = changes.cells;
    AddCell(cells, row, kColumnState, QString::fromLatin1(kStateChanged), kChangedColours);
    AddDeviceCells(cells, row, device, kColumnModel, kColumnMac);
    AddCell(cells, row, kColumnAddress, FormatDottedAddress(device.sourceAddress), kRefreshedAddressColours);
    AddDeviceCells(cells, row, device, kColumnWebPort, kColumnAvPort);
    ReplaceRecord(access.table(), row, device);
    // Counted off once: a zero MAC can never match a reply again.
    std::memset(entry->info->mac, 0, 6);
    if (--access.changedCount() <= 0) {
      // Idle empties the changed list, so nothing is left to walk.
      changes.stopRescanTimer = SetStateLocked(access, kStateIdle).stopRescanTimer;
      return;
    }
  }
}

bool DeviceTableCore::OnDiscoveryEnded() {
  if (state_ != kStateScanning) return false;
  SetState(kStateIdle);
  return true;
}

std::vector<CellUpdate> DeviceTableCore::OnBatchEnded() {
  std::vector<CellUpdate> cells;
  auto access = inventory_->lock();
  for (int key = 0; key < access.changed().GetCount(); ++key) {
    const DeviceEntry* entry = access.changed().Find(key);
    if (entry == nullptr || !entry->info) continue;
    AddCell(cells, access.table().FindRowByMac(*entry->info), kColumnState, QString::fromLatin1(kStateChecking),
            kCheckingColours);
  }
  return cells;
}

StateChange DeviceTableCore::Clear() {
  auto access = inventory_->lock();
  access.ClearAll();
  selectedMac_.reset();
  return SetStateLocked(access, kStateIdle);
}

std::optional<std::vector<int>> DeviceTableCore::SortOrder(int column, const std::vector<QString>& columnTexts) {
  if (column <= kColumnNumber || column >= kDeviceColumnCount || columnTexts.empty()) return std::nullopt;
  auto order = ColumnSortOrder(column, columnTexts, sortAscending_);
  sortAscending_ = !sortAscending_;
  return order;
}

std::vector<CellUpdate> DeviceTableCore::RekeyRows(const std::vector<QString>& macTextPerRow,
                                                   const std::vector<bool>& tickPerRow) {
  inventory_->lock().RekeyRows(macTextPerRow, tickPerRow);
  std::vector<CellUpdate> numbers;
  numbers.reserve(macTextPerRow.size());
  for (int row = 0; row < static_cast<int>(macTextPerRow.size()); ++row) {
    AddCell(numbers, row, kColumnNumber, FormatRowNumber(row));
  }
  return numbers;
}

RowSelection DeviceTableCore::SelectRow(int row) {
  RowSelection selection;
  auto access = inventory_->lock();
  for (int other = 0; other < access.RowCount(); ++other) {
    AddCell(selection.cells, other, kColumnNumber, std::nullopt, kPlainRowColours);
  }
  const DeviceEntry* entry = row >= 0 ? access.table().Find(row) : nullptr;
  if (entry == nullptr || !entry->info) return selection;
  AddCell(selection.cells, row, kColumnNumber, std::nullopt, kCurrentRowColours);
  selection.device = *entry->info;
  selectedMac_.emplace();
  std::copy(entry->info->mac, entry->info->mac + 6, selectedMac_->begin());
  return selection;
}

std::optional<DeviceInfo> DeviceTableCore::SelectedDevice() const {
  if (!selectedMac_) return std::nullopt;
  auto access = inventory_->lock();
  const int row = access.table().FindRowByMac(selectedMac_->data());
  const DeviceEntry* entry = row >= 0 ? access.table().Find(row) : nullptr;
  if (entry == nullptr || !entry->info) return std::nullopt;
  return *entry->info;
}

void DeviceTableCore::SetTick(int row, bool ticked) { inventory_->lock().SetTicked(row, ticked); }
