// The one owner of the listed devices: their records in row order, each
// row's check box, and the set of devices whose change is awaited, shared by
// the window thread and the batch worker behind ONE mutex.
//
// The only way in is `auto access = inventory.lock();`: the returned guard
// holds the mutex for its whole life and is the only object that hands out
// the records. References obtained from a guard must not outlive it; copy
// what you need before releasing it. A worker finds its device by MAC under
// the lock every time, never by a row number carried over from an earlier
// lock, because "Clear" or a sort may renumber the rows in between.
//
// Check boxes are drawn by the grid, which only the window thread may
// touch; the window writes every click here, and a sort reorders records
// and ticks together, so workers read ticks from here only.
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
