#include "protocol/usable_adapters.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>

#include "protocol/address_text.h"

namespace {

uint32_t Ipv4Of(const sockaddr* socketAddress) {
  if (socketAddress == nullptr || socketAddress->sa_family != AF_INET) return 0;
  return reinterpret_cast<const sockaddr_in*>(socketAddress)->sin_addr.s_addr;
}

bool Usable(const InterfaceEntry& entry) { return entry.up && !entry.loopback && entry.broadcast && entry.ipv4; }

bool SameSubnet(const UsableAdapter& adapter, uint32_t address) {
  return (address & adapter.mask) == (adapter.address & adapter.mask);
}

}  // namespace

std::vector<InterfaceEntry> ReadInterfaceEntries() {
  std::vector<InterfaceEntry> entries;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return entries;
  for (const ifaddrs* item = list; item != nullptr; item = item->ifa_next) {
    InterfaceEntry entry;
    entry.name = item->ifa_name;
    entry.index = static_cast<int32_t>(if_nametoindex(item->ifa_name));
    entry.up = (item->ifa_flags & IFF_UP) != 0;
    entry.loopback = (item->ifa_flags & IFF_LOOPBACK) != 0;
    entry.ipv4 = item->ifa_addr != nullptr && item->ifa_addr->sa_family == AF_INET;
    entry.broadcast = (item->ifa_flags & IFF_BROADCAST) != 0 && entry.ipv4 && item->ifa_broadaddr != nullptr;
    entry.address = Ipv4Of(item->ifa_addr);
    entry.mask = Ipv4Of(item->ifa_netmask);
    entries.push_back(std::move(entry));
  }
  freeifaddrs(list);
  return entries;
}

std::vector<UsableAdapter> UsableAdaptersFrom(const std::vector<InterfaceEntry>& entries) {
  std::vector<UsableAdapter> adapters;
  for (const InterfaceEntry& entry : entries) {
    if (!Usable(entry)) continue;
    const bool listed = std::any_of(adapters.begin(), adapters.end(),
                                    [&](const UsableAdapter& adapter) { return adapter.name == entry.name; });
    if (!listed) adapters.push_back({entry.name, entry.index, entry.address, entry.mask});
  }
  std::stable_sort(adapters.begin(), adapters.end(),
                   [](const UsableAdapter& a, const UsableAdapter& b) { return a.index < b.index; });
  return adapters;
}

std::vector<UsableAdapter> ReadUsableAdapters() { return UsableAdaptersFrom(ReadInterfaceEntries()); }

AdapterChoice ChooseAdapters(const std::vector<std::string>& names, const std::vector<InterfaceEntry>& entries) {
  const std::vector<UsableAdapter> usable = UsableAdaptersFrom(entries);
  AdapterChoice choice;
  for (const std::string& name : names) {
    const auto found =
        std::find_if(usable.begin(), usable.end(), [&](const UsableAdapter& adapter) { return adapter.name == name; });
    if (found == usable.end()) {
      const bool known =
          std::any_of(entries.begin(), entries.end(), [&](const InterfaceEntry& entry) { return entry.name == name; });
      choice.adapters.clear();
      choice.error =
          (known ? "adapter " + name + " has no IPv4 broadcast address (or is down)" : "no adapter named " + name) +
          "; usable adapters: " + AdapterListText(usable);
      return choice;
    }
    const bool chosen = std::any_of(choice.adapters.begin(), choice.adapters.end(),
                                    [&](const UsableAdapter& adapter) { return adapter.name == name; });
    if (!chosen) choice.adapters.push_back(*found);
  }
  return choice;
}

std::string AdapterListText(const std::vector<UsableAdapter>& adapters) {
  if (adapters.empty()) return "none";
  std::string text;
  for (const UsableAdapter& adapter : adapters) {
    if (!text.empty()) text += ", ";
    text += adapter.name + " (" + DottedAddressText(adapter.address) + ")";
  }
  return text;
}

std::vector<int32_t> AdapterIndexes(const std::vector<UsableAdapter>& adapters) {
  std::vector<int32_t> indexes;
  for (const UsableAdapter& adapter : adapters) indexes.push_back(adapter.index);
  return indexes;
}

const UsableAdapter* AdapterHolding(const std::vector<UsableAdapter>& adapters, uint32_t first, uint32_t last) {
  for (const UsableAdapter& adapter : adapters) {
    if (SameSubnet(adapter, first) && SameSubnet(adapter, last)) return &adapter;
  }
  return nullptr;
}

std::vector<std::string> VanishedAdapters(const std::vector<UsableAdapter>& chosen,
                                          const std::vector<UsableAdapter>& usableNow) {
  std::vector<std::string> vanished;
  for (const UsableAdapter& adapter : chosen) {
    const bool still = std::any_of(usableNow.begin(), usableNow.end(), [&](const UsableAdapter& now) {
      return now.name == adapter.name && now.index == adapter.index;
    });
    if (!still) vanished.push_back(adapter.name);
  }
  return vanished;
}
