// The client's words for a request that never left the PC. A held port is
// said once, naming the port and that nothing was sent, and nothing else is
// said after it: an empty search result then proves nothing about the
// devices, so no advice drawn from it (a small receive buffer, a device that
// did not answer, a line whose device is not listed) may follow.
#pragma once

#include <cstdint>
#include <string>

// For an endpoint that could not be opened on `port`; `error` is its errno
// (EADDRINUSE: another program holds the port).
std::string PortUnavailableText(uint16_t port, int error);

// For a search whose first request could not be sent (no route, no address).
std::string SearchNotSentText(int error);
