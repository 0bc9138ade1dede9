// The simulator's network side: one UDP socket on the device port that plays every device of the
// fleet. Loopback mode keeps everything on 127.0.0.0/8, ignores requests from anywhere else and
// answers from each device's own 127.x address. Broadcast mode puts the device addresses on an
// interface and answers with limited broadcasts; it refuses to run outside a private network
// namespace.
//
// One thread, one poll loop. Searches are answered in fleet order, lightly paced unless `burst`.
// An accepted change takes effect after `moveDelay`; until then the device answers from its old
// address.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tools/nvtsim/sim_fleet.h"
#include "tools/nvtsim/sim_request.h"
#include "tools/nvtsim/sim_verdict.h"

class InterfaceAddresses;

// A device that answers late holds its answer, and its move, this long.
inline constexpr std::chrono::milliseconds kLateAnswerDelay{1500};
// Broadcast mode makes moves due this close together at once: each change of the
// interface's addresses costs a run of `ip`.
inline constexpr std::chrono::milliseconds kMoveBatchWindow{20};

struct SimConfig {
  std::vector<SimDevice> fleet;
  uint16_t devicePort = 32154;     // 0: any free port (see SimServer::port)
  uint16_t replyPort = 32153;      // broadcast mode: where answers are broadcast
  uint32_t listenAddress = 0;      // network order; 0: 127.0.0.1 or, broadcast mode, any
  std::string broadcastInterface;  // empty: loopback mode
  bool burst = false;
  bool duplicateReplies = false;  // every search reply and change answer twice
  bool junk = false;              // malformed and foreign datagrams with every search answer
  std::chrono::milliseconds moveDelay{200};
  uint32_t dhcpFirst = 0;  // network order; 0: the address after the fleet's highest
  // Lossy LAN: the chance that a change request, or a datagram the devices
  // send, is lost, drawn from a generator seeded with `seed`.
  double loseRequests = 0;
  double loseAnswers = 0;
  uint32_t seed = 1;
  // While a change is applied the device already reports its new settings,
  // still from its old address.
  bool reportBeforeMove = false;
  bool verbose = false;
  std::string requestLog;  // empty: none
};

struct SimCounters {
  uint64_t requests = 0;
  uint64_t ignored = 0;
  uint64_t repliesSent = 0;
  uint64_t sendFailures = 0;
};

class SimServer {
 public:
  explicit SimServer(SimConfig config);
  ~SimServer();
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  // Binds the socket and, in broadcast mode, puts the addresses in place.
  bool Open(std::string* error);
  uint16_t port() const { return port_; }

  // Serves until `stop` is set or `deadline` passes.
  void Run(const std::atomic<bool>& stop, std::chrono::steady_clock::time_point deadline);

  // The fleet as it is now (addresses change after accepted requests).
  const std::vector<SimDevice>& fleet() const { return config_.fleet; }
  const SimCounters& counters() const { return counters_; }

 private:
  struct PendingMove {
    std::chrono::steady_clock::time_point due;
    size_t device;
    SimDevice next;
  };
  struct PendingAnswer {
    std::chrono::steady_clock::time_point due;
    size_t device;
    SimVerdict verdict;
    sockaddr_in requester;
  };

  bool broadcastMode() const { return !config_.broadcastInterface.empty(); }
  void HandleDatagram(const uint8_t* data, size_t size, const sockaddr_in& from);
  void LogRequest(const SimRequest& request);
  void AnswerSearch(const sockaddr_in& requester);
  void AnswerChange(const SimRequest& request, const sockaddr_in& requester);
  void SendVerdict(const SimVerdict& verdict, const sockaddr_in& requester);
  void SendDueAnswers();
  void ApplyDueMoves();
  bool Send(const uint8_t* data, size_t size, uint32_t sourceAddress, const sockaddr_in& requester);
  bool Lost(double chance);
  // The device as the next search reply shows it.
  SimDevice Reported(size_t device) const;

  SimConfig config_;
  int socket_ = -1;
  uint16_t port_ = 0;
  std::unique_ptr<InterfaceAddresses> addresses_;
  std::vector<PendingMove> moves_;
  std::vector<PendingAnswer> lateAnswers_;
  std::mt19937 random_;
  uint32_t nextDhcp_ = 0;  // host order
  SimCounters counters_;
};
