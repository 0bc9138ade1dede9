// The devices whose accepted change has not been seen yet, keyed by MAC. A device leaves only when
// a search reply shows the change done: a static one answering from its given address (an answer
// from its old address proves nothing), a DHCP or PPPoE one answering at all. The set is explicit
// so that no other device, an all-zero MAC included, can ever count off an awaited one.
// Plain data without a lock: the shared set lives in DeviceInventory.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "table/device_list.h"

class AwaitedChanges {
 public:
  // `givenAddress` (network order) for a static change; none otherwise. A
  // second acceptance of the same device replaces the first.
  void Await(const uint8_t mac[6], std::optional<uint32_t> givenAddress);
  // True, and the device no longer awaited, when `reply` shows its change done.
  bool Verify(const DeviceInfo& reply);
  bool IsAwaited(const uint8_t mac[6]) const;
  // No longer awaited, whatever it answers (its change ended otherwise).
  void Forget(const uint8_t mac[6]) { awaited_.erase(MacOf(mac)); }

  bool empty() const { return awaited_.empty(); }
  size_t size() const { return awaited_.size(); }
  void Clear() { awaited_.clear(); }
  std::vector<MacAddress> Macs() const;

 private:
  std::map<MacAddress, std::optional<uint32_t>> awaited_;
};
