#include "tools/nvtsim/sim_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "protocol/address_text.h"
#include "protocol/packet_info_send.h"
#include "tools/nvtsim/sim_addresses.h"
#include "tools/nvtsim/sim_reply.h"
#include "tools/nvtsim/sim_verdict.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kLoopbackNet = 0x7F000000u;  // host order
constexpr uint32_t kLoopbackMask = 0xFF000000u;
constexpr int kRepliesPerPause = 16;
constexpr auto kPacingPause = std::chrono::microseconds(200);
constexpr int kSendRetries = 1000;
constexpr auto kLongestPoll = std::chrono::milliseconds(50);

bool IsLoopback(uint32_t networkOrder) { return (ntohl(networkOrder) & kLoopbackMask) == kLoopbackNet; }

}  // namespace

SimServer::SimServer(SimConfig config) : config_(std::move(config)), random_(config_.seed) {
  uint32_t highest = 0;
  for (const SimDevice& d : config_.fleet) highest = std::max(highest, ntohl(d.address));
  nextDhcp_ = config_.dhcpFirst != 0 ? ntohl(config_.dhcpFirst) : highest + 1;
}

SimServer::~SimServer() {
  if (socket_ >= 0) close(socket_);
}

bool SimServer::Open(std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (broadcastMode()) {
    if (!InNamedNetworkNamespace())
      return fail("broadcast mode runs only inside a private network namespace (ip netns exec ...)");
    addresses_ = std::make_unique<InterfaceAddresses>(config_.broadcastInterface);
    if (addresses_->interfaceIndex() == 0) return fail("no interface " + config_.broadcastInterface);
  } else {
    for (const SimDevice& d : config_.fleet) {
      if (!IsLoopback(d.address))
        return fail("loopback mode needs every device address in 127.0.0.0/8, not " + DottedAddressText(d.address));
    }
    if (config_.listenAddress == 0) config_.listenAddress = htonl(INADDR_LOOPBACK);
    if (!IsLoopback(config_.listenAddress)) return fail("loopback mode listens on 127.0.0.0/8 only");
  }

  socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (socket_ < 0) return fail(std::string("socket: ") + std::strerror(errno));
  const int one = 1;
  if (broadcastMode() && setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0)
    return fail(std::string("SO_BROADCAST: ") + std::strerror(errno));

  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(config_.devicePort);
  local.sin_addr.s_addr = config_.listenAddress;
  if (bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
    return fail("bind to port " + std::to_string(config_.devicePort) + ": " + std::strerror(errno));
  socklen_t length = sizeof local;
  getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length);
  port_ = ntohs(local.sin_port);

  if (broadcastMode()) {
    std::vector<uint32_t> addresses;
    for (const SimDevice& d : config_.fleet) addresses.push_back(d.address);
    if (!addresses_->Add(addresses, error)) return false;
  }
  return true;
}

void SimServer::Run(const std::atomic<bool>& stop, Clock::time_point deadline) {
  std::vector<uint8_t> buffer(kSimMaxDatagram);
  while (!stop.load() && Clock::now() < deadline) {
    SendDueAnswers();
    ApplyDueMoves();
    auto wait = std::min<Clock::duration>(kLongestPoll, deadline - Clock::now());
    for (const PendingMove& m : moves_) wait = std::min<Clock::duration>(wait, m.due - Clock::now());
    for (const PendingAnswer& a : lateAnswers_) wait = std::min<Clock::duration>(wait, a.due - Clock::now());
    const int waitMs =
        static_cast<int>(std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::milliseconds>(wait).count()));

    pollfd entry{socket_, POLLIN, 0};
    if (poll(&entry, 1, waitMs) <= 0) continue;
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t n =
        recvfrom(socket_, buffer.data(), buffer.size(), MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (n < 0) continue;
    HandleDatagram(buffer.data(), static_cast<size_t>(n), from);
  }
}

void SimServer::HandleDatagram(const uint8_t* data, size_t size, const sockaddr_in& from) {
  SimRequest request;
  // In loopback mode nothing outside the machine is ever answered.
  const bool acceptable = broadcastMode() || IsLoopback(from.sin_addr.s_addr);
  if (!acceptable || !ParseSimRequest(data, size, request)) {
    ++counters_.ignored;
    return;
  }
  if (request.kind != SimRequestKind::kSearch && Lost(config_.loseRequests)) {
    ++counters_.ignored;
    return;
  }
  ++counters_.requests;
  LogRequest(request);
  if (request.kind == SimRequestKind::kSearch)
    AnswerSearch(from);
  else
    AnswerChange(request, from);
}

// Flushed line by line: tests read it while the simulator runs.
void SimServer::LogRequest(const SimRequest& request) {
  if (config_.requestLog.empty()) return;
  FILE* log = std::fopen(config_.requestLog.c_str(), "a");
  if (log == nullptr) return;
  if (request.kind == SimRequestKind::kSearch) {
    std::fputs("search\n", log);
  } else {
    const uint8_t* m = request.mac;
    std::fprintf(log, "change %02X:%02X:%02X:%02X:%02X:%02X\n", m[0], m[1], m[2], m[3], m[4], m[5]);
  }
  std::fclose(log);
}

void SimServer::AnswerSearch(const sockaddr_in& requester) {
  if (config_.junk && !config_.fleet.empty()) {
    for (const std::vector<uint8_t>& d : MakeJunkDatagrams())
      Send(d.data(), d.size(), config_.fleet.front().address, requester);
  }
  uint8_t reply[kSimMaxDatagram];
  int sinceLastPause = 0;
  for (size_t i = 0; i < config_.fleet.size(); ++i) {
    const SimDevice& device = config_.fleet[i];
    if (device.silent) continue;
    const size_t size = EncodeSimSearchReply(Reported(i), reply, sizeof reply);
    const int copies = config_.duplicateReplies ? 2 : 1;
    for (int c = 0; c < copies; ++c) Send(reply, size, device.address, requester);
    if (!config_.burst && ++sinceLastPause == kRepliesPerPause) {
      sinceLastPause = 0;
      std::this_thread::sleep_for(kPacingPause);
    }
  }
}

void SimServer::AnswerChange(const SimRequest& request, const sockaddr_in& requester) {
  const SimVerdict verdict = JudgeRequest(config_.fleet, request, htonl(nextDhcp_));
  if (verdict.device < 0) return;
  if (verdict.usedDhcpAddress) ++nextDhcp_;
  if (config_.fleet[verdict.device].answersLate) {
    lateAnswers_.push_back({Clock::now() + kLateAnswerDelay, static_cast<size_t>(verdict.device), verdict, requester});
    return;
  }
  SendVerdict(verdict, requester);
}

void SimServer::SendDueAnswers() {
  const auto now = Clock::now();
  for (auto it = lateAnswers_.begin(); it != lateAnswers_.end();) {
    if (it->due > now) {
      ++it;
      continue;
    }
    const PendingAnswer answer = *it;
    it = lateAnswers_.erase(it);
    SendVerdict(answer.verdict, answer.requester);
  }
}

void SimServer::SendVerdict(const SimVerdict& verdict, const sockaddr_in& requester) {
  const SimDevice& device = config_.fleet[verdict.device];
  uint8_t reply[16];
  const size_t size = EncodeSimResultReply(verdict.result, device.selector, reply, sizeof reply);
  const int copies = device.acceptsQuietly ? 0 : config_.duplicateReplies ? 2 : 1;
  for (int c = 0; c < copies; ++c) Send(reply, size, device.address, requester);
  if (config_.verbose) {
    std::fprintf(stderr, "nvtsim: %s answers %u to a change request\n", device.model.c_str(), verdict.result);
  }
  if (!verdict.moveTo) return;
  if (device.vanishesAfterChange) {
    config_.fleet[verdict.device].silent = true;
    return;
  }
  moves_.push_back({Clock::now() + config_.moveDelay, static_cast<size_t>(verdict.device), *verdict.moveTo});
}

void SimServer::ApplyDueMoves() {
  const auto now = Clock::now();
  const bool anyDue = std::any_of(moves_.begin(), moves_.end(), [&](const PendingMove& m) {
    return m.due + (broadcastMode() ? kMoveBatchWindow : Clock::duration::zero()) <= now;
  });
  if (!anyDue) return;
  std::vector<uint32_t> added, left;
  for (auto it = moves_.begin(); it != moves_.end();) {
    if (it->due > now) {
      ++it;
      continue;
    }
    SimDevice& device = config_.fleet[it->device];
    left.push_back(device.address);
    device = it->next;
    added.push_back(device.address);
    if (!broadcastMode() && !IsLoopback(device.address)) {
      std::fprintf(stderr, "nvtsim: %s moved to %s, outside loopback; it can no longer answer\n", device.model.c_str(),
                   DottedAddressText(device.address).c_str());
    }
    it = moves_.erase(it);
  }
  if (!broadcastMode()) return;
  std::string error;
  if (!addresses_->Add(added, &error)) std::fprintf(stderr, "nvtsim: %s\n", error.c_str());
  std::erase_if(left, [&](uint32_t old) {
    return std::any_of(config_.fleet.begin(), config_.fleet.end(),
                       [&](const SimDevice& d) { return d.address == old; });
  });
  addresses_->Remove(left);
}

bool SimServer::Lost(double chance) {
  return chance > 0 && std::uniform_real_distribution<double>(0, 1)(random_) < chance;
}

SimDevice SimServer::Reported(size_t device) const {
  if (!config_.reportBeforeMove) return config_.fleet[device];
  for (const PendingMove& move : moves_) {
    if (move.device != device) continue;
    SimDevice applying = move.next;
    applying.address = config_.fleet[device].address;
    return applying;
  }
  return config_.fleet[device];
}

bool SimServer::Send(const uint8_t* data, size_t size, uint32_t sourceAddress, const sockaddr_in& requester) {
  if (Lost(config_.loseAnswers)) return false;
  sockaddr_in to = requester;
  if (broadcastMode()) {
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    to.sin_port = htons(config_.replyPort);
  } else if (!IsLoopback(sourceAddress)) {
    ++counters_.sendFailures;
    return false;
  }

  const int interfaceIndex = broadcastMode() ? addresses_->interfaceIndex() : 0;
  int retries = 0;
  while (SendWithPacketInfo(socket_, data, size, to, interfaceIndex, sourceAddress) < 0) {
    // A full queue in burst mode: wait a little for room rather than drop.
    const bool transient = errno == ENOBUFS || errno == EAGAIN || errno == EINTR;
    if (transient && ++retries < kSendRetries) {
      std::this_thread::yield();
      continue;
    }
    ++counters_.sendFailures;
    return false;
  }
  ++counters_.repliesSent;
  return true;
}
