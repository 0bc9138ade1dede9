#include "tools/nvtsim/sim_verdict.h"

#include <arpa/inet.h>

#include <cstring>

#include "tools/nvtsim/sim_credential.h"

namespace {

constexpr uint32_t kAnyAddress = 0;
constexpr uint32_t kLimitedBroadcast = 0xFFFFFFFFu;

bool UsableStatic(const SimRequest& r) {
  if (r.ipAddress == kAnyAddress || r.ipAddress == kLimitedBroadcast) return false;
  return r.subnetMask != 0 && IsContiguousMask(r.subnetMask);
}

}  // namespace

bool IsContiguousMask(uint32_t networkOrder) {
  const uint32_t mask = ntohl(networkOrder);
  const uint32_t inverted = ~mask;
  return (inverted & (inverted + 1)) == 0;  // the host part is 0...01...1
}

SimVerdict JudgeRequest(const std::vector<SimDevice>& fleet, const SimRequest& request, uint32_t dhcpOffer) {
  SimVerdict verdict;
  if (request.kind == SimRequestKind::kSearch) return verdict;
  for (size_t i = 0; i < fleet.size(); ++i) {
    if (std::memcmp(fleet[i].mac, request.mac, 6) == 0) {
      verdict.device = static_cast<int>(i);
      break;
    }
  }
  if (verdict.device < 0) return verdict;
  const SimDevice& device = fleet[verdict.device];
  if (device.silent || device.ignoresChanges) {
    verdict.device = -1;
    return verdict;
  }
  if (!CredentialsMatch(request, device.userId, device.password)) {
    verdict.result = kSimResultBadCredentials;
    return verdict;
  }
  if (device.refusesChanges) {
    verdict.result = kSimResultRefused;
    return verdict;
  }
  if (request.kind != SimRequestKind::kSetNetwork) return verdict;

  SimDevice next = device;
  next.networkType = request.networkType;
  switch (request.networkType) {
    case 0:
      next.address = dhcpOffer;
      verdict.usedDhcpAddress = true;
      break;
    case 1:
      if (!UsableStatic(request)) {
        verdict.result = kSimResultRefused;
        return verdict;
      }
      next.address = request.ipAddress;
      next.subnetMask = request.subnetMask;
      next.gateway = request.gateway;
      next.dnsServer = request.dnsServer;
      break;
    default:
      next.pppoeText1 = request.pppoeText1;
      next.pppoeText2 = request.pppoeText2;
      next.pppoeText3 = request.pppoeText3;
      break;
  }
  verdict.moveTo = next;
  return verdict;
}
