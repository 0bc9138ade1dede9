#include "table/device_list.h"

#include <algorithm>
#include <cstring>

MacAddress MacOf(const uint8_t mac[6]) {
  MacAddress copy;
  std::memcpy(copy.data(), mac, copy.size());
  return copy;
}

size_t MacAddressHash::operator()(const MacAddress& mac) const {
  uint64_t value = 0;
  for (uint8_t byte : mac) value = value << 8 | byte;
  return std::hash<uint64_t>{}(value);
}

int CDeviceList::Add(const DeviceInfo& info) {
  rows_.push_back(info);
  const int row = GetCount() - 1;
  IndexRow(row);
  return row;
}

void CDeviceList::RemoveAll() {
  rows_.clear();
  rowByMac_.clear();
  rowsByAddress_.clear();
}

void CDeviceList::Replace(int row, const DeviceInfo& info) {
  if (Find(row) == nullptr) return;
  DeviceInfo& record = rows_[static_cast<size_t>(row)];
  if (std::memcmp(record.mac, info.mac, sizeof info.mac) != 0) {
    record = info;
    RebuildIndexes();
    return;
  }
  if (record.sourceAddress != info.sourceAddress) {
    auto old = rowsByAddress_.find(record.sourceAddress);
    old->second.erase(row);
    if (old->second.empty()) rowsByAddress_.erase(old);
    rowsByAddress_[info.sourceAddress].insert(row);
  }
  record = info;
}

void CDeviceList::Reorder(const std::vector<int>& order) {
  std::vector<DeviceInfo> reordered;
  reordered.reserve(order.size());
  for (int from : order) reordered.push_back(rows_[static_cast<size_t>(from)]);
  rows_ = std::move(reordered);
  RebuildIndexes();
}

const DeviceInfo* CDeviceList::Find(int row) const {
  if (row < 0 || row >= GetCount()) return nullptr;
  return &rows_[static_cast<size_t>(row)];
}

int CDeviceList::FindRowByMac(const uint8_t mac[6]) const {
  const auto found = rowByMac_.find(MacOf(mac));
  return found == rowByMac_.end() ? -1 : found->second;
}

int CDeviceList::FindRowByIp(uint32_t address) const { return FindOtherRowByIp(address, -1); }

int CDeviceList::FindOtherRowByIp(uint32_t address, int ownRow) const {
  const auto found = rowsByAddress_.find(address);
  if (found == rowsByAddress_.end()) return -1;
  for (int row : found->second) {
    if (row != ownRow) return row;
  }
  return -1;
}

void CDeviceList::IndexRow(int row) {
  const DeviceInfo& record = rows_[static_cast<size_t>(row)];
  rowByMac_.emplace(MacOf(record.mac), row);
  rowsByAddress_[record.sourceAddress].insert(row);
}

void CDeviceList::RebuildIndexes() {
  rowByMac_.clear();
  rowsByAddress_.clear();
  for (int row = 0; row < GetCount(); ++row) IndexRow(row);
}
