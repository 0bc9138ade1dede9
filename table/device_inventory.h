// The one owner of the listed devices: their records in row order, each row's tick, and the set of
// devices whose change is awaited, shared by the window thread and the batch worker behind ONE
// mutex.
//
// The only way in is `auto access = inventory.lock();`, a guard holding the mutex for its whole
// life; references from a guard must never outlive it. A worker finds its device by MAC under each
// lock, never by a row kept from an earlier one ("Clear" or a sort renumbers rows). Workers read
// ticks here, never from the grid; a sort reorders records and ticks together.
#pragma once

#include <mutex>
#include <vector>

#include "table/awaited_changes.h"
#include "table/device_list.h"

class DeviceInventory {
 public:
  class Access {
   public:
    CDeviceList& table() { return inventory_.table_; }
    AwaitedChanges& awaited() { return inventory_.awaited_; }

    int RowCount() const { return inventory_.table_.GetCount(); }
    // Appends a row (unticked); returns its row.
    int AppendRow(const DeviceInfo& device);
    bool IsTicked(int row) const;
    void SetTicked(int row, bool ticked);
    // Row d becomes the row that was order[d], tick included.
    void ReorderRows(const std::vector<int>& order);
    void ClearAll();

   private:
    friend class DeviceInventory;
    explicit Access(DeviceInventory& inventory) : lock_(inventory.mutex_), inventory_(inventory) {}
    std::unique_lock<std::mutex> lock_;
    DeviceInventory& inventory_;
  };

  DeviceInventory() = default;
  DeviceInventory(const DeviceInventory&) = delete;
  DeviceInventory& operator=(const DeviceInventory&) = delete;

  [[nodiscard]] Access lock() { return Access(*this); }

 private:
  std::mutex mutex_;
  CDeviceList table_;
  std::vector<bool> ticks_;
  AwaitedChanges awaited_;
};
