// What the operator is told when a task cannot open its endpoint, usually
// because another program holds the local port, or when the system discarded
// replies to a search because the receive buffer was full.
//
// Replies come back to the local port, so a task whose bind failed cannot
// hear them. A search still goes out (from a port the system picks, and
// whatever reaches that port is still taken), but the operator must learn
// why the list may stay empty. A change is never sent: the device would
// move while its answer went to the other program, an unverified change the
// operator never learns about.
//
// The cause is read from errno, so OpenFaultAfterInit must run right after
// the endpoint's initialisation, on the same thread, before any other call.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

struct EndpointFault {
  uint16_t localPort = 0;
  int errorNumber = 0;
};

// Empty when `initResult` says the endpoint opened.
std::optional<EndpointFault> OpenFaultAfterInit(int32_t initResult, uint16_t localPort);

// "UDP port 32153 cannot be used (Address already in use). ..." for the
// search; a change adds that nothing was sent.
QString EndpointFaultText(const EndpointFault& fault);
QString WithheldChangeText(const EndpointFault& fault);

// The list is incomplete, and the operator must not take it for the network:
// says how many replies were lost and how to stop the losses.
QString RepliesLostText(int64_t dropped);
