#include "ui/main/local_adapters.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "protocol/address_text.h"

namespace {

std::vector<std::string_view> SplitWords(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  while (!text.empty()) {
    size_t end = text.find('\n');
    visit(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

bool ParseHex32(std::string_view word, uint32_t& value) {
  if (word.empty() || word.size() > 8) return false;
  value = 0;
  for (char c : word) {
    int digit = (c >= '0' && c <= '9')   ? c - '0'
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                         : -1;
    if (digit < 0) return false;
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  return true;
}

std::string DottedFromSockaddr(const sockaddr* socketAddress) {
  if (socketAddress == nullptr || socketAddress->sa_family != AF_INET) return "0.0.0.0";
  return DottedAddressText(reinterpret_cast<const sockaddr_in*>(socketAddress)->sin_addr.s_addr);
}

std::string ReadWholeFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

}  // namespace

std::vector<std::string> ParseRouteGateways(std::string_view routeTable, std::string_view interfaceName) {
  std::vector<std::string> gateways;
  ForEachLine(routeTable, [&](std::string_view line) {
    const auto words = SplitWords(line);
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ...
    if (words.size() < 8 || words[0] != interfaceName) return;
    uint32_t destination, gateway, flags, mask;
    if (!ParseHex32(words[1], destination) || !ParseHex32(words[2], gateway) || !ParseHex32(words[3], flags) ||
        !ParseHex32(words[7], mask)) {
      return;
    }
    const bool isDefaultRoute = destination == 0 && mask == 0;
    if (!isDefaultRoute || gateway == 0 || (flags & (RTF_UP | RTF_GATEWAY)) != (RTF_UP | RTF_GATEWAY)) return;
    // The kernel prints each address as the raw network-order word read as a
    // host integer, so the word's bytes in memory are the address's bytes.
    std::string text = DottedAddressText(gateway);
    if (std::find(gateways.begin(), gateways.end(), text) == gateways.end()) gateways.push_back(std::move(text));
  });
  return gateways;
}

std::vector<std::string> ParseNameservers(std::string_view resolvConf) {
  std::vector<std::string> servers;
  ForEachLine(resolvConf, [&](std::string_view line) {
    const auto words = SplitWords(line);
    if (words.size() < 2 || words[0] != "nameserver") return;
    uint32_t parsed;
    if (ParseDottedAddress(words[1], &parsed)) servers.emplace_back(words[1]);
  });
  return servers;
}

std::vector<std::string> ChooseDnsServers(std::string_view etcResolvConf, std::string_view resolvedUpstreamConf) {
  auto servers = ParseNameservers(etcResolvConf);
  const bool onlyLocalStub = !servers.empty() && std::all_of(servers.begin(), servers.end(),
                                                             [](const std::string& s) { return s == "127.0.0.53"; });
  if (onlyLocalStub) {
    auto upstream = ParseNameservers(resolvedUpstreamConf);
    if (!upstream.empty()) return upstream;
  }
  return servers;
}

std::vector<AdapterInfo> BuildAdapters(std::vector<InterfaceListing> interfaces,
                                       const std::vector<InterfaceAddress>& addresses, std::string_view routeTable,
                                       const std::vector<std::string>& dnsServers) {
  std::stable_sort(interfaces.begin(), interfaces.end(),
                   [](const InterfaceListing& a, const InterfaceListing& b) { return a.index < b.index; });
  std::vector<AdapterInfo> adapters;
  for (const InterfaceListing& listing : interfaces) {
    if (listing.loopback) continue;
    AdapterInfo adapter;
    adapter.adapterName = listing.name;
    adapter.description = listing.name;
    adapter.index = listing.index;
    for (const InterfaceAddress& address : addresses) {
      if (address.interfaceName == listing.name) adapter.ipAddresses.emplace_back(address.address, address.mask);
    }
    if (!adapter.ipAddresses.empty()) {
      adapter.currentIpAddress = adapter.ipAddresses.front().first;
      adapter.currentSubnetMask = adapter.ipAddresses.front().second;
    }
    adapter.gateways = ParseRouteGateways(routeTable, listing.name);
    adapter.dnsServers = dnsServers;
    adapters.push_back(std::move(adapter));
  }
  return adapters;
}

std::vector<AdapterInfo> ReadLocalAdapters() {
  std::vector<InterfaceListing> interfaces;
  if (struct if_nameindex* names = if_nameindex()) {
    for (const struct if_nameindex* name = names; name->if_index != 0; ++name) {
      interfaces.push_back({name->if_name, name->if_index, false});
    }
    if_freenameindex(names);
  }
  std::vector<InterfaceAddress> addresses;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) == 0) {
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
      if ((entry->ifa_flags & IFF_LOOPBACK) != 0) {
        for (auto& listing : interfaces) {
          if (listing.name == entry->ifa_name) listing.loopback = true;
        }
      }
      if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET) {
        addresses.push_back(
            {entry->ifa_name, DottedFromSockaddr(entry->ifa_addr), DottedFromSockaddr(entry->ifa_netmask)});
      }
    }
    freeifaddrs(list);
  }
  // thread-self: a thread that entered another network namespace must see
  // that namespace's routes, not the main thread's.
  std::string routes = ReadWholeFile("/proc/thread-self/net/route");
  if (routes.empty()) routes = ReadWholeFile("/proc/net/route");
  const auto dns =
      ChooseDnsServers(ReadWholeFile("/etc/resolv.conf"), ReadWholeFile("/run/systemd/resolve/resolv.conf"));
  return BuildAdapters(std::move(interfaces), addresses, routes, dns);
}

LocalNetworkTexts PanelTexts(const std::vector<AdapterInfo>& adapters) {
  LocalNetworkTexts texts;
  if (adapters.empty()) return texts;
  const AdapterInfo& first = adapters.front();
  // An adapter without IPv4 address shows its current entry, "0.0.0.0".
  texts.ipAddress = first.ipAddresses.empty() ? first.currentIpAddress : first.ipAddresses.front().first;
  texts.subnetMask = first.ipAddresses.empty() ? first.currentSubnetMask : first.ipAddresses.front().second;
  if (!first.gateways.empty()) texts.gateway = first.gateways.front();
  if (!first.dnsServers.empty()) texts.dnsServer = first.dnsServers.front();
  return texts;
}
