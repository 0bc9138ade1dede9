// The PC's adapters as the endpoint may use them, and the operator's choice among them. Only an
// interface that is up, not loopback, with an IPv4 address and a broadcast address can carry the
// protocol, as every request is an IPv4 broadcast; each is listed once, with its first IPv4
// address, in interface-index order. A refused name comes with the list of usable adapters.
// Which adapter's subnet holds a range is decided here, so the plan and its views agree.
//
// The rules work on plain entries and are tested with fixtures; ReadInterfaceEntries() is the one
// place that reads the live system (the calling thread's network namespace). Plain C++, no Qt.
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
