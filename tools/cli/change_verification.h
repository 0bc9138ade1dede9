// Waiting, from a shell, for accepted changes to show: the command-line
// counterpart of the window's re-scans after a change. The rule of what
// counts as changed is the window's own (AwaitedChanges: a static change
// from the address it gave, a DHCP change by any answer); only the loop is
// the client's: a search at once, then one every 3 seconds, start to start,
// until nothing is awaited or the time is up.
#pragma once

#include <chrono>
#include <map>

#include "protocol/encp_client.h"
#include "table/awaited_changes.h"

inline constexpr std::chrono::milliseconds kRescanPeriod{3000};

// Where each device was seen changed, by MAC; the awaited set keeps the rest.
std::map<MacAddress, uint32_t> WaitForChanges(AwaitedChanges& awaited, const EncpEndpointSettings& settings,
                                              std::chrono::milliseconds timeout);
