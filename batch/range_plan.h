// A batch by address range: which ticked device gets which address, worked out before anything is
// sent, so the window, its viewer and the command-line client run and show the same plan.
//
// The ticked devices get Start, Start + 1, ... in the order given, passing over every address that
// would make a device share its address with a host: one an unticked device holds, the subnet's
// network and broadcast addresses, the gateway and the DNS server. A refused plan has no lines and
// sends nothing: a partial one would leave devices half re-addressed. DHCP uses no range and is
// never refused. A ticked device heard on another adapter than the range's never gets one of its
// addresses, which would strand it; one whose adapter is unknown is never called another network.
//
// Plain C++ over values, no Qt and no inventory lock; addresses in network byte order. The work is
// linear in the devices and the addresses in use, whatever the size of the range.
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
