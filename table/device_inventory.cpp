#include "table/device_inventory.h"

int DeviceInventory::Access::AppendRow(const DeviceInfo& device) {
  inventory_.ticks_.push_back(false);
  return inventory_.table_.Add(device);
}

bool DeviceInventory::Access::IsTicked(int row) const {
  return row >= 0 && static_cast<size_t>(row) < inventory_.ticks_.size() && inventory_.ticks_[row];
}

void DeviceInventory::Access::SetTicked(int row, bool ticked) {
  if (row >= 0 && static_cast<size_t>(row) < inventory_.ticks_.size()) inventory_.ticks_[row] = ticked;
}

void DeviceInventory::Access::ReorderRows(const std::vector<int>& order) {
  std::vector<bool> ticks;
  ticks.reserve(order.size());
  for (int from : order) ticks.push_back(IsTicked(from));
  inventory_.ticks_ = std::move(ticks);
  inventory_.table_.Reorder(order);
}

void DeviceInventory::Access::ClearAll() {
  inventory_.table_.RemoveAll();
  inventory_.ticks_.clear();
  inventory_.awaited_.Clear();
}
