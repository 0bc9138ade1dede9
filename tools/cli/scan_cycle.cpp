#include "tools/cli/scan_cycle.h"

#include <array>
#include <cstring>
#include <set>

#include "protocol/search_cycle.h"

ScanCycleResult RunScanCycle(const EncpEndpointSettings& settings, std::chrono::milliseconds length) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  ScanCycleResult result;
  EncpClient client;
  result.initResult = ENCPCLIENT_Init(&client, settings);
  result.receiveBufferShort = ENCPCLIENT_ReceiveBufferShort(client);
  result.receiveBufferGranted = client.receiveBufferGranted;
  const auto searchedAt = Clock::now();
  result.searchResult = client.ops.Search(&client);
  ReceiveSearchReplies(&client, start + length, [&](std::vector<DeviceInfo>&& batch) {
    result.replies.insert(result.replies.end(), batch.begin(), batch.end());
    result.lastReplyAfter = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - searchedAt);
  });
  client.ops.Close(&client);
  return result;
}

std::vector<DeviceInfo> UniqueByMac(const std::vector<DeviceInfo>& replies) {
  std::vector<DeviceInfo> unique;
  std::set<std::array<uint8_t, 6>> seen;
  for (const DeviceInfo& reply : replies) {
    std::array<uint8_t, 6> mac;
    std::memcpy(mac.data(), reply.mac, mac.size());
    if (seen.insert(mac).second) unique.push_back(reply);
  }
  return unique;
}
