// A batch by address range: which ticked device gets which address, worked
// out before anything is sent, so the window, its viewer and the
// command-line client all run and show the same plan through the change engine.
//
// The ticked devices get Start, Start + 1, ... in the order given (the
// window's list order). An address is passed over when a device that this run
// does not re-address holds it (an unticked device of the list), when it is the
// network or broadcast address of the subnet, or when it is the gateway or
// DNS server typed for the run: each of these belongs to a host that would
// then share its address with a device. Every device gets the same mask,
// gateway and DNS server.
//
// A plan is refused, and then has no lines, when the mask is not contiguous,
// the end lies below the start, start or end lie outside the subnet, or the
// range holds fewer usable addresses than there are devices: a refused plan
// sends nothing, where a partial one would leave devices half re-addressed.
// The subnet is the gateway's under the mask; with the gateway 0.0.0.0
// ("none"), the start's. DHCP uses no range and is never refused: every
// device is switched to DHCP, its line's addresses 0.0.0.0.
//
// A range belongs to the network of the PC's adapter whose subnet holds it.
// A ticked device heard on another adapter is on another network: an
// address of this range would strand it where nobody reaches it, so it gets
// none and is listed as "other network" instead, and nothing is sent to it.
// When no adapter's subnet holds the range (the devices move to a new
// subnet), the operator must have said which devices go: the window plans
// its ticked rows when one adapter heard them all, the command line the
// devices it named by MAC or by adapter; otherwise the plan is refused.
// Devices whose adapter is unknown are never called another network.
//
// Plain C++ over values, no Qt and no inventory lock; addresses are in
// network byte order, as the records keep them. The work is linear in the
// devices and the addresses in use, whatever the size of the range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "batch/address_list_check.h"
#include "batch/batch_run.h"
#include "protocol/usable_adapters.h"

struct RangeSettings {
  int32_t networkType = kNetworkStatic;  // kNetworkStatic or kNetworkDhcp
  uint32_t start = 0;
  uint32_t end = 0;
  uint32_t subnetMask = 0;
  uint32_t gateway = 0;  // 0.0.0.0: none
  uint32_t dnsServer = 0;
};

enum class RangeRefusal {
  kNone,
  kMaskNotContiguous,
  kEndBelowStart,
  kStartOutsideSubnet,
  kEndOutsideSubnet,
  kTooFewAddresses,
  kNoAdapterHoldsRange,       // and the devices were not named
  kDevicesOnSeveralAdapters,  // no adapter holds it, the ticked rows span adapters
};

// How the devices of a range were picked, which decides a range that no
// adapter's subnet holds.
enum class RangeDevices {
  kTickedRows,    // planned when one adapter heard them all
  kNamedDevices,  // by MAC or by adapter: planned
  kAllFound,      // refused
};

struct RangePlan {
  // One line per device, in the devices' order, its texts filled as a file
  // line's would be; empty when refused.
  std::vector<BatchLine> lines;
  RangeRefusal refusal = RangeRefusal::kNone;
  // The usable addresses of the whole range (0 with DHCP or a refusal
  // before counting), and the devices that need one each.
  size_t usableAddresses = 0;
  size_t devices = 0;
  // Ticked devices heard on another adapter than the range's, in the
  // devices' order; they get no line.
  std::vector<MacAddress> otherNetwork;
};

// The ticked devices get the range in the order given; every other device
// keeps its address, which the range then passes over. `adapters` are the
// PC's usable adapters, whose subnets place the range.
RangePlan PlanAddressRange(const RangeSettings& settings, const std::vector<ListedDevice>& devices,
                           const std::vector<UsableAdapter>& adapters, RangeDevices picked);

// The plan as the lines of a file, for the viewer's and the dry run's check.
AddressListLines PlannedLines(const std::vector<BatchLine>& lines);

// Why a plan was refused, for a message box; empty for a plan that was not.
std::string RangeRefusalText(const RangeSettings& settings, const RangePlan& plan);
