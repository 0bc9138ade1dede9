// One UDP datagram sent with an IP_PKTINFO control message, which names the
// interface it leaves through and, if wanted, its source address. That lets
// one socket bound to one port do all the sending and still receive every
// answer: the client puts a limited broadcast out of each interface in turn,
// the simulator answers from each device's own address.
//
// It only builds the message and sends it once. Policies differ and stay
// with the callers: the client counts a datagram sent only when it went out
// whole, the simulator retries while the send queue is full. So the result
// is sendmsg's own, with its errno untouched. Nothing is allocated. Plain
// POSIX, no Qt; the simulator links it (see protocol/CMakeLists.txt).
#pragma once

#include <netinet/in.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// `interfaceIndex` 0 leaves the interface to routing; `sourceAddress`
// (network byte order) 0 leaves the source to the system.
ssize_t SendWithPacketInfo(int socketHandle, const uint8_t* data, size_t size, const sockaddr_in& to,
                           int interfaceIndex, uint32_t sourceAddress);
