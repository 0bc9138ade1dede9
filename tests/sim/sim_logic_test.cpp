// The simulator's device-side logic, checked against the client's encoder:
// the two were written separately, so agreement means both read the wire
// the same way. Also the devices' verdicts; malformed requests are left to the
// fuzz target, fleet files to every test that runs the simulator.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "protocol/encp_codec.h"
#include "tools/nvtsim/sim_fleet.h"
#include "tools/nvtsim/sim_request.h"
#include "tools/nvtsim/sim_verdict.h"

namespace {

uint32_t Ip(const char* text) { return inet_addr(text); }

const uint8_t kMac[6] = {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x07};

NetworkSettingRequest StaticRequest(const char* user = "root", const char* password = "kefo") {
  NetworkSettingRequest r{};
  std::memcpy(r.mac, kMac, 6);
  r.networkType = kNetworkStatic;
  std::memcpy(r.userId, user, std::min(std::strlen(user), sizeof r.userId));
  std::strncpy(r.password, password, sizeof r.password - 1);
  r.ipAddress = Ip("127.0.9.9");
  r.subnetMask = Ip("255.255.0.0");
  r.dnsServer = Ip("127.0.0.2");
  return r;
}

// The simulator's reading of what the client's encoder wrote.
SimRequest Parse(const NetworkSettingRequest& r) {
  uint8_t bytes[kEncpMaxRequestSize];
  const int size = EncodeSetNetworkRequest(r, bytes, sizeof bytes);
  SimRequest parsed;
  EXPECT_TRUE(size > 0 && ParseSimRequest(bytes, size_t(size), parsed));
  return parsed;
}

}  // namespace

TEST(SimRequestParser, ReadsWhatTheClientEncodes) {
  NetworkSettingRequest r = StaticRequest("operator");
  SimRequest parsed = Parse(r);
  EXPECT_EQ(parsed.kind, SimRequestKind::kSetNetwork);
  EXPECT_EQ(0, std::memcmp(parsed.mac, kMac, 6));
  EXPECT_STREQ(parsed.userId, "operator");  // 8 characters, no terminator on the wire
  EXPECT_EQ(parsed.dnsServer, Ip("127.0.0.2"));

  r.networkType = kNetworkPppoe;
  std::strcpy(r.pppoeText1, "isp-user");
  std::strcpy(r.pppoeText3, "pppoe-secret");
  r.pppoeFlag = 0x5A;
  parsed = Parse(r);
  EXPECT_EQ(parsed.networkType, 2);
  EXPECT_EQ(std::string(parsed.pppoeText1) + "|" + parsed.pppoeText2 + "|" + parsed.pppoeText3,
            "isp-user||pppoe-secret");
  EXPECT_EQ(parsed.pppoeFlag, 0x5A);

  uint8_t out[kEncpMaxRequestSize];
  const auto kindOf = [&](int size) {
    SimRequest request;
    EXPECT_TRUE(size > 0 && ParseSimRequest(out, size_t(size), request));
    return request.kind;
  };
  EXPECT_EQ(kindOf(EncodeSearchRequest(out)), SimRequestKind::kSearch);
  NetworkTextsRequest texts{};
  texts.text2 = "place";
  EXPECT_EQ(kindOf(EncodeNetworkTextsRequest(texts, out, sizeof out)), SimRequestKind::kSetTexts);
  const CredentialRequest credential{};
  EXPECT_EQ(kindOf(EncodeCredentialRequest(credential, out, sizeof out)), SimRequestKind::kSetCredential);
}

TEST(SimVerdict, ChecksCredentialsThenSettings) {
  std::vector<SimDevice> fleet(2);
  std::memcpy(fleet[1].mac, kMac, 6);
  const uint32_t offer = Ip("127.0.7.100");
  auto judge = [&](const NetworkSettingRequest& r) { return JudgeRequest(fleet, Parse(r), offer); };

  // Wrong logins (a cut and a lengthened password, another user), settings
  // no host can use, and the edge masks that are fine.
  const std::tuple<const char*, const char*, const char*, const char*, uint8_t> cases[] = {
      {"root", "kefo", "127.0.9.9", "255.255.0.0", kSimResultAccepted},
      {"root", "kef", "127.0.9.9", "255.255.0.0", kSimResultBadCredentials},
      {"root", "kefox", "127.0.9.9", "255.255.0.0", kSimResultBadCredentials},
      {"admin", "kefo", "127.0.9.9", "255.255.0.0", kSimResultBadCredentials},
      {"root", "kefo", "0.0.0.0", "255.255.0.0", kSimResultRefused},
      {"root", "kefo", "255.255.255.255", "255.255.0.0", kSimResultRefused},
      {"root", "kefo", "127.0.9.9", "255.0.255.0", kSimResultRefused},
      {"root", "kefo", "127.0.9.9", "0.0.0.0", kSimResultRefused},
      {"root", "kefo", "127.0.9.9", "255.255.255.253", kSimResultRefused},
      {"root", "kefo", "127.0.9.9", "255.255.255.255", kSimResultAccepted},
      {"root", "kefo", "127.0.9.9", "255.255.240.0", kSimResultAccepted},
  };
  for (const auto& [user, password, address, mask, result] : cases) {
    NetworkSettingRequest r = StaticRequest(user, password);
    r.ipAddress = Ip(address);
    r.subnetMask = Ip(mask);
    const SimVerdict v = judge(r);
    EXPECT_EQ(v.device, 1);
    EXPECT_EQ(v.result, result) << user << " " << password << " " << address << " " << mask;
    EXPECT_EQ(v.moveTo ? v.moveTo->address : 0, result == kSimResultAccepted ? r.ipAddress : 0);
  }

  NetworkSettingRequest dhcp = StaticRequest();
  dhcp.networkType = kNetworkDhcp;
  SimVerdict v = judge(dhcp);
  EXPECT_EQ(v.result, kSimResultAccepted);
  EXPECT_TRUE(v.usedDhcpAddress);
  EXPECT_EQ(v.moveTo->address, offer);
  EXPECT_EQ(v.moveTo->networkType, 0);

  NetworkSettingRequest stranger = StaticRequest();
  stranger.mac[5] = 0x99;
  EXPECT_EQ(judge(stranger).device, -1);
  fleet[1].silent = true;
  EXPECT_EQ(judge(StaticRequest()).device, -1);

  // A refusing device still tells a wrong password apart from a refusal.
  fleet[1].silent = false;
  fleet[1].refusesChanges = true;
  v = judge(dhcp);
  EXPECT_EQ(v.device, 1);
  EXPECT_EQ(v.result, kSimResultRefused);
  EXPECT_FALSE(v.moveTo.has_value());
  EXPECT_EQ(judge(StaticRequest("root", "nope")).result, kSimResultBadCredentials);
  fleet[1].refusesChanges = false;
  fleet[1].ignoresChanges = true;
  EXPECT_EQ(judge(StaticRequest()).device, -1);
}
