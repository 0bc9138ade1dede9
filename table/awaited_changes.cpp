#include "table/awaited_changes.h"

void AwaitedChanges::Await(const uint8_t mac[6], std::optional<uint32_t> givenAddress) {
  awaited_[MacOf(mac)] = givenAddress;
}

bool AwaitedChanges::Verify(const DeviceInfo& reply) {
  const auto found = awaited_.find(MacOf(reply.mac));
  if (found == awaited_.end()) return false;
  if (found->second && *found->second != reply.sourceAddress) return false;
  awaited_.erase(found);
  return true;
}

bool AwaitedChanges::IsAwaited(const uint8_t mac[6]) const { return awaited_.count(MacOf(mac)) > 0; }

std::vector<MacAddress> AwaitedChanges::Macs() const {
  std::vector<MacAddress> macs;
  macs.reserve(awaited_.size());
  for (const auto& [mac, address] : awaited_) macs.push_back(mac);
  return macs;
}
