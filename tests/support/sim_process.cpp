#include "tests/support/sim_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <thread>

namespace tavrix::lab {
namespace {

constexpr auto kStopGrace = std::chrono::seconds(5);

uint16_t BindEphemeralUdp(int* fd) {
  *fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (*fd < 0 || bind(*fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(*fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return 0;
  return ntohs(address.sin_port);
}

}  // namespace

std::string NvtsimPath() { return TAVRIX_NVTSIM_PATH; }

SimProcess::~SimProcess() { Stop(); }

bool SimProcess::Start(const std::vector<std::string>& args, const std::string& netns, double lifetimeSeconds,
                       std::chrono::milliseconds readyTimeout) {
  std::vector<std::string> argv;
  if (!netns.empty()) argv = {"ip", "netns", "exec", netns};
  argv.push_back(NvtsimPath());
  argv.insert(argv.end(), args.begin(), args.end());
  argv.push_back("--lifetime");
  argv.push_back(std::to_string(lifetimeSeconds));
  std::vector<char*> raw;
  for (std::string& a : argv) raw.push_back(a.data());
  raw.push_back(nullptr);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    error_ = "pipe failed";
    return false;
  }
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ < 0) {
    error_ = "fork failed";
    return false;
  }
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    dup2(out[1], STDOUT_FILENO);
    execvp(raw[0], raw.data());
    _exit(127);
  }
  close(out[1]);

  std::string seen;
  const auto deadline = std::chrono::steady_clock::now() + readyTimeout;
  bool ready = false;
  while (!ready) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd entry{out[0], POLLIN, 0};
    if (poll(&entry, 1, static_cast<int>(left.count())) <= 0) continue;
    char buffer[256];
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    seen.append(buffer, static_cast<size_t>(n));
    const size_t at = seen.find("nvtsim ready port=");
    if (at != std::string::npos && seen.find('\n', at) != std::string::npos) {
      unsigned port = 0;
      std::sscanf(seen.c_str() + at, "nvtsim ready port=%u", &port);
      port_ = static_cast<uint16_t>(port);
      ready = true;
    }
  }
  close(out[0]);
  if (!ready) {
    error_ = "nvtsim did not become ready (see its stderr above); stdout: " + seen;
    Stop();
    return false;
  }
  return true;
}

int SimProcess::Stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
  pid_t done = 0;
  while ((done = waitpid(pid_, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (done == 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  pid_ = -1;
  return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

UdpPortPair FreeUdpPortPair() {
  int first = -1, second = -1;
  UdpPortPair pair;
  pair.local = BindEphemeralUdp(&first);
  pair.device = BindEphemeralUdp(&second);
  if (first >= 0) close(first);
  if (second >= 0) close(second);
  return pair;
}

}  // namespace tavrix::lab
