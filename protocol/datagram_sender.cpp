#include "datagram_sender.h"

#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <algorithm>
#include <cstring>

#include "encp_records.h"
#include "packet_info_send.h"

namespace {

// Enough for any desktop; interfaces beyond it are not sent through.
constexpr int kMaxInterfaces = 64;

bool SendPlain(int socketHandle, const uint8_t* data, size_t size, const sockaddr_in& to) {
  const ssize_t sent = sendto(socketHandle, data, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  return sent == static_cast<ssize_t>(size);
}

// Fills `indexes` with the distinct interface indexes that can carry a
// limited broadcast; returns how many. An interface with several IPv4
// addresses is listed once per address by the kernel, hence the de-duplication.
int BroadcastInterfaces(int socketHandle, int (&indexes)[kMaxInterfaces]) {
  ifreq entries[kMaxInterfaces];
  ifconf list{};
  list.ifc_len = sizeof entries;
  list.ifc_req = entries;
  if (ioctl(socketHandle, SIOCGIFCONF, &list) < 0) return 0;

  int count = 0;
  const int listed = list.ifc_len / static_cast<int>(sizeof(ifreq));
  for (int i = 0; i < listed; ++i) {
    ifreq query{};
    std::memcpy(query.ifr_name, entries[i].ifr_name, IFNAMSIZ);
    if (ioctl(socketHandle, SIOCGIFFLAGS, &query) < 0) continue;
    const int flags = query.ifr_flags;
    if (!(flags & IFF_UP) || !(flags & IFF_BROADCAST) || (flags & IFF_LOOPBACK)) continue;
    if (ioctl(socketHandle, SIOCGIFINDEX, &query) < 0) continue;

    bool known = false;
    for (int k = 0; k < count; ++k) known = known || indexes[k] == query.ifr_ifindex;
    if (!known) indexes[count++] = query.ifr_ifindex;
  }
  return count;
}

}  // namespace

bool SendEncpDatagram(int socketHandle, const uint8_t* data, size_t size, uint32_t destination, uint16_t port,
                      int interfaceIndex, std::span<const int32_t> allowed) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = destination;
  if (destination != kEncpBroadcastAddress) return SendPlain(socketHandle, data, size, to);
  const auto sendThrough = [&](int index) {
    return SendWithPacketInfo(socketHandle, data, size, to, index, INADDR_ANY) == static_cast<ssize_t>(size);
  };
  if (!allowed.empty()) {
    if (interfaceIndex != 0) {
      return std::find(allowed.begin(), allowed.end(), interfaceIndex) != allowed.end() && sendThrough(interfaceIndex);
    }
    bool anySent = false;
    for (const int32_t index : allowed) anySent = sendThrough(index) || anySent;
    return anySent;
  }
  if (interfaceIndex != 0) {
    return SendWithPacketInfo(socketHandle, data, size, to, interfaceIndex, INADDR_ANY) == static_cast<ssize_t>(size);
  }

  int indexes[kMaxInterfaces];
  const int interfaces = BroadcastInterfaces(socketHandle, indexes);
  if (interfaces == 0) return SendPlain(socketHandle, data, size, to);

  bool anySent = false;
  for (int i = 0; i < interfaces; ++i) {
    const ssize_t sent = SendWithPacketInfo(socketHandle, data, size, to, indexes[i], INADDR_ANY);
    anySent = sent == static_cast<ssize_t>(size) || anySent;
  }
  return anySent;
}
