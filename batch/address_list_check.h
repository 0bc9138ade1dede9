// The pre-flight check of an address list: what a batch would make of each line against the
// devices listed right now, before anything is sent. It only warns: the batch still sends to every
// usable line whose device is listed and ticked.
//
// Problems come most important first, in LineProblem's order; DHCP lines send no addresses and get
// only the first three. A gateway of 0.0.0.0 is "none", never outside the subnet. A listed device
// keeps its address unless a usable line gives it another, ticked or not: the check judges the
// file, and ticks decide only "not ticked". Free of Qt and of the inventory's lock (the caller
// passes a snapshot), so the window and the command-line client share it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "batch/address_list_file.h"

struct ListedDevice {
  std::array<uint8_t, 6> mac{};
  uint32_t sourceAddress = 0;  // network byte order
  bool ticked = false;
  int32_t interfaceIndex = 0;  // the adapter that heard it; 0 unknown
};

enum class LineProblem {
  kNotListed,
  kNotTicked,
  kMacTwice,
  kMaskNotContiguous,
  kGatewayOutsideSubnet,
  kAddressTwice,
  kAddressInUse,
};

struct LineCheck {
  std::vector<LineProblem> problems;  // most important first; none: ready
  std::array<uint8_t, 6> inUseBy{};   // with kAddressInUse
};

struct AddressListCheck {
  std::vector<LineCheck> lines;  // one per line of AddressListLines::lines
  // Usable lines by their most important problem.
  size_t ready = 0;
  size_t notListed = 0;
  size_t notTicked = 0;
  size_t warned = 0;
  size_t skipped = 0;  // unusable lines, also those not kept
};

// `devices` in row order: where two share a MAC or an address, the first
// one counts.
AddressListCheck CheckAddressList(const AddressListLines& file, const std::vector<ListedDevice>& devices);

// "ready", the problems joined by "; ", or an unusable line's reason.
std::string LineCheckText(const AddressListLine& line, const LineCheck& check);

// One line for the whole file, e.g.
// "12 usable lines: 9 ready, 1 not listed, 2 warnings; 1 line skipped".
std::string AddressListCheckSummary(const AddressListCheck& check);
