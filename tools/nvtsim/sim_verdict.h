// What a simulated device decides when a configuration request names it:
// the result code it answers and, when it accepts, the settings it moves to.
// Pure logic over the fleet, so the rules are tested without sockets.
//
//   - no device with that MAC, a silent one or one that ignores changes:
//     no answer at all;
//   - user ID or password wrong: result 2, nothing changes;
//   - a device that refuses changes: result 1 to every request it would
//     otherwise accept;
//   - static settings a host cannot use (address 0.0.0.0 or
//     255.255.255.255, a zero or non-contiguous mask): refusal, result 1;
//   - otherwise result 0 and the new settings: the static addresses, the
//     address a DHCP server would hand out, or PPPoE with the old address.
// Requests that set texts or credentials are checked and acknowledged but
// change nothing the simulator shows.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "tools/nvtsim/sim_fleet.h"
#include "tools/nvtsim/sim_request.h"

inline constexpr uint8_t kSimResultAccepted = 0;
inline constexpr uint8_t kSimResultRefused = 1;
inline constexpr uint8_t kSimResultBadCredentials = 2;

struct SimVerdict {
  int device = -1;  // index of the answering device; -1: nobody answers
  uint8_t result = kSimResultAccepted;
  std::optional<SimDevice> moveTo;  // the device as it will be after the change
  bool usedDhcpAddress = false;
};

bool IsContiguousMask(uint32_t networkOrder);

// `dhcpOffer` is the address the device takes if it is switched to DHCP.
SimVerdict JudgeRequest(const std::vector<SimDevice>& fleet, const SimRequest& request, uint32_t dhcpOffer);
