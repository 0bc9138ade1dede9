#include "encp_client.h"

#include <arpa/inet.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "datagram_sender.h"
#include "encp_codec.h"
#include "secret_wipe.h"

namespace {

constexpr char kNotValidSocket[] =
    "ENCPCLIENT_SetNetwork : Not valid socket, initialize ENCP before use this function.\n";
constexpr char kInvalidNetworkType[] = "ENCPCLIENT_SetNetwork : Invalid network type.\n";

constexpr EncpOperations kOperations = {
    ENCPCLIENT_Close,         ENCPCLIENT_Wait,   ENCPCLIENT_RecvSearchReply, ENCPCLIENT_RecvSearchReplies,
    ENCPCLIENT_RecvResult,    ENCPCLIENT_Search, ENCPCLIENT_SetNetwork,      ENCPCLIENT_SetNetworkTexts,
    ENCPCLIENT_SetCredential,
};

// Datagrams taken by one recvmmsg call: about 70 KiB of slots on the
// caller's stack, and a burst of thousands costs a few dozen calls.
constexpr size_t kDatagramsPerCall = 64;

// Best effort: the forced variant passes the system's ceiling when the
// process may (root); otherwise the ordinary one gets what the ceiling allows.
void EnlargeReceiveBuffer(int socketHandle, int bytes) {
  if (bytes <= 0) return;
  if (setsockopt(socketHandle, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) == 0) return;
  setsockopt(socketHandle, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

int GrantedReceiveBuffer(int socketHandle) {
  int reported = 0;
  socklen_t length = sizeof reported;
  if (getsockopt(socketHandle, SOL_SOCKET, SO_RCVBUF, &reported, &length) != 0) return 0;
  return reported / 2;
}

int32_t SendRequest(EncpClient* client, const uint8_t* request, int length) {
  if (length < 0) return -1;
  const bool sent =
      SendEncpDatagram(client->socketHandle, request, static_cast<size_t>(length), client->settings.destinationAddress,
                       client->settings.devicePort, client->sendInterface, client->settings.adapters);
  return sent ? 0 : -1;
}

bool HasValidSocket(const EncpClient* client) {
  if (client->socketHandle >= 0) return true;
  std::fputs(kNotValidSocket, stderr);
  return false;
}

// One received datagram in a buffer of the protocol's fixed size. `size` is
// the datagram's real size, which exceeds the buffer when the datagram was
// cut; such a datagram must never be decoded as if whole.
struct Received {
  uint8_t bytes[kEncpReceiveBufferSize];
  ssize_t size;
  uint32_t sender;         // network byte order
  int32_t interfaceIndex;  // 0 when the system did not say
  sockaddr_in from;
  alignas(cmsghdr) uint8_t control[CMSG_SPACE(sizeof(in_pktinfo))];
  iovec payload;

  bool truncated() const { return size > static_cast<ssize_t>(sizeof bytes); }

  // Points `message` at this slot's buffers for one receive call.
  void Prepare(msghdr& message) {
    from = {};
    payload = {bytes, sizeof bytes};
    message = {};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &payload;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
  }

  // Takes the outcome of the receive call: `received` is its length (with
  // MSG_TRUNC the real one) or -1.
  void Finish(msghdr& message, ssize_t received) {
    size = received;
    sender = from.sin_addr.s_addr;
    interfaceIndex = 0;
    if (size < 0) return;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
      if (header->cmsg_level != IPPROTO_IP || header->cmsg_type != IP_PKTINFO) continue;
      in_pktinfo info;
      std::memcpy(&info, CMSG_DATA(header), sizeof info);
      interfaceIndex = info.ipi_ifindex;
    }
  }
};

void Receive(const EncpClient* client, Received& datagram) {
  std::memset(datagram.bytes, 0, sizeof datagram.bytes);
  msghdr message;
  datagram.Prepare(message);
  datagram.Finish(message, recvmsg(client->socketHandle, &message, MSG_TRUNC));
}

// A datagram heard on an adapter the operator did not choose is no reply.
int32_t DecodeReceivedSearchReply(const EncpClient* client, const Received& datagram, DeviceInfo& device) {
  if (!ENCPCLIENT_AdapterAllowed(client->settings, datagram.interfaceIndex)) return -1;
  if (datagram.truncated()) return DecodeOversizedSearchReply(datagram.bytes, sizeof datagram.bytes);
  const int32_t result = DecodeSearchReply(datagram.bytes, static_cast<size_t>(datagram.size), datagram.sender, device);
  if (result == 1) device.interfaceIndex = datagram.interfaceIndex;
  return result;
}

}  // namespace

int32_t ENCPCLIENT_Init(EncpClient* client) {
  client->ops = kOperations;
  client->socketHandle = -1;

  client->socketHandle = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (client->socketHandle < 0) return -1;

  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(client->settings.localPort);
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  if (bind(client->socketHandle, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return -1;

  const int enable = 1;
  if (setsockopt(client->socketHandle, SOL_SOCKET, SO_BROADCAST, &enable, sizeof enable) != 0) {
    return -1;
  }
  EnlargeReceiveBuffer(client->socketHandle, client->settings.receiveBufferBytes);
  client->receiveBufferGranted = GrantedReceiveBuffer(client->socketHandle);
  // Without it replies still arrive, only with their interface unknown.
  setsockopt(client->socketHandle, IPPROTO_IP, IP_PKTINFO, &enable, sizeof enable);
  return 0;
}

int32_t ENCPCLIENT_Init(EncpClient* client, const EncpEndpointSettings& settings) {
  client->settings = settings;
  return ENCPCLIENT_Init(client);
}

int32_t ENCPCLIENT_Close(EncpClient* client) {
  // Descriptor 0 is a valid socket here, so anything non-negative is open.
  if (client->socketHandle >= 0) {
    close(client->socketHandle);
    client->socketHandle = -1;
  }
  return 0;
}

int32_t ENCPCLIENT_Wait(EncpClient* client, int32_t seconds, int32_t microseconds) {
  // poll() rather than select(): a descriptor numbered FD_SETSIZE or more,
  // ordinary in a process holding many files, is waited on like any other.
  // The diagnostics keep their "select" prefix: their texts are fixed.
  const int handle = client->socketHandle;
  if (handle < 0) {
    std::fprintf(stderr, "select: socket %d cannot be waited on\n", handle);
    return -1;
  }
  // Refused as select() refused it; to poll() a negative wait is endless.
  if (seconds < 0 || microseconds < 0 || microseconds >= 1000000) {
    std::fprintf(stderr, "select failed: %s\n", std::strerror(EINVAL));
    return -1;
  }
  // Rounded up, so a wait of a few microseconds still yields the thread.
  const long long milliseconds = seconds * 1000LL + (microseconds + 999) / 1000;
  pollfd readable{handle, POLLIN, 0};
  const int ready = poll(&readable, 1, static_cast<int>(std::min<long long>(milliseconds, INT_MAX)));
  if (ready < 0 || (ready > 0 && (readable.revents & POLLNVAL) != 0)) {
    std::fprintf(stderr, "select failed: %s\n", std::strerror(ready < 0 ? errno : EBADF));
    return -1;
  }
  return ready > 0 ? 1 : 0;
}

int32_t ENCPCLIENT_RecvSearchReply(EncpClient* client) {
  Received datagram;
  Receive(client, datagram);
  if (datagram.size < 0) return -1;
  return DecodeReceivedSearchReply(client, datagram, client->lastReply);
}

int32_t ENCPCLIENT_RecvSearchReplies(EncpClient* client, std::vector<DeviceInfo>* devices, size_t maxDatagrams) {
  const unsigned count = static_cast<unsigned>(std::min(maxDatagrams, kDatagramsPerCall));
  if (count == 0) return 0;
  Received slots[kDatagramsPerCall];
  mmsghdr messages[kDatagramsPerCall];
  for (unsigned i = 0; i < count; ++i) slots[i].Prepare(messages[i].msg_hdr);
  const int received = recvmmsg(client->socketHandle, messages, count, MSG_DONTWAIT | MSG_TRUNC, nullptr);
  if (received < 0) return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
  for (int i = 0; i < received; ++i) {
    Received& datagram = slots[i];
    datagram.Finish(messages[i].msg_hdr, static_cast<ssize_t>(messages[i].msg_len));
    DeviceInfo device;
    if (DecodeReceivedSearchReply(client, datagram, device) == 1) devices->push_back(device);
  }
  return received;
}

bool ENCPCLIENT_AdapterAllowed(const EncpEndpointSettings& settings, int32_t interfaceIndex) {
  const std::vector<int32_t>& allowed = settings.adapters;
  return allowed.empty() || std::find(allowed.begin(), allowed.end(), interfaceIndex) != allowed.end();
}

bool ENCPCLIENT_ReceiveBufferShort(const EncpClient& client) {
  const int asked = client.settings.receiveBufferBytes;
  // A granted size of 0 is unknown (no socket), not a buffer of 0 bytes.
  return asked > 0 && client.receiveBufferGranted > 0 && client.receiveBufferGranted < asked;
}

int64_t ENCPCLIENT_DroppedDatagrams(const EncpClient& client) {
  if (client.socketHandle < 0) return -1;
  uint32_t memory[SK_MEMINFO_VARS] = {};
  socklen_t length = sizeof memory;
  if (getsockopt(client.socketHandle, SOL_SOCKET, SO_MEMINFO, memory, &length) != 0) return -1;
  if (length < (SK_MEMINFO_DROPS + 1) * sizeof memory[0]) return -1;
  return memory[SK_MEMINFO_DROPS];
}

int32_t ENCPCLIENT_RecvResult(EncpClient* client) {
  Received datagram;
  Receive(client, datagram);
  if (datagram.size < 0) return -1;
  if (!ENCPCLIENT_AdapterAllowed(client->settings, datagram.interfaceIndex)) {
    client->lastResult = ResultReply{};
    return -1;
  }
  // A cut datagram keeps its header bytes, but its length never matches.
  const size_t kept = datagram.truncated() ? sizeof datagram.bytes : static_cast<size_t>(datagram.size);
  client->lastResult = DecodeResultDatagram(datagram.bytes, kept);
  if (datagram.truncated()) client->lastResult.code = -1;
  client->lastResult.sourceAddress = datagram.sender;
  client->lastResult.interfaceIndex = datagram.interfaceIndex;
  client->lastResult.searchReplyDecoded =
      client->lastResult.isSearchReply && DecodeReceivedSearchReply(client, datagram, client->lastReply) == kDecoded;
  return client->lastResult.code;
}

int32_t ENCPCLIENT_Search(EncpClient* client) {
  uint8_t request[kEncpSearchRequestSize];
  if (SendRequest(client, request, EncodeSearchRequest(request)) == 0) return 0;
  // The caller names the cause, so errno must survive the console text.
  const int error = errno;
  std::fputs("broadcast error\n", stderr);
  errno = error;
  return -1;
}

int32_t ENCPCLIENT_SetNetwork(EncpClient* client, const NetworkSettingRequest* request) {
  if (!HasValidSocket(client)) return -1;
  if (request->networkType < kNetworkDhcp || request->networkType > kNetworkPppoe) {
    std::fputs(kInvalidNetworkType, stderr);
    return -1;
  }
  uint8_t encoded[kEncpMaxRequestSize];
  WipeOnExit wipe(encoded);
  return SendRequest(client, encoded, EncodeSetNetworkRequest(*request, encoded, sizeof encoded));
}

int32_t ENCPCLIENT_SetNetworkTexts(EncpClient* client, const NetworkTextsRequest* request) {
  if (!HasValidSocket(client)) return -1;
  uint8_t encoded[kEncpMaxRequestSize];
  WipeOnExit wipe(encoded);
  return SendRequest(client, encoded, EncodeNetworkTextsRequest(*request, encoded, sizeof encoded));
}

int32_t ENCPCLIENT_SetCredential(EncpClient* client, const CredentialRequest* request) {
  if (!HasValidSocket(client)) return -1;
  uint8_t encoded[kEncpMaxRequestSize];
  WipeOnExit wipe(encoded);
  return SendRequest(client, encoded, EncodeCredentialRequest(*request, encoded, sizeof encoded));
}
