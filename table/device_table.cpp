#include "table/device_table.h"

#include <algorithm>
#include <cstring>

#include "table/column_sort.h"

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

void MarkCollision(std::vector<CellUpdate>& cells, int row, int otherRow, const char* stateText) {
  AddCell(cells, row, kColumnAddress, std::nullopt, kCollisionColours);
  AddCell(cells, otherRow, kColumnAddress, std::nullopt, kCollisionColours);
  AddCell(cells, row, kColumnState, QString::fromLatin1(stateText), kCollisionColours);
  AddCell(cells, otherRow, kColumnState, QString::fromLatin1(stateText), kCollisionColours);
}

// A device that answered after its change: its row shows the answer.
void RefreshRow(std::vector<CellUpdate>& cells, int row, const DeviceInfo& device) {
  AddDeviceCells(cells, row, device, kColumnModel, kColumnMac);
  AddCell(cells, row, kColumnAddress, FormatDottedAddress(device.sourceAddress), kRefreshedAddressColours);
  AddDeviceCells(cells, row, device, kColumnWebPort, kColumnAvPort);
}

}  // namespace

DeviceTableCore::DeviceTableCore(std::shared_ptr<DeviceInventory> inventory) : inventory_(std::move(inventory)) {}

StateChange DeviceTableCore::SetState(WindowState state) {
  auto access = inventory_->lock();
  return SetStateLocked(access, state);
}

StateChange DeviceTableCore::SetStateLocked(DeviceInventory::Access& access, WindowState state) {
  StateChange change;
  if (state == WindowState::kIdle) {
    change.stopRescanTimer = state_ == WindowState::kVerifying || state_ == WindowState::kBatch;
    access.awaited().Clear();
  }
  state_ = state;
  return change;
}

std::vector<CellUpdate> DeviceTableCore::BeginVerification(const uint8_t mac[6], std::optional<uint32_t> givenAddress) {
  std::vector<CellUpdate> cells;
  auto access = inventory_->lock();
  access.awaited().Await(mac, givenAddress);
  AddCell(cells, access.table().FindRowByMac(mac), kColumnState, QString::fromLatin1(kStateChecking), kCheckingColours);
  SetStateLocked(access, WindowState::kVerifying);
  return cells;
}

TableChanges DeviceTableCore::OnDeviceFound(const DeviceInfo& device) { return OnDevicesFound({&device, 1}); }

TableChanges DeviceTableCore::OnDevicesFound(std::span<const DeviceInfo> devices) {
  TableChanges changes;
  auto access = inventory_->lock();
  for (const DeviceInfo& device : devices) {
    // A verification that ends inside the batch leaves the rest to the idle state.
    switch (state_) {
      case WindowState::kScanning:
        OnFoundWhileScanning(access, device, changes);
        break;
      case WindowState::kVerifying:
        OnFoundWhileVerifying(access, device, changes);
        break;
      case WindowState::kBatch:
        OnFoundInBatch(access, device, changes);
        break;
      default:
        break;
    }
  }
  return changes;
}

void DeviceTableCore::OnFoundWhileScanning(DeviceInventory::Access& access, const DeviceInfo& device,
                                           TableChanges& changes) {
  // A listed device is neither added again nor refreshed.
  if (access.table().FindRowByMac(device.mac) >= 0) return;
  const int row = access.RowCount();
  changes.insertedRows.push_back(RowTexts(row, device));
  const int collidingRow = access.table().FindRowByIp(device.sourceAddress);
  if (collidingRow >= 0) MarkCollision(changes.cells, row, collidingRow, kStateCollision);
  access.AppendRow(device);
}

void DeviceTableCore::OnFoundWhileVerifying(DeviceInventory::Access& access, const DeviceInfo& device,
                                            TableChanges& changes) {
  if (!access.awaited().Verify(device)) return;
  const int row = access.table().FindRowByMac(device.mac);
  auto& cells = changes.cells;
  RefreshRow(cells, row, device);
  // Searched while the row still holds the record from before the change.
  const int collidingRow = access.table().FindOtherRowByIp(device.sourceAddress, row);
  AddCell(cells, row, kColumnState, QString::fromLatin1(kStateChanged), kChangedColours);
  if (collidingRow >= 0) MarkCollision(cells, row, collidingRow, kStateChangedWithCollision);
  access.table().Replace(row, device);
  EndVerificationWhenDone(access, changes);
}

void DeviceTableCore::OnFoundInBatch(DeviceInventory::Access& access, const DeviceInfo& device, TableChanges& changes) {
  if (!access.awaited().Verify(device)) return;
  const int row = access.table().FindRowByMac(device.mac);
  RefreshRow(changes.cells, row, device);
  AddCell(changes.cells, row, kColumnState, QString::fromLatin1(kStateChanged), kChangedColours);
  access.table().Replace(row, device);
  EndVerificationWhenDone(access, changes);
}

void DeviceTableCore::EndVerificationWhenDone(DeviceInventory::Access& access, TableChanges& changes) {
  ++changes.verified;
  if (access.awaited().empty()) changes.stopRescanTimer |= SetStateLocked(access, WindowState::kIdle).stopRescanTimer;
}

bool DeviceTableCore::OnDiscoveryEnded() {
  if (state_ != WindowState::kScanning) return false;
  SetState(WindowState::kIdle);
  return true;
}

std::vector<CellUpdate> DeviceTableCore::MarkOutcome(const uint8_t mac[6], ChangeOutcome outcome) {
  const char* text = nullptr;
  CellColours colours = kFailedChangeColours;
  switch (outcome) {
    case ChangeOutcome::kRefusedCredential:
      text = kStateRefusedCredential;
      break;
    case ChangeOutcome::kRefused:
      text = kStateRefused;
      break;
    case ChangeOutcome::kNoAnswer:
      text = kStateNoAnswer;
      break;
    case ChangeOutcome::kAcceptedNotSeen:
      text = kStateChecking;
      colours = kCheckingColours;
      break;
    case ChangeOutcome::kConflict:
      text = kStateMacConflict;
      colours = kCollisionColours;
      break;
    case ChangeOutcome::kOtherNetwork:
      text = kStateOtherNetwork;
      break;
    default:
      break;
  }
  std::vector<CellUpdate> cells;
  if (text == nullptr) return cells;
  AddCell(cells, inventory_->lock().table().FindRowByMac(mac), kColumnState, QString::fromLatin1(text), colours);
  return cells;
}

std::vector<CellUpdate> DeviceTableCore::OnBatchEnded() {
  std::vector<CellUpdate> cells;
  auto access = inventory_->lock();
  if (state_ != WindowState::kBatch) {
    access.awaited().Clear();
    return cells;
  }
  for (const MacAddress& mac : access.awaited().Macs()) {
    AddCell(cells, access.table().FindRowByMac(mac.data()), kColumnState, QString::fromLatin1(kStateChecking),
            kCheckingColours);
  }
  return cells;
}

StateChange DeviceTableCore::Clear() {
  auto access = inventory_->lock();
  access.ClearAll();
  selectedMac_.reset();
  return SetStateLocked(access, WindowState::kIdle);
}

std::optional<std::vector<int>> DeviceTableCore::SortRows(int column, const std::vector<QString>& columnTexts) {
  if (column <= kColumnNumber || column >= kDeviceColumnCount || columnTexts.empty()) return std::nullopt;
  auto order = ColumnSortOrder(column, columnTexts, sortAscending_);
  sortAscending_ = !sortAscending_;
  auto access = inventory_->lock();
  if (static_cast<int>(order.size()) != access.RowCount()) return std::nullopt;
  access.ReorderRows(order);
  return order;
}

std::vector<CellUpdate> DeviceTableCore::RowNumbers(int rowCount) {
  std::vector<CellUpdate> numbers;
  numbers.reserve(static_cast<size_t>(rowCount));
  for (int row = 0; row < rowCount; ++row) AddCell(numbers, row, kColumnNumber, FormatRowNumber(row));
  return numbers;
}

RowSelection DeviceTableCore::SelectRow(int row) {
  RowSelection selection;
  auto access = inventory_->lock();
  for (int other = 0; other < access.RowCount(); ++other) {
    AddCell(selection.cells, other, kColumnNumber, std::nullopt, kPlainRowColours);
  }
  const DeviceInfo* device = access.table().Find(row);
  if (device == nullptr) return selection;
  AddCell(selection.cells, row, kColumnNumber, std::nullopt, kCurrentRowColours);
  selection.device = *device;
  selectedMac_ = MacOf(device->mac);
  return selection;
}

std::optional<DeviceInfo> DeviceTableCore::SelectedDevice() const {
  if (!selectedMac_) return std::nullopt;
  auto access = inventory_->lock();
  const DeviceInfo* device = access.table().Find(access.table().FindRowByMac(selectedMac_->data()));
  if (device == nullptr) return std::nullopt;
  return *device;
}

void DeviceTableCore::SetTick(int row, bool ticked) { inventory_->lock().SetTicked(row, ticked); }
