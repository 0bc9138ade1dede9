// One UDP datagram sent with an IP_PKTINFO control message naming the interface it leaves through
// and, if wanted, its source address, so one socket bound to one port sends everything and still
// receives every answer. It sends once and returns sendmsg's result with errno untouched: what
// counts as sent and whether to retry stay with the caller. Nothing is allocated. Plain POSIX, no
// Qt; the simulator links it too.
#pragma once

#include <netinet/in.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// `interfaceIndex` 0 leaves the interface to routing; `sourceAddress`
// (network byte order) 0 leaves the source to the system.
ssize_t SendWithPacketInfo(int socketHandle, const uint8_t* data, size_t size, const sockaddr_in& to,
                           int interfaceIndex, uint32_t sourceAddress);
