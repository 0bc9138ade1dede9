// The simulator's device-side logic against the client's encoder (written
// separately, so agreement means both read the wire alike), and verdicts.
// Malformed requests are the fuzz target's, fleet files every sim test's.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sstream>
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

// Who answers and with which result code (0 accepted, 1 refused, 2 a bad
// login), and where and how an accepted change leaves the device.
std::string Text(const SimVerdict& v) {
  std::ostringstream text;
  text << v.device << ' ' << int(v.result) << (v.usedDhcpAddress ? " by DHCP" : "");
  if (v.moveTo) text << " to " << inet_ntoa(in_addr{v.moveTo->address}) << " type " << int(v.moveTo->networkType);
  return v.device < 0 ? "nobody" : text.str();
}

}  // namespace

TEST(SimRequestParser, ReadsWhatTheClientEncodes) {
  NetworkSettingRequest r = StaticRequest("operator");
  SimRequest parsed = Parse(r);
  // The ID's 8 characters arrive without a terminator on the wire.
  EXPECT_EQ((std::tuple{parsed.kind, std::memcmp(parsed.mac, kMac, 6), std::string(parsed.userId), parsed.dnsServer}),
            std::tuple(SimRequestKind::kSetNetwork, 0, "operator", Ip("127.0.0.2")));

  r.networkType = kNetworkPppoe;
  std::strcpy(r.pppoeText1, "isp-user");
  std::strcpy(r.pppoeText3, "pppoe-secret");
  r.pppoeFlag = 0x5A;
  parsed = Parse(r);
  EXPECT_EQ(std::to_string(parsed.networkType) + " " + parsed.pppoeText1 + "|" + parsed.pppoeText2 + "|" +
                parsed.pppoeText3 + " " + std::to_string(parsed.pppoeFlag),
            "2 isp-user||pppoe-secret 90");

  uint8_t out[kEncpMaxRequestSize];
  const auto kindOf = [&](int size) {
    SimRequest request;
    EXPECT_TRUE(size > 0 && ParseSimRequest(out, size_t(size), request));
    return request.kind;
  };
  EXPECT_EQ(kindOf(EncodeSearchRequest(out)), SimRequestKind::kSearch);
  EXPECT_EQ(kindOf(EncodeNetworkTextsRequest(NetworkTextsRequest{}, out, sizeof out)), SimRequestKind::kSetTexts);
  EXPECT_EQ(kindOf(EncodeCredentialRequest(CredentialRequest{}, out, sizeof out)), SimRequestKind::kSetCredential);
}

TEST(SimVerdict, ChecksCredentialsThenSettings) {
  std::vector<SimDevice> fleet(2);
  std::memcpy(fleet[1].mac, kMac, 6);
  auto judge = [&](const NetworkSettingRequest& r) { return JudgeRequest(fleet, Parse(r), Ip("127.0.7.100")); };

  // Wrong logins (a cut and a lengthened password, another user), settings
  // no host can use, and the edge masks that are fine.
  const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
      {"root", "kefo", "127.0.9.9", "255.255.0.0", "1 0 to 127.0.9.9 type 1"},
      {"root", "kef", "127.0.9.9", "255.255.0.0", "1 2"},
      {"root", "kefox", "127.0.9.9", "255.255.0.0", "1 2"},
      {"admin", "kefo", "127.0.9.9", "255.255.0.0", "1 2"},
      {"root", "kefo", "0.0.0.0", "255.255.0.0", "1 1"},
      {"root", "kefo", "255.255.255.255", "255.255.0.0", "1 1"},
      {"root", "kefo", "127.0.9.9", "255.0.255.0", "1 1"},
      {"root", "kefo", "127.0.9.9", "0.0.0.0", "1 1"},
      {"root", "kefo", "127.0.9.9", "255.255.255.253", "1 1"},
      {"root", "kefo", "127.0.9.9", "255.255.255.255", "1 0 to 127.0.9.9 type 1"},
      {"root", "kefo", "127.0.9.9", "255.255.240.0", "1 0 to 127.0.9.9 type 1"},
  };
  for (const auto& [user, password, address, mask, verdict] : cases) {
    NetworkSettingRequest r = StaticRequest(user, password);
    r.ipAddress = Ip(address);
    r.subnetMask = Ip(mask);
    EXPECT_EQ(Text(judge(r)), verdict) << user << " " << password << " " << address << " " << mask;
  }

  NetworkSettingRequest dhcp = StaticRequest(), stranger = StaticRequest();
  dhcp.networkType = kNetworkDhcp;
  stranger.mac[5] = 0x99;
  EXPECT_EQ(Text(judge(dhcp)), "1 0 by DHCP to 127.0.7.100 type 0");
  EXPECT_EQ(Text(judge(stranger)), "nobody");
  fleet[1].silent = true;
  EXPECT_EQ(Text(judge(StaticRequest())), "nobody");

  // A refusing device still tells a wrong password apart from a refusal.
  fleet[1].silent = false;
  fleet[1].refusesChanges = true;
  EXPECT_EQ(Text(judge(dhcp)), "1 1");
  EXPECT_EQ(Text(judge(StaticRequest("root", "nope"))), "1 2");
  fleet[1].refusesChanges = false;
  fleet[1].ignoresChanges = true;
  EXPECT_EQ(Text(judge(StaticRequest())), "nobody");
}
