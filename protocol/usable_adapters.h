// The PC's adapters as the endpoint may use them, and the operator's choice
// among them. An adapter carries the protocol only with an IPv4 address and
// a broadcast address: every request is an IPv4 broadcast, so a VPN tunnel
// (point-to-point, no broadcast), an adapter without IPv4 or loopback can
// never reach a device and is not offered.
//
// One adapter is one interface, listed once with its first IPv4 address, in
// interface-index order (the order the system numbers them). A name the
// operator gives is refused when no interface has it or when that interface
// cannot carry the protocol; the refusal names the usable adapters, so the
// operator sees at once what to type instead.
//
// Which adapter's subnet holds an address is decided here too, so the range
// plan and whoever shows it agree on the one adapter a range belongs to.
//
// Parsing works on plain entries, so the rules are tested with fixtures;
// ReadInterfaceEntries() is the one place that reads the live system (in
// the calling thread's network namespace). Plain C++, no Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One address of one interface, as getifaddrs lists it.
struct InterfaceEntry {
  std::string name;
  int32_t index = 0;
  bool up = false;
  bool loopback = false;
  bool broadcast = false;  // the interface can broadcast and has a broadcast address
  bool ipv4 = false;       // the entry is an IPv4 address
  uint32_t address = 0;    // network byte order
  uint32_t mask = 0;       // network byte order
};

struct UsableAdapter {
  std::string name;
  int32_t index = 0;
  uint32_t address = 0;  // network byte order
  uint32_t mask = 0;     // network byte order
};

std::vector<InterfaceEntry> ReadInterfaceEntries();

// One adapter per interface that is up, not loopback, and has an IPv4
// address with broadcast; in interface-index order.
std::vector<UsableAdapter> UsableAdaptersFrom(const std::vector<InterfaceEntry>& entries);
std::vector<UsableAdapter> ReadUsableAdapters();

struct AdapterChoice {
  std::vector<UsableAdapter> adapters;  // in the order named, each once
  std::string error;                    // empty when every name was usable
};

// The adapters `names` name, or why one cannot be used.
AdapterChoice ChooseAdapters(const std::vector<std::string>& names, const std::vector<InterfaceEntry>& entries);

// "eth0 (192.168.0.5), eth1 (192.168.1.5)", or "none".
std::string AdapterListText(const std::vector<UsableAdapter>& adapters);

// The interface indexes of `adapters`, as the endpoint settings take them.
std::vector<int32_t> AdapterIndexes(const std::vector<UsableAdapter>& adapters);

// The first adapter whose subnet holds both `first` and `last` (network byte
// order); null when none does.
const UsableAdapter* AdapterHolding(const std::vector<UsableAdapter>& adapters, uint32_t first, uint32_t last);

// The names of `chosen` that no longer are usable adapters with the same
// index (removed, down, or without IPv4 broadcast), in the order chosen.
std::vector<std::string> VanishedAdapters(const std::vector<UsableAdapter>& chosen,
                                          const std::vector<UsableAdapter>& usableNow);
