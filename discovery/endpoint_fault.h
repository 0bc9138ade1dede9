// What the operator is told when a task cannot open its endpoint (usually
// another program holds the local port) or the system discarded replies to a
// full receive buffer.
//
// Invariants: a search still goes out when the bind failed; a change never
// does, as the device's answer would go to the other program and leave the
// change unverified. OpenFaultAfterInit reads errno, so it must run right
// after the endpoint's initialisation, on the same thread.
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
