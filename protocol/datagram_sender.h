// Sends one request datagram to the devices.
//
// A request for the limited broadcast address (255.255.255.255) leaves
// through every up, broadcast-capable, non-loopback IPv4 interface, not only
// through the one the routing table would pick: a PC attached to several
// networks must find the devices on all of them, and a device whose address
// lies outside every local subnet is still reached because a limited
// broadcast is never routed. Each copy names its outgoing interface in an
// IP_PKTINFO control message, so the one socket bound to the local port does
// the sending and receives every reply. When no such interface exists the
// datagram is sent once, plainly, and the system decides.
//
// A caller that names the adapters it may use (`allowed`, not empty) gets a
// limited broadcast through those only: through each of them when no
// interface is named, through the named one only when it is among them, and
// never a plain send that would leave the choice to routing.
//
// Any other destination (a loopback address in tests, a directed broadcast)
// gets one plain send. The interface list is read into a fixed array on the
// stack: sending never allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// `destination` in network byte order, `port` in host order. A non-zero
// `interfaceIndex` sends a limited broadcast through that interface only.
// True when at least one copy of the datagram was sent whole.
bool SendEncpDatagram(int socketHandle, const uint8_t* data, size_t size, uint32_t destination, uint16_t port,
                      int interfaceIndex = 0, std::span<const int32_t> allowed = {});
