// The device table, the changed-device list, the changed-device count and a
// mirror of the rows' check boxes, shared by the window thread and the batch
// worker behind ONE mutex.
//
// The only way in is `auto access = inventory.lock();`: the returned guard
// holds the mutex for its whole life and is the only object that hands out
// the lists. So a worker that reads a row's tick, looks up that row's record
// and uses it inside one guard can never see the record freed by "Clear" or
// by a sort, nor pair one row's tick with another row's record: both change
// only together, under the same lock. References obtained from a guard must
// not outlive it; copy what you need before releasing it.
//
// Check boxes live in the grid, which only the window thread may touch; the
// window keeps `ticks` equal to them (set on every click, moved on every
// reorder), and workers read ticks from here.
#pragma once

#include <QString>
#include <mutex>
#include <vector>

#include "discovery/device_list.h"

class DeviceInventory {
 public:
  class Access {
   public:
    CDeviceList& table() { return inventory_.table_; }
    CDeviceList& changed() { return inventory_.changed_; }
    int& changedCount() { return inventory_.changedCount_; }

    // The number of list rows (normally equal to the table's entry count).
    int RowCount() const { return static_cast<int>(inventory_.ticks_.size()); }
    // Appends a row's entry (unticked) with the next row key; returns the key.
    int AppendRow(const DeviceInfo& device);
    bool IsTicked(int row) const;
    void SetTicked(int row, bool ticked);

    // Appends a copy under the next key and counts it as awaited.
    void AddChanged(const DeviceInfo& device);
    void ClearChanged();
    void ClearAll();

    // After the rows were reordered: row d is now the device whose MAC text
    // (as the list shows it) is macTextPerRow[d], and its check box reads
    // tickPerRow[d]. Each row takes the first unused entry with that MAC and
    // keeps key d; a row without a matching entry gets none, so later rows
    // stay aligned. Entries matching no row are freed.
    void RekeyRows(const std::vector<QString>& macTextPerRow, const std::vector<bool>& tickPerRow);

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
  CDeviceList changed_;
  int changedCount_ = 0;
  std::vector<bool> ticks_;
};
