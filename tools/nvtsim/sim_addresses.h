// The device addresses a broadcast-mode simulator puts on its interface, as
// devices on a real LAN own theirs, so that the kernel lets it send from
// them. Addresses are added as /32 (no routes appear), in one `ip -batch`
// run however many there are, and every address this object added is
// removed again when it is destroyed; addresses that were already there are
// left alone.
//
// Broadcast mode must never run on a machine's real network: it is only
// allowed inside a named network namespace (one that `ip netns add` made
// and `ip netns exec` entered), never in the namespace the machine runs in.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

bool InNamedNetworkNamespace();

class InterfaceAddresses {
 public:
  explicit InterfaceAddresses(std::string interfaceName);
  ~InterfaceAddresses();
  InterfaceAddresses(const InterfaceAddresses&) = delete;
  InterfaceAddresses& operator=(const InterfaceAddresses&) = delete;

  // 0 when the interface does not exist.
  int interfaceIndex() const { return index_; }

  bool Add(const std::vector<uint32_t>& addresses, std::string* error);
  // Removes the addresses this object added; others are kept.
  void Remove(const std::vector<uint32_t>& addresses);

 private:
  bool RunBatch(const std::string& verb, const std::vector<uint32_t>& addresses);

  std::string interface_;
  int index_ = 0;
  std::set<uint32_t> added_;
};
