#include "packet_info_send.h"

#include <sys/socket.h>

#include <cstring>

ssize_t SendWithPacketInfo(int socketHandle, const uint8_t* data, size_t size, const sockaddr_in& to,
                           int interfaceIndex, uint32_t sourceAddress) {
  iovec payload{const_cast<uint8_t*>(data), size};
  alignas(cmsghdr) uint8_t control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
  msghdr message{};
  message.msg_name = const_cast<sockaddr_in*>(&to);
  message.msg_namelen = sizeof to;
  message.msg_iov = &payload;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;

  cmsghdr* header = CMSG_FIRSTHDR(&message);
  header->cmsg_level = IPPROTO_IP;
  header->cmsg_type = IP_PKTINFO;
  header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
  in_pktinfo info{};
  info.ipi_ifindex = interfaceIndex;
  info.ipi_spec_dst.s_addr = sourceAddress;
  std::memcpy(CMSG_DATA(header), &info, sizeof info);

  return sendmsg(socketHandle, &message, 0);
}
