// A plain UDP socket on a loopback address standing in for a device (or
// holding a port) in tests; every port is a free one, so tests run beside
// anything else and nothing leaves the machine.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <vector>

class UdpSocket {
 public:
  // Bound to ip:port (port 0 picks a free one).
  explicit UdpSocket(uint16_t port = 0, const char* ip = "127.0.0.1") : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in address = Address(port, ip);
    bound_ = bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    socklen_t length = sizeof address;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~UdpSocket() { close(fd_); }
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  bool bound() const { return bound_; }
  uint16_t port() const { return port_; }

  // One datagram within `timeout`; empty on timeout.
  std::vector<uint8_t> Receive(std::chrono::milliseconds timeout = std::chrono::seconds(5),
                               sockaddr_in* from = nullptr) {
    pollfd readable{fd_, POLLIN, 0};
    if (poll(&readable, 1, static_cast<int>(timeout.count())) <= 0) return {};
    std::vector<uint8_t> buffer(65536);
    sockaddr_in sender{};
    socklen_t length = sizeof sender;
    const ssize_t got = recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&sender), &length);
    if (from != nullptr) *from = sender;
    buffer.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return buffer;
  }

  bool SendTo(const sockaddr_in& to, const std::vector<uint8_t>& bytes) {
    return sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) ==
           static_cast<ssize_t>(bytes.size());
  }
  bool SendTo(uint16_t port, const std::vector<uint8_t>& bytes) { return SendTo(Address(port), bytes); }

 private:
  static sockaddr_in Address(uint16_t port, const char* ip = "127.0.0.1") {
    return {.sin_family = AF_INET, .sin_port = htons(port), .sin_addr = {inet_addr(ip)}, .sin_zero = {}};
  }

  int fd_;
  bool bound_ = false;
  uint16_t port_ = 0;
};

// A port that was free on loopback a moment ago.
inline uint16_t FreeLoopbackPort() { return UdpSocket().port(); }
