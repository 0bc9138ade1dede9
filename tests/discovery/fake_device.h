// A stand-in for devices in worker tests: a UDP socket on 127.0.0.1 that
// takes the worker's search request and answers its sender with hand-made
// datagrams, built here byte by byte rather than with the codec under test.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

inline std::vector<uint8_t> SearchReply(const uint8_t mac[6], const std::string& model, uint16_t webPort = 0,
                                        uint8_t version = 3) {
  std::vector<uint8_t> b = {'E', 'N', 'C', 'P', version, 0, 0, 5, 7};
  b.insert(b.end(), mac, mac + 6);
  b.push_back(1);     // static
  b.push_back(0xEE);  // not interpreted
  auto text = [&](const std::string& t) {
    b.push_back(static_cast<uint8_t>(t.size()));
    b.insert(b.end(), t.begin(), t.end());
  };
  text(model);
  text("");
  text("");
  b.insert(b.end(), {10, 0, 0, 5, 255, 255, 255, 0, 10, 0, 0, 1, 10, 0, 0, 2});
  text("");
  text("");
  text("");
  b.insert(b.end(), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x42});
  if (webPort != 0) b.insert(b.end(), {8, 2, static_cast<uint8_t>(webPort & 0xFF), static_cast<uint8_t>(webPort >> 8)});
  b[5] = static_cast<uint8_t>(b.size() & 0xFF);
  b[6] = static_cast<uint8_t>(b.size() >> 8);
  return b;
}

inline std::vector<uint8_t> ResultReply(uint8_t code) { return {'E', 'N', 'C', 'P', 3, 8, 0, code}; }

class UdpSocket {
 public:
  // Bound to 127.0.0.1:port (0 picks a free one).
  explicit UdpSocket(uint16_t port = 0) {
    fd_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
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
  std::vector<uint8_t> Receive(std::chrono::milliseconds timeout, sockaddr_in* from = nullptr) {
    pollfd readable{fd_, POLLIN, 0};
    if (poll(&readable, 1, static_cast<int>(timeout.count())) <= 0) return {};
    std::vector<uint8_t> buffer(2048);
    sockaddr_in sender{};
    socklen_t length = sizeof sender;
    const ssize_t got = recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&sender), &length);
    if (from != nullptr) *from = sender;
    buffer.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return buffer;
  }

  void SendTo(const sockaddr_in& to, const std::vector<uint8_t>& bytes) {
    sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }

 private:
  int fd_ = -1;
  bool bound_ = false;
  uint16_t port_ = 0;
};

// A port that was free on loopback a moment ago.
inline uint16_t FreeLoopbackPort() {
  UdpSocket probe;
  return probe.port();
}
