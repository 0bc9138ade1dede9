// The device table: one record per row, in row order, with indexes by MAC and by address kept in
// step, so finding a device costs the same on an empty list and on 16 000 rows.
//
// Rows are appended, reordered as a whole or all removed, and a record replaced in place; every
// change goes through these operations, so the indexes never disagree with the rows. "First"
// means the lowest row: a collision is marked against the first listed device at that address.
// Not thread-safe by itself: the shared table lives in DeviceInventory, behind its lock.
#pragma once

#include <array>
#include <cstdint>
#include <set>
#include <unordered_map>
#include <vector>

#include "protocol/encp_records.h"

using MacAddress = std::array<uint8_t, 6>;

MacAddress MacOf(const uint8_t mac[6]);

struct MacAddressHash {
  size_t operator()(const MacAddress& mac) const;
};

class CDeviceList {
 public:
  // Appends a copy of `info` as the next row; returns its row.
  int Add(const DeviceInfo& info);
  void RemoveAll();
  // Replaces a row's record; out-of-range rows are ignored.
  void Replace(int row, const DeviceInfo& info);
  // Row d becomes the row that was order[d]; `order` must be a permutation.
  void Reorder(const std::vector<int>& order);

  // The record of a row; null outside 0..count-1.
  const DeviceInfo* Find(int row) const;
  // -1 when absent.
  int FindRowByMac(const uint8_t mac[6]) const;
  int FindRowByIp(uint32_t address) const;
  // The first row other than `ownRow` whose device came from `address`.
  int FindOtherRowByIp(uint32_t address, int ownRow) const;
  int GetCount() const { return static_cast<int>(rows_.size()); }

 private:
  void IndexRow(int row);
  void RebuildIndexes();

  std::vector<DeviceInfo> rows_;
  std::unordered_map<MacAddress, int, MacAddressHash> rowByMac_;
  std::unordered_map<uint32_t, std::set<int>> rowsByAddress_;
};
