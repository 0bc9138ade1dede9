// The window's lists of devices: a singly linked list of (row key, owned copy
// of a DeviceInfo), appended at the tail and searched from the head. The
// device table keys entries by list row; the changed-device list by order of
// success. Lists hold at most a few thousand devices, so plain walks are fast
// enough and keep the "first match from the head" rule obvious.
//
// The list owns every entry and every copy; Add copies the caller's record.
// Not thread-safe by itself: shared lists live in DeviceInventory, behind its
// lock.
#pragma once

#include <cstdint>
#include <memory>

#include "protocol/encp_records.h"

struct DeviceEntry {
  int row = 0;
  std::unique_ptr<DeviceInfo> info;
  std::unique_ptr<DeviceEntry> next;
};

class CDeviceList {
 public:
  CDeviceList() = default;
  ~CDeviceList() { RemoveAll(); }
  CDeviceList(const CDeviceList&) = delete;
  CDeviceList& operator=(const CDeviceList&) = delete;
  CDeviceList(CDeviceList&& other) noexcept;
  CDeviceList& operator=(CDeviceList&& other) noexcept;

  void Add(int row, const DeviceInfo& info);
  // Appends an entry whose copy the caller hands over (no second copy).
  void Append(int row, std::unique_ptr<DeviceInfo> info);
  void RemoveAll();

  DeviceEntry* Find(int row);
  const DeviceEntry* Find(int row) const;
  int FindRowByMac(const DeviceInfo& info) const;
  int FindRowByMac(const uint8_t mac[6]) const;
  // Compares the 32-bit addresses (network order), as comparing their dotted
  // texts would.
  int FindRowByIp(uint32_t address) const;
  int GetCount() const { return count_; }

  DeviceEntry* Head() { return head_.get(); }
  const DeviceEntry* Head() const { return head_.get(); }

 private:
  std::unique_ptr<DeviceEntry> head_;
  DeviceEntry* tail_ = nullptr;
  int count_ = 0;
};
