// The simulator's device-side logic, checked against the client's encoder:
// the two were written separately, so agreement means both read the wire
// the same way. Also the parser's refusals and the fleet file's errors.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "protocol/credential_block.h"
#include "protocol/encp_codec.h"
#include "tools/nvtsim/sim_credential.h"
#include "tools/nvtsim/sim_fleet.h"
#include "tools/nvtsim/sim_request.h"
#include "tools/nvtsim/sim_verdict.h"

namespace {

uint32_t Ip(const char* text) { return inet_addr(text); }

NetworkSettingRequest StaticRequest(const uint8_t mac[6], const char* user, const char* password) {
  NetworkSettingRequest r{};
  std::memcpy(r.mac, mac, 6);
  r.selector = 1;
  r.networkType = kNetworkStatic;
  std::memcpy(r.userId, user, std::min(std::strlen(user), sizeof r.userId));
  std::strncpy(r.password, password, sizeof r.password - 1);
  r.ipAddress = Ip("127.0.9.9");
  r.subnetMask = Ip("255.255.0.0");
  r.gateway = Ip("127.0.0.1");
  r.dnsServer = Ip("127.0.0.2");
  return r;
}

SimRequest Parse(const std::vector<uint8_t>& bytes) {
  SimRequest parsed;
  EXPECT_TRUE(ParseSimRequest(bytes.data(), bytes.size(), parsed));
  return parsed;
}

std::vector<uint8_t> Encode(const NetworkSettingRequest& r) {
  std::vector<uint8_t> bytes(kEncpMaxRequestSize);
  const int size = EncodeSetNetworkRequest(r, bytes.data(), bytes.size());
  EXPECT_GT(size, 0);
  bytes.resize(size > 0 ? size : 0);
  return bytes;
}

const uint8_t kMac[6] = {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x07};

}  // namespace

TEST(SimRequestParser, ReadsWhatTheClientEncodes) {
  uint8_t search[kEncpSearchRequestSize];
  EncodeSearchRequest(search);
  SimRequest parsed;
  ASSERT_TRUE(ParseSimRequest(search, sizeof search, parsed));
  EXPECT_EQ(parsed.kind, SimRequestKind::kSearch);

  NetworkSettingRequest r = StaticRequest(kMac, "operator", "kefo");
  parsed = Parse(Encode(r));
  EXPECT_EQ(parsed.kind, SimRequestKind::kSetNetwork);
  EXPECT_EQ(0, std::memcmp(parsed.mac, kMac, 6));
  EXPECT_EQ(parsed.networkType, 1);
  EXPECT_STREQ(parsed.userId, "operator");  // 8 characters, no terminator on the wire
  EXPECT_EQ(parsed.ipAddress, Ip("127.0.9.9"));
  EXPECT_EQ(parsed.subnetMask, Ip("255.255.0.0"));
  EXPECT_EQ(parsed.dnsServer, Ip("127.0.0.2"));

  r.networkType = kNetworkPppoe;
  std::strcpy(r.pppoeText1, "isp-user");
  std::strcpy(r.pppoeText3, "pppoe-secret");
  r.pppoeFlag = 0x5A;
  parsed = Parse(Encode(r));
  EXPECT_EQ(parsed.networkType, 2);
  EXPECT_STREQ(parsed.pppoeText1, "isp-user");
  EXPECT_STREQ(parsed.pppoeText2, "");
  EXPECT_STREQ(parsed.pppoeText3, "pppoe-secret");
  EXPECT_EQ(parsed.pppoeFlag, 0x5A);

  NetworkTextsRequest texts{};
  std::memcpy(texts.mac, kMac, 6);
  std::strcpy(texts.text1, "name");
  texts.text2 = "place";
  std::vector<uint8_t> bytes(kEncpMaxRequestSize);
  bytes.resize(EncodeNetworkTextsRequest(texts, bytes.data(), bytes.size()));
  EXPECT_EQ(Parse(bytes).kind, SimRequestKind::kSetTexts);

  CredentialRequest credential{};
  std::memcpy(credential.mac, kMac, 6);
  credential.password2 = "new";
  bytes.resize(kEncpMaxRequestSize);
  bytes.resize(EncodeCredentialRequest(credential, bytes.data(), bytes.size()));
  EXPECT_EQ(Parse(bytes).kind, SimRequestKind::kSetCredential);
}

TEST(SimRequestParser, RefusesEverythingIncompleteOrInconsistent) {
  const std::vector<uint8_t> good = Encode(StaticRequest(kMac, "root", "kefo"));
  SimRequest parsed;
  EXPECT_FALSE(ParseSimRequest(nullptr, 0, parsed));
  EXPECT_FALSE(ParseSimRequest(good.data(), 0, parsed));
  // Every prefix of a valid request: its length field no longer matches.
  for (size_t n = 1; n < good.size(); ++n) EXPECT_FALSE(ParseSimRequest(good.data(), n, parsed)) << n;

  auto mutated = [&](size_t offset, uint8_t value) {
    std::vector<uint8_t> bytes = good;
    bytes[offset] = value;
    return ParseSimRequest(bytes.data(), bytes.size(), parsed);
  };
  EXPECT_FALSE(mutated(0, 'X'));  // magic
  EXPECT_FALSE(mutated(5, 63));   // length field one too many
  EXPECT_FALSE(mutated(7, 9));    // unknown command
  EXPECT_FALSE(mutated(15, 0));   // DHCP needs 46 bytes, not 62
  EXPECT_FALSE(mutated(15, 7));   // unknown network type

  // A PPPoE text claiming more bytes than the datagram holds.
  NetworkSettingRequest pppoe = StaticRequest(kMac, "root", "kefo");
  pppoe.networkType = kNetworkPppoe;
  std::vector<uint8_t> bytes = Encode(pppoe);
  bytes[46] = 200;
  EXPECT_FALSE(ParseSimRequest(bytes.data(), bytes.size(), parsed));

  // Trailing bytes after a complete search request, length field adjusted.
  const std::vector<uint8_t> longSearch = {'A', 'D', 'C', 'T', 2, 10, 0, 3, 0xFF, 0};
  EXPECT_FALSE(ParseSimRequest(longSearch.data(), longSearch.size(), parsed));
}

TEST(SimCredentials, RecoversThePasswordForEverySalt) {
  const uint8_t zeroPrefix[kCredentialPrefixSize] = {};
  for (std::time_t seconds = 0; seconds < 400; ++seconds) {
    uint8_t block[kCredentialBlockSize];
    BuildCredentialBlockAt("kefo", block, zeroPrefix, seconds);
    char password[kSimPasswordArea + 1];
    ASSERT_TRUE(RecoverPassword(block, password)) << seconds;
    ASSERT_STREQ(password, "kefo") << seconds;
  }
  uint8_t block[kCredentialBlockSize];
  char password[kSimPasswordArea + 1];
  BuildCredentialBlockAt("0123456789abcdefXYZ", block, zeroPrefix, 77);
  ASSERT_TRUE(RecoverPassword(block, password));
  EXPECT_STREQ(password, "0123456789abcdef");  // the wire carries 16 characters

  // A field whose salt copies disagree was not built with the zero prefix.
  block[18] ^= 0x01;
  EXPECT_FALSE(RecoverPassword(block, password));
}

TEST(SimVerdict, ChecksCredentialsThenSettings) {
  std::vector<SimDevice> fleet(2);
  std::memcpy(fleet[1].mac, kMac, 6);
  fleet[1].address = Ip("127.0.7.2");
  const uint32_t offer = Ip("127.0.7.100");
  auto judge = [&](const NetworkSettingRequest& r) { return JudgeRequest(fleet, Parse(Encode(r)), offer); };

  SimVerdict v = judge(StaticRequest(kMac, "root", "kefo"));
  EXPECT_EQ(v.device, 1);
  EXPECT_EQ(v.result, kSimResultAccepted);
  ASSERT_TRUE(v.moveTo.has_value());
  EXPECT_EQ(v.moveTo->address, Ip("127.0.9.9"));

  EXPECT_EQ(judge(StaticRequest(kMac, "root", "kef")).result, kSimResultBadCredentials);
  EXPECT_EQ(judge(StaticRequest(kMac, "root", "kefox")).result, kSimResultBadCredentials);
  EXPECT_EQ(judge(StaticRequest(kMac, "admin", "kefo")).result, kSimResultBadCredentials);
  EXPECT_FALSE(judge(StaticRequest(kMac, "admin", "kefo")).moveTo.has_value());

  for (const char* address : {"0.0.0.0", "255.255.255.255"}) {
    NetworkSettingRequest r = StaticRequest(kMac, "root", "kefo");
    r.ipAddress = Ip(address);
    EXPECT_EQ(judge(r).result, kSimResultRefused) << address;
  }
  for (const char* mask : {"255.0.255.0", "0.0.0.0", "255.255.255.253"}) {
    NetworkSettingRequest r = StaticRequest(kMac, "root", "kefo");
    r.subnetMask = Ip(mask);
    EXPECT_EQ(judge(r).result, kSimResultRefused) << mask;
  }
  EXPECT_TRUE(IsContiguousMask(Ip("255.255.255.255")));
  EXPECT_TRUE(IsContiguousMask(Ip("255.255.240.0")));

  NetworkSettingRequest dhcp = StaticRequest(kMac, "root", "kefo");
  dhcp.networkType = kNetworkDhcp;
  v = judge(dhcp);
  EXPECT_EQ(v.result, kSimResultAccepted);
  EXPECT_TRUE(v.usedDhcpAddress);
  EXPECT_EQ(v.moveTo->address, offer);
  EXPECT_EQ(v.moveTo->networkType, 0);

  uint8_t stranger[6] = {0x00, 0x1A, 0x2B, 0x00, 0x00, 0x99};
  EXPECT_EQ(judge(StaticRequest(stranger, "root", "kefo")).device, -1);
  fleet[1].silent = true;
  EXPECT_EQ(judge(StaticRequest(kMac, "root", "kefo")).device, -1);

  // A refusing device still tells a wrong password apart from a refusal.
  fleet[1].silent = false;
  fleet[1].refusesChanges = true;
  v = judge(dhcp);
  EXPECT_EQ(v.device, 1);
  EXPECT_EQ(v.result, kSimResultRefused);
  EXPECT_FALSE(v.moveTo.has_value());
  EXPECT_EQ(judge(StaticRequest(kMac, "root", "nope")).result, kSimResultBadCredentials);
  fleet[1].refusesChanges = false;
  fleet[1].ignoresChanges = true;
  EXPECT_EQ(judge(StaticRequest(kMac, "root", "kefo")).device, -1);
}

TEST(SimFleet, ParsesFilesAndNamesTheBadLine) {
  std::string error;
  auto fleet = ParseFleetText(
      "# comment\n"
      "\n"
      "00:1A:2B:00:00:01 Cam%20%22A%22 127.0.7.1 255.255.255.0 127.0.7.254 127.0.7.253 81 4000,0,5000 2 - p%25w long-texts silent\r\n"
      "00-1A-2B-00-00-02 - 127.0.7.2 255.255.0.0 0.0.0.0 0.0.0.0 0 - 3 admin secret\n",
      &error);
  ASSERT_TRUE(fleet.has_value()) << error;
  ASSERT_EQ(fleet->size(), 2u);
  const SimDevice& a = (*fleet)[0];
  EXPECT_EQ(a.model, "Cam \"A\"");
  EXPECT_EQ(a.webPort, 81);
  EXPECT_EQ(std::vector<uint16_t>(a.avPorts, a.avPorts + 3), (std::vector<uint16_t>{4000, 0, 5000}));
  EXPECT_EQ(a.version, 2);
  EXPECT_EQ(a.userId, "");
  EXPECT_EQ(a.password, "p%w");
  EXPECT_TRUE(a.longTexts && a.silent);
  EXPECT_EQ((*fleet)[1].model, "");
  EXPECT_EQ((*fleet)[1].mac[5], 2);
  EXPECT_EQ((*fleet)[1].avPorts[0], 0);
  EXPECT_FALSE(a.refusesChanges || a.ignoresChanges);
  auto flagged = ParseFleetText("00:1A:2B:00:00:03 M 127.0.7.3 255.0.0.0 0.0.0.0 0.0.0.0 80 - 3 root kefo refuse ignore-changes", &error);
  ASSERT_TRUE(flagged.has_value()) << error;
  EXPECT_TRUE((*flagged)[0].refusesChanges && (*flagged)[0].ignoresChanges && !(*flagged)[0].silent);

  const char* bad[] = {
      "00:1A:2B:00:00 M 127.0.0.1 255.0.0.0 0.0.0.0 0.0.0.0 80 - 3 root kefo",
      "00:1A:2B:00:00:01 M 127.0.0.256 255.0.0.0 0.0.0.0 0.0.0.0 80 - 3 root kefo",
      "00:1A:2B:00:00:01 M 127.0.0.1 255.0.0.0 0.0.0.0 0.0.0.0 65536 - 3 root kefo",
      "00:1A:2B:00:00:01 M 127.0.0.1 255.0.0.0 0.0.0.0 0.0.0.0 80 1,2,3,4 3 root kefo",
      "00:1A:2B:00:00:01 M%4 127.0.0.1 255.0.0.0 0.0.0.0 0.0.0.0 80 - 3 root kefo",
      "00:1A:2B:00:00:01 M 127.0.0.1 255.0.0.0 0.0.0.0 0.0.0.0 80 - 3 root kefo shiny",
      "00:1A:2B:00:00:01 M 127.0.0.1 255.0.0.0 0.0.0.0 0.0.0.0 80 - 3 root",
  };
  for (const char* line : bad) {
    error.clear();
    EXPECT_FALSE(ParseFleetText(std::string("# ok\n") + line, &error).has_value()) << line;
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
  }

  CountFleetPlan plan;
  plan.count = 300;
  plan.firstAddress = Ip("127.0.7.250");
  const std::vector<SimDevice> counted = MakeCountFleet(plan);
  EXPECT_EQ(counted[299].address, Ip("127.0.9.37"));  // crosses two /24 boundaries
  EXPECT_EQ(counted[299].mac[4], 0x01);
  EXPECT_EQ(counted[299].mac[5], 0x2B);
  EXPECT_EQ(counted[299].gateway, Ip("127.0.9.1"));
}
