#include "discovery/device_list.h"

#include <cstring>
#include <utility>

CDeviceList::CDeviceList(CDeviceList&& other) noexcept
    : head_(std::move(other.head_)), tail_(std::exchange(other.tail_, nullptr)), count_(std::exchange(other.count_, 0)) {}

CDeviceList& CDeviceList::operator=(CDeviceList&& other) noexcept {
  if (this != &other) {
    RemoveAll();
    head_ = std::move(other.head_);
    tail_ = std::exchange(other.tail_, nullptr);
    count_ = std::exchange(other.count_, 0);
  }
  return *this;
}

void CDeviceList::Add(int row, const DeviceInfo& info) { Append(row, std::make_unique<DeviceInfo>(info)); }

void CDeviceList::Append(int row, std::unique_ptr<DeviceInfo> info) {
  auto entry = std::make_unique<DeviceEntry>();
  entry->row = row;
  entry->info = std::move(info);
  DeviceEntry* added = entry.get();
  if (tail_ == nullptr) {
    head_ = std::move(entry);
  } else {
    tail_->next = std::move(entry);
  }
  tail_ = added;
  ++count_;
}

void CDeviceList::RemoveAll() {
  // Unlinked one by one: letting the chain of unique_ptrs destroy itself
  // would recurse once per entry.
  std::unique_ptr<DeviceEntry> entry = std::move(head_);
  while (entry) entry = std::move(entry->next);
  tail_ = nullptr;
  count_ = 0;
}

DeviceEntry* CDeviceList::Find(int row) {
  return const_cast<DeviceEntry*>(std::as_const(*this).Find(row));
}

const DeviceEntry* CDeviceList::Find(int row) const {
  for (const DeviceEntry* entry = head_.get(); entry != nullptr; entry = entry->next.get()) {
    if (entry->row == row) return entry;
  }
  return nullptr;
}

int CDeviceList::FindRowByMac(const DeviceInfo& info) const { return FindRowByMac(info.mac); }

int CDeviceList::FindRowByMac(const uint8_t mac[6]) const {
  for (const DeviceEntry* entry = head_.get(); entry != nullptr; entry = entry->next.get()) {
    if (entry->info && std::memcmp(entry->info->mac, mac, 6) == 0) return entry->row;
  }
  return -1;
}

int CDeviceList::FindRowByIp(uint32_t address) const {
  for (const DeviceEntry* entry = head_.get(); entry != nullptr; entry = entry->next.get()) {
    if (entry->info && entry->info->sourceAddress == address) return entry->row;
  }
  return -1;
}
