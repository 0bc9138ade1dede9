#include "discovery/device_inventory.h"

#include <QHashFunctions>
#include <unordered_map>
#include <deque>

#include "discovery/row_texts.h"

int DeviceInventory::Access::AppendRow(const DeviceInfo& device) {
  const int row = RowCount();
  inventory_.table_.Add(row, device);
  inventory_.ticks_.resize(static_cast<size_t>(row) + 1, false);
  return row;
}

bool DeviceInventory::Access::IsTicked(int row) const {
  return row >= 0 && static_cast<size_t>(row) < inventory_.ticks_.size() && inventory_.ticks_[row];
}

void DeviceInventory::Access::SetTicked(int row, bool ticked) {
  if (row >= 0 && static_cast<size_t>(row) < inventory_.ticks_.size()) inventory_.ticks_[row] = ticked;
}

void DeviceInventory::Access::AddChanged(const DeviceInfo& device) {
  inventory_.changed_.Add(inventory_.changedCount_, device);
  ++inventory_.changedCount_;
}

void DeviceInventory::Access::ClearChanged() {
  inventory_.changed_.RemoveAll();
  inventory_.changedCount_ = 0;
}

void DeviceInventory::Access::ClearAll() {
  inventory_.table_.RemoveAll();
  inventory_.ticks_.clear();
  ClearChanged();
}

void DeviceInventory::Access::RekeyRows(const std::vector<QString>& macTextPerRow,
                                        const std::vector<bool>& tickPerRow) {
  // Entries by MAC text, in key order, so "first unused match" is a pop.
  struct QStringHash {
    size_t operator()(const QString& text) const { return qHash(text); }
  };
  std::unordered_map<QString, std::deque<std::unique_ptr<DeviceInfo>>, QStringHash> byMac;
  CDeviceList old = std::move(inventory_.table_);
  for (DeviceEntry* entry = old.Head(); entry != nullptr; entry = entry->next.get()) {
    if (entry->info) byMac[FormatListMac(entry->info->mac)].push_back(std::move(entry->info));
  }
  for (size_t row = 0; row < macTextPerRow.size(); ++row) {
    auto match = byMac.find(macTextPerRow[row]);
    if (match == byMac.end() || match->second.empty()) continue;
    inventory_.table_.Append(static_cast<int>(row), std::move(match->second.front()));
    match->second.pop_front();
  }
  inventory_.ticks_ = tickPerRow;
  inventory_.ticks_.resize(macTextPerRow.size(), false);
}
