// What a simulated device decides when a configuration request names it: the result it answers
// and, when it accepts, the settings it moves to. Pure logic, so the rules are tested without
// sockets. No answer: no device with that MAC, a silent one or one that ignores changes. Result 2:
// a wrong user ID or password. Result 1: a device that refuses changes, or static settings no host
// can use (0.0.0.0 or 255.255.255.255, a zero or non-contiguous mask). Otherwise result 0 and the
// new settings: the static ones, the DHCP offer, or PPPoE keeping the old address. Requests that
// set texts or credentials are checked and acknowledged but change nothing the simulator shows.
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
