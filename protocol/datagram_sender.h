// Sends one request datagram to the devices. A limited broadcast (255.255.255.255) leaves through
// every up, broadcast-capable, non-loopback IPv4 interface, each copy naming its interface in
// IP_PKTINFO: a PC on several networks finds the devices of all of them, a device outside every
// local subnet is reached since a limited broadcast is never routed, and the one socket bound to
// the local port receives every reply. Without such an interface it is sent once, plainly. With
// `allowed` adapters given it leaves through those only (through `interfaceIndex` only when that
// is among them), never as a plain send that would leave the choice to routing.
//
// Any other destination (loopback in tests, a directed broadcast) gets one plain send. Sending
// never allocates: the interface list is read into a fixed array on the stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// `destination` in network byte order, `port` in host order. A non-zero
// `interfaceIndex` sends a limited broadcast through that interface only.
// True when at least one copy of the datagram was sent whole.
bool SendEncpDatagram(int socketHandle, const uint8_t* data, size_t size, uint32_t destination, uint16_t port,
                      int interfaceIndex = 0, std::span<const int32_t> allowed = {});
