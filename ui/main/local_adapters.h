// A snapshot of the PC's network adapters for the "Local network info."
// panel, taken once when the main window starts: the non-loopback interfaces
// in index order with their IPv4 addresses, default-route gateways and the
// resolver's IPv4 name servers (system-wide on Linux, so every adapter
// carries the same list; behind systemd-resolved's stub, the upstream ones).
// Invariant: ReadLocalAdapters() is the one place that reads the live system
// (in the calling thread's network namespace); parsing works on file
// contents and listings, so it is tested with fixtures.
#pragma once

#include <QtGlobal>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct AdapterInfo {
  std::string adapterName;
  std::string description;
  std::string primaryWinsServer;
  std::string secondaryWinsServer;
  std::string dhcpServer;
  std::string currentIpAddress = "0.0.0.0";
  std::string currentSubnetMask = "0.0.0.0";
  uint32_t index = 0;
  uint32_t type = 0;
  uint32_t dhcpEnabled = 0;
  uint32_t haveWins = 0;
  std::vector<std::string> dnsServers;
  std::vector<std::pair<std::string, std::string>> ipAddresses;  // (address, mask)
  std::vector<std::string> gateways;
  std::time_t leaseObtained = 0;
  std::time_t leaseExpires = 0;
};

struct InterfaceListing {
  std::string name;
  uint32_t index = 0;
  bool loopback = false;
};

struct InterfaceAddress {
  std::string interfaceName;
  std::string address;
  std::string mask;
};

// Default-route gateways of one interface from /proc/net/route, in table order.
std::vector<std::string> ParseRouteGateways(std::string_view routeTable, std::string_view interfaceName);
// IPv4 "nameserver" entries of a resolv.conf, in file order.
std::vector<std::string> ParseNameservers(std::string_view resolvConf);
// The servers of /etc/resolv.conf, or those behind systemd-resolved's stub.
std::vector<std::string> ChooseDnsServers(std::string_view etcResolvConf, std::string_view resolvedUpstreamConf);

std::vector<AdapterInfo> BuildAdapters(std::vector<InterfaceListing> interfaces,
                                       const std::vector<InterfaceAddress>& addresses, std::string_view routeTable,
                                       const std::vector<std::string>& dnsServers);

std::vector<AdapterInfo> ReadLocalAdapters();

// The four texts of the panel: first adapter's address entry 0 and its mask
// (its current entry, "0.0.0.0", when it has no address), gateway entry 0 and
// DNS entry 0; a missing entry gives "", and so does a missing adapter.
struct LocalNetworkTexts {
  std::string ipAddress;
  std::string subnetMask;
  std::string gateway;
  std::string dnsServer;
};
LocalNetworkTexts PanelTexts(const std::vector<AdapterInfo>& adapters);

inline constexpr const char* kNoAdapterText = QT_TRANSLATE_NOOP("Tavrix", "No Network Adapters Found on System.");
