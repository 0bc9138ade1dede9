#include "tools/cli/scan_cycle.h"

#include <cstring>

ScanCycleResult RunScanCycle(const EncpEndpointSettings& settings, std::chrono::milliseconds length) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  ScanCycleResult result;
  EncpClient client;
  result.initResult = ENCPCLIENT_Init(&client, settings);
  const auto searchedAt = Clock::now();
  result.searchResult = client.ops.Search(&client);
  while (Clock::now() - start < length) {
    if (client.ops.Wait(&client, 0, 1) == 1 && client.ops.RecvSearchReply(&client) == 1) {
      result.replies.push_back(client.lastReply);
      result.lastReplyAfter = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - searchedAt);
    }
  }
  client.ops.Close(&client);
  return result;
}

std::vector<DeviceInfo> UniqueByMac(const std::vector<DeviceInfo>& replies) {
  std::vector<DeviceInfo> unique;
  for (const DeviceInfo& reply : replies) {
    bool seen = false;
    for (const DeviceInfo& kept : unique) seen = seen || std::memcmp(kept.mac, reply.mac, 6) == 0;
    if (!seen) unique.push_back(reply);
  }
  return unique;
}
