// Golden bytes of the requests and decoding of well-formed and hostile replies.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "protocol/credential_block.h"
#include "protocol/encp_codec.h"
#include "tests/support/reply_builder.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Slice(const uint8_t* data, size_t from, size_t count) { return Bytes(data + from, data + from + count); }

// The credential field carries the password area reversed and XORed with the
// salt byte S, then six bytes equal to S (zero prefix). Recovers the password.
std::string PasswordInField(const uint8_t* field) {
  const uint8_t salt = field[16];
  for (int i = 16; i < 22; ++i) EXPECT_EQ(field[i], salt) << "prefix byte " << i;
  std::string password;
  for (int i = 15; i >= 0 && (field[i] ^ salt) != 0; --i) password += char(field[i] ^ salt);
  return password;
}

NetworkSettingRequest SampleSettingRequest(int32_t networkType) {
  NetworkSettingRequest r{};
  std::memcpy(r.mac, "\x00\x1A\x2B\x3C\x4D\x5E", 6);
  r.selector = 0x1207;  // only the low byte travels
  r.networkType = networkType;
  std::memcpy(r.userId, "ABCDEFGH", 8);  // a full field has no terminator
  std::strcpy(r.password, "kefo");
  r.ipAddress = inet_addr("10.0.0.20");
  r.subnetMask = inet_addr("255.255.0.0");
  r.gateway = inet_addr("10.0.0.1");
  r.dnsServer = inet_addr("10.0.0.2");
  std::strcpy(r.pppoeText1, "hello");
  std::strcpy(r.pppoeText2, "user");
  std::memset(r.pppoeText3, 'z', sizeof r.pppoeText3);  // full field, no terminator
  std::memcpy(&r.pppoeValue1, "\x01\x02\x03\x04", 4);
  std::memcpy(&r.pppoeValue2, "\x05\x06\x07\x08", 4);
  r.pppoeFlag = 0xF1;
  return r;
}

TEST(RequestEncoding, SearchAndSetNetworkGoldenBytes) {
  uint8_t out[kEncpMaxRequestSize];
  ASSERT_EQ(EncodeSearchRequest(out), 9);
  EXPECT_EQ(Slice(out, 0, 9), (Bytes{0x41, 0x44, 0x43, 0x54, 0x02, 0x09, 0x00, 0x03, 0xFF}));
  ASSERT_EQ(EncodeSetNetworkRequest(SampleSettingRequest(0), out, sizeof out), 46);
  EXPECT_EQ(Slice(out, 0, 24), (Bytes{'A',  'D',  'C',  'T', 2,   46,  0,   4,   0x07, 0x00, 0x1A, 0x2B,
                                      0x3C, 0x4D, 0x5E, 0,   'A', 'B', 'C', 'D', 'E',  'F',  'G',  'H'}));
  EXPECT_EQ(PasswordInField(out + 24), "kefo");

  ASSERT_EQ(EncodeSetNetworkRequest(SampleSettingRequest(1), out, sizeof out), 62);
  EXPECT_EQ(Slice(out, 46, 16), (Bytes{10, 0, 0, 20, 255, 255, 0, 0, 10, 0, 0, 1, 10, 0, 0, 2}));

  // PPPoE texts of 5 and 4 characters and a full 64-byte field sent whole.
  ASSERT_EQ(EncodeSetNetworkRequest(SampleSettingRequest(2), out, sizeof out), 67 + 64);
  EXPECT_EQ(Slice(out, 5, 2), (Bytes{131, 0}));
  EXPECT_EQ(out[15], 2);
  EXPECT_EQ(Slice(out, 46, 12), (Bytes{5, 'h', 'e', 'l', 'l', 'o', 4, 'u', 's', 'e', 'r', 64}));
  EXPECT_EQ(Slice(out, 58 + 64, 9), (Bytes{1, 2, 3, 4, 0xF1, 5, 6, 7, 8}));
}

TEST(RequestEncoding, TextsAndCredentialLayoutsAndRefusals) {
  uint8_t out[kEncpMaxRequestSize];
  NetworkTextsRequest texts{
      .mac = {1, 2, 3, 4, 5, 6}, .userId = {}, .password = "secret", .text1 = "abc", .text2 = "de"};
  ASSERT_EQ(EncodeNetworkTextsRequest(texts, out, sizeof out), 53);
  EXPECT_EQ(Slice(out, 0, 16), (Bytes{'A', 'D', 'C', 'T', 2, 53, 0, 4, 0, 1, 2, 3, 4, 5, 6, 3}));
  EXPECT_EQ(PasswordInField(out + 24), "secret");
  EXPECT_EQ(Slice(out, 46, 7), (Bytes{3, 'a', 'b', 'c', 2, 'd', 'e'}));
  texts.text2 = nullptr;
  EXPECT_EQ(EncodeNetworkTextsRequest(texts, out, sizeof out), 51);

  CredentialRequest credential{
      .mac = {1, 2, 3, 4, 5, 6}, .userId = {}, .password = "old", .byteValue = 0xA5, .password2 = "new-password"};
  ASSERT_EQ(EncodeCredentialRequest(credential, out, sizeof out), 69);
  EXPECT_EQ(Slice(out, 0, 16), (Bytes{'A', 'D', 'C', 'T', 2, 69, 0, 5, 0, 1, 2, 3, 4, 5, 6, 3}));
  EXPECT_EQ(PasswordInField(out + 24), "old");
  EXPECT_EQ(out[46], 0xA5);
  EXPECT_EQ(PasswordInField(out + 47), "new-password");

  for (int32_t type : {3, -1, 256}) EXPECT_EQ(EncodeSetNetworkRequest(SampleSettingRequest(type), out, sizeof out), -1);
  EXPECT_EQ(EncodeSetNetworkRequest(SampleSettingRequest(1), out, 61), -1);
  // 127 bytes is the longest text a one-byte length may announce.
  const std::string longest(127, 'x'), tooLong(128, 'x');
  texts.text2 = credential.password2 = tooLong.c_str();
  EXPECT_EQ(EncodeNetworkTextsRequest(texts, out, sizeof out), -1);
  EXPECT_EQ(EncodeCredentialRequest(credential, out, sizeof out), -1);
  texts.text2 = credential.password2 = longest.c_str();
  std::memset(texts.text1, 't', sizeof texts.text1);
  EXPECT_EQ(EncodeNetworkTextsRequest(texts, out, sizeof out), 48 + 64 + 127);
  EXPECT_EQ(EncodeCredentialRequest(credential, out, sizeof out), 69);
}

TEST(CredentialBlock, SaltAndPasswordArea) {
  const uint8_t zeroPrefix[kCredentialPrefixSize] = {};
  uint8_t block[kCredentialBlockSize], again[kCredentialBlockSize];
  BuildCredentialBlockAt("", block, zeroPrefix, 1700000000);
  for (int i = 0; i < kCredentialFieldSize; ++i) EXPECT_EQ(block[i], block[31]) << i;
  EXPECT_LE(block[30], 0x7F) << "r is at most 32767";

  // Devices rely on blocks of the same second sharing their salt.
  std::time_t second;
  do {
    second = std::time(nullptr);
    BuildCredentialBlock("pw", block, zeroPrefix);
    BuildCredentialBlockAt("pw", again, zeroPrefix, second);
  } while (std::time(nullptr) != second);
  EXPECT_EQ(Slice(block, 0, 32), Slice(again, 0, 32));

  // 16 characters travel whole and unterminated; a 17th is dropped.
  BuildCredentialBlockAt("0123456789abcdef", block, zeroPrefix, 42);
  BuildCredentialBlockAt("0123456789abcdefX", again, zeroPrefix, 42);
  EXPECT_EQ(PasswordInField(block), "0123456789abcdef");
  EXPECT_EQ(Slice(block, 0, 32), Slice(again, 0, 32));
}

// Decodes into a record of 0xAB bytes, so that a refusal is seen to leave
// it untouched.
int Decode(const Bytes& bytes, DeviceInfo& out) {
  std::memset(&out, 0xAB, sizeof out);
  return DecodeSearchReply(bytes.data(), bytes.size(), 0x0709080A, out);
}

int Result(const Bytes& bytes) { return DecodeResultReply(bytes.data(), bytes.size()); }

bool Untouched(const DeviceInfo& d) { return Slice(&d.mac[0], 0, sizeof d) == Bytes(sizeof d, 0xAB); }

// Every decoded field: MAC, sender, selector, type, texts, the addresses and
// then the PPPoE values by their bytes in memory, PPPoE flag, trailer, option
// 2 and ports; numbers in hex.
std::string Fields(const DeviceInfo& d) {
  std::ostringstream s;
  s << std::hex;
  for (uint8_t byte : d.mac) s << int(byte) << ':';
  s << ' ' << inet_ntoa(in_addr{d.sourceAddress}) << ' ' << int(d.selector) << ' ' << int(d.networkType) << ' ';
  for (const char* t : {d.modelName, d.infoText2, d.infoText3, d.pppoeText1, d.pppoeText2, d.pppoeText3}) s << t << '|';
  for (uint32_t a : {d.ipAddress, d.subnetMask, d.gateway, d.dnsServer, d.pppoeValue1, d.pppoeValue2})
    s << inet_ntoa(in_addr{a}) << ' ';
  s << int(d.pppoeFlag) << ' ' << d.trailerByte << ' ' << d.optionTag2 << ' ' << d.webPort << ' ' << d.avPort1 << ' '
    << d.avPort2 << ' ' << d.avPort3;
  return s.str();
}

// What the builder's fixed part decodes to around its texts (PPPoE values
// 11 22 33 44 and 55 66 77 88 in hex).
const std::string kHead = "0:1a:2b:3c:4d:5e: 10.8.9.7 7 1 ";
const std::string kTail = "192.168.1.10 255.255.255.0 192.168.1.1 8.8.8.8 17.34.51.68 85.102.119.136 99 42 ";

TEST(SearchReplyDecoding, EveryFieldAndOption) {
  const std::string texts[6] = {"NVT-100", "fw 1.2", "rev B", "isp", "pppuser", "pppsecret"};
  // Option 5 is unknown and skipped; extra value bytes are ignored.
  ReplyBuilder reply = ReplyBuilder(3).searchFixedPart(texts).option(2, {0x5A, 0xFF}).option(5, {1, 2, 3});
  reply.option(8, {0x50, 0x00}).option(9, {0x2A, 0x15}).option(10, {0x2B, 0x15}).option(11, {0x2C, 0x15, 0xEE});
  DeviceInfo d;
  ASSERT_EQ(Decode(reply.finish(), d), 1);
  EXPECT_EQ(Fields(d), kHead + "NVT-100|fw 1.2|rev B|isp|pppuser|pppsecret|" + kTail + "5a 50 152a 152b 152c");

  // Version 2: ports stay 0 but option 2 is still read.
  ASSERT_EQ(Decode(ReplyBuilder(2).searchFixedPart().option(8, {0x50, 0}).option(2, {0x33}).finish(), d), 1);
  EXPECT_EQ(Fields(d), kHead + "||||||" + kTail + "33 0 0 0 0");
}

TEST(SearchReplyDecoding, HeaderCodesAndLengthChecks) {
  DeviceInfo d;
  for (size_t length : {48, 50, 49 << 8}) {  // 49 << 8: the true length read big-endian
    const Bytes wrongLength = ReplyBuilder(3).searchFixedPart().finish(length);
    EXPECT_EQ(Decode(wrongLength, d), -3) << length;
    EXPECT_TRUE(Untouched(d));
    EXPECT_EQ(Result(wrongLength), -1) << length;
  }
  // The code is judged before the length. Code 1 must not pass for
  // "decoded": callers would take the record.
  for (uint8_t code : {0, 1, 2, 4, 255}) {
    EXPECT_EQ(Decode(ReplyBuilder(3, code).finish(999), d), code == 1 ? -1 : code);
    EXPECT_TRUE(Untouched(d));
  }
  Bytes foreign = ReplyBuilder(3).searchFixedPart().finish();
  foreign[3] = 'Q';
  const Bytes shortHeader = {'E', 'N', 'C', 'P', 3, 7, 0};
  for (const Bytes& bad : {foreign, shortHeader}) {
    EXPECT_EQ(Decode(bad, d), -1);
    EXPECT_EQ(Result(bad), -1);
  }
  EXPECT_EQ(DecodeSearchReply(nullptr, 0, 0, d), -1);

  for (int code : {0, 2, 5, 255}) EXPECT_EQ(Result(ReplyBuilder(2, uint8_t(code)).filler(code, 0xCC).finish()), code);
  const Bytes result = ReplyBuilder(2, 0).finish();
  for (size_t cut = 0; cut < result.size(); ++cut) EXPECT_EQ(DecodeResultReply(result.data(), cut), -1) << cut;
}

TEST(SearchReplyDecoding, HostileReplies) {
  // Texts of 255 bytes are cut to their fields and decoding goes on.
  std::string texts[6];
  for (auto& t : texts) t = std::string(255, 'W');
  texts[0][62] = 'E';  // last kept character of a 64-byte field
  texts[3][30] = 'e';  // last kept character of a 32-byte field
  DeviceInfo d;
  ASSERT_EQ(Decode(ReplyBuilder(3).searchFixedPart(texts).option(8, {0x50, 0}).finish(), d), 1);
  const std::string w(63, 'W');
  EXPECT_EQ(Fields(d), kHead + w.substr(1) + "E|" + w + '|' + w + '|' + w.substr(33) + "e|" + w.substr(32) + '|' + w +
                           '|' + kTail + "0 50 0 0 0");

  // Every prefix of a valid reply, with a length field that agrees with it,
  // so that the fixed part itself is what runs short. Each prefix is its own
  // exact-size buffer so that an overread is a real out-of-bounds access.
  const std::string someTexts[6] = {"m", "i2", "i3", "p1", "p2", "p3"};
  const Bytes full = ReplyBuilder(3).searchFixedPart(someTexts).option(8, {0x50, 0}).finish();
  const size_t fixedEnd = full.size() - 4;
  for (size_t cut = 0; cut <= full.size(); ++cut) {
    Bytes agreeing = full;
    agreeing[5] = uint8_t(cut);  // the reply is shorter than 256 bytes
    const Bytes prefix(agreeing.begin(), agreeing.begin() + cut);
    EXPECT_EQ(Decode(prefix, d), cut < fixedEnd ? -1 : 1) << "cut at " << cut;
    EXPECT_TRUE(cut < fixedEnd ? Untouched(d) : d.webPort == (cut == full.size() ? 80 : 0)) << "cut at " << cut;
  }

  // An option running past the end ends the walk; earlier options stay.
  ASSERT_EQ(Decode(ReplyBuilder(3).searchFixedPart().option(2, {0x77}).option(8, {0x50, 0}).raw({9, 4, 1}).finish(), d),
            1);
  EXPECT_EQ(Fields(d), kHead + "||||||" + kTail + "77 50 0 0 0");

  // Values too short for their tag are skipped by their own length, without
  // borrowing bytes from the next option; a lone trailing tag byte is ignored.
  const Bytes shortValues =
      ReplyBuilder(3).searchFixedPart().option(2, {}).option(8, {0x50}).option(9, {0x2A, 0x15}).raw({10}).finish();
  ASSERT_EQ(Decode(shortValues, d), 1);
  EXPECT_EQ(Fields(d), kHead + "||||||" + kTail + "0 0 152a 0 0");
}

}  // namespace
