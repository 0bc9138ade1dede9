// Golden bytes of the requests and decoding of well-formed and hostile replies.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "protocol/credential_block.h"
#include "protocol/encp_codec.h"
#include "tests/support/reply_builder.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t NetworkOrder(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  const uint8_t bytes[4] = {a, b, c, d};
  uint32_t value;
  std::memcpy(&value, bytes, 4);
  return value;
}

Bytes Slice(const uint8_t* data, size_t from, size_t count) {
  return Bytes(data + from, data + from + count);
}

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
  const uint8_t mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  std::memcpy(r.mac, mac, 6);
  r.selector = 0x1207;  // only the low byte travels
  r.networkType = networkType;
  std::memcpy(r.userId, "admin", 5);
  std::strcpy(r.password, "kefo");
  r.ipAddress = NetworkOrder(10, 0, 0, 20);
  r.subnetMask = NetworkOrder(255, 255, 0, 0);
  r.gateway = NetworkOrder(10, 0, 0, 1);
  r.dnsServer = NetworkOrder(10, 0, 0, 2);
  std::strcpy(r.pppoeText1, "hello");
  std::strcpy(r.pppoeText2, "user");
  r.pppoeValue1 = NetworkOrder(1, 2, 3, 4);
  r.pppoeFlag = 0xF1;
  r.pppoeValue2 = NetworkOrder(5, 6, 7, 8);
  return r;
}

TEST(RequestEncoding, SearchAndSetNetworkGoldenBytes) {
  uint8_t search[kEncpSearchRequestSize];
  ASSERT_EQ(EncodeSearchRequest(search), 9);
  EXPECT_EQ(Bytes(search, search + 9),
            (Bytes{0x41, 0x44, 0x43, 0x54, 0x02, 0x09, 0x00, 0x03, 0xFF}));

  uint8_t out[kEncpMaxRequestSize];
  ASSERT_EQ(EncodeSetNetworkRequest(SampleSettingRequest(0), out, sizeof out), 46);
  EXPECT_EQ(Slice(out, 0, 24), (Bytes{'A', 'D', 'C', 'T', 2, 46, 0, 4, 0x07, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0,
                                      'a', 'd', 'm', 'i', 'n', 0, 0, 0}));
  EXPECT_EQ(PasswordInField(out + 24), "kefo");

  ASSERT_EQ(EncodeSetNetworkRequest(SampleSettingRequest(1), out, sizeof out), 62);
  EXPECT_EQ(Slice(out, 5, 2), (Bytes{0x3E, 0x00}));
  EXPECT_EQ(out[15], 1);
  EXPECT_EQ(Slice(out, 46, 16),
            (Bytes{10, 0, 0, 20, 255, 255, 0, 0, 10, 0, 0, 1, 10, 0, 0, 2}));

  // PPPoE texts of 5, 4 and 0 characters.
  ASSERT_EQ(EncodeSetNetworkRequest(SampleSettingRequest(2), out, sizeof out), 67);
  EXPECT_EQ(Slice(out, 5, 2), (Bytes{67, 0}));
  EXPECT_EQ(out[15], 2);
  EXPECT_EQ(Slice(out, 46, 21), (Bytes{5, 'h', 'e', 'l', 'l', 'o', 4, 'u', 's', 'e', 'r', 0,
                                       1, 2, 3, 4, 0xF1, 5, 6, 7, 8}));

  // A full PPPoE text field without terminator is sent whole, never beyond.
  NetworkSettingRequest fullText = SampleSettingRequest(2);
  std::memset(fullText.pppoeText3, 'z', sizeof fullText.pppoeText3);
  ASSERT_EQ(EncodeSetNetworkRequest(fullText, out, sizeof out), 67 + 64);
  EXPECT_EQ(out[57], 64);

  // An 8-character user ID fills its field with no terminator.
  NetworkSettingRequest longId = SampleSettingRequest(0);
  std::memcpy(longId.userId, "ABCDEFGH", 8);
  ASSERT_EQ(EncodeSetNetworkRequest(longId, out, sizeof out), 46);
  EXPECT_EQ(Slice(out, 16, 8), (Bytes{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'}));
  EXPECT_EQ(PasswordInField(out + 24), "kefo");
}

TEST(RequestEncoding, RefusesWhatCannotBeSent) {
  uint8_t out[kEncpMaxRequestSize];
  for (int32_t type : {3, -1, 256}) {
    EXPECT_EQ(EncodeSetNetworkRequest(SampleSettingRequest(type), out, sizeof out), -1) << type;
  }
  EXPECT_EQ(EncodeSetNetworkRequest(SampleSettingRequest(1), out, 61), -1);

  NetworkTextsRequest texts{};
  std::string longest(127, 'x');
  std::string tooLong(128, 'x');
  texts.text2 = tooLong.c_str();
  EXPECT_EQ(EncodeNetworkTextsRequest(texts, out, sizeof out), -1);
  texts.text2 = longest.c_str();
  std::memset(texts.text1, 't', sizeof texts.text1);  // full field, no terminator
  EXPECT_EQ(EncodeNetworkTextsRequest(texts, out, sizeof out), 48 + 64 + 127);

  CredentialRequest credential{};
  credential.password2 = tooLong.c_str();
  EXPECT_EQ(EncodeCredentialRequest(credential, out, sizeof out), -1);
  credential.password2 = longest.c_str();
  EXPECT_EQ(EncodeCredentialRequest(credential, out, sizeof out), 69);
}

TEST(RequestEncoding, NetworkTextsAndCredentialLayouts) {
  uint8_t out[kEncpMaxRequestSize];
  NetworkTextsRequest texts{};
  const uint8_t mac[6] = {1, 2, 3, 4, 5, 6};
  std::memcpy(texts.mac, mac, 6);
  std::memcpy(texts.userId, "root", 4);
  std::strcpy(texts.password, "secret");
  std::strcpy(texts.text1, "abc");
  texts.text2 = "de";
  ASSERT_EQ(EncodeNetworkTextsRequest(texts, out, sizeof out), 53);
  EXPECT_EQ(Slice(out, 0, 24), (Bytes{'A', 'D', 'C', 'T', 2, 53, 0, 4, 0, 1, 2, 3, 4, 5, 6, 3,
                                      'r', 'o', 'o', 't', 0, 0, 0, 0}));
  EXPECT_EQ(PasswordInField(out + 24), "secret");
  EXPECT_EQ(Slice(out, 46, 7), (Bytes{3, 'a', 'b', 'c', 2, 'd', 'e'}));

  texts.text2 = nullptr;
  EXPECT_EQ(EncodeNetworkTextsRequest(texts, out, sizeof out), 51);

  CredentialRequest credential{};
  std::memcpy(credential.mac, mac, 6);
  std::memcpy(credential.userId, "root", 4);
  std::strcpy(credential.password, "old");
  credential.byteValue = 0xA5;
  credential.password2 = "new-password";
  ASSERT_EQ(EncodeCredentialRequest(credential, out, sizeof out), 69);
  EXPECT_EQ(Slice(out, 0, 16), (Bytes{'A', 'D', 'C', 'T', 2, 69, 0, 5, 0, 1, 2, 3, 4, 5, 6, 3}));
  EXPECT_EQ(PasswordInField(out + 24), "old");
  EXPECT_EQ(out[46], 0xA5);
  EXPECT_EQ(PasswordInField(out + 47), "new-password");
}

TEST(CredentialBlock, LayoutAndSalt) {
  const uint8_t zeroPrefix[kCredentialPrefixSize] = {};
  uint8_t block[kCredentialBlockSize];
  uint8_t again[kCredentialBlockSize];

  ASSERT_EQ(BuildCredentialBlockAt("", block, zeroPrefix, 1700000000), 0);
  const uint8_t salt = block[31];
  for (int i = 0; i < kCredentialFieldSize; ++i) EXPECT_EQ(block[i], salt) << i;
  EXPECT_LE(block[30], 0x7F) << "r is at most 32767";

  // The same second gives the same block; the time-based builder agrees with
  // the explicit one unless the clock ticked in between.
  BuildCredentialBlockAt("", again, zeroPrefix, 1700000000);
  EXPECT_EQ(Bytes(block, block + 32), Bytes(again, again + 32));
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::time_t before = std::time(nullptr);
    BuildCredentialBlock("pw", block, zeroPrefix);
    BuildCredentialBlockAt("pw", again, zeroPrefix, before);
    if (std::time(nullptr) != before) continue;
    EXPECT_EQ(Bytes(block, block + 32), Bytes(again, again + 32));
    break;
  }

  // 16 characters travel whole and unterminated; a 17th is dropped.
  BuildCredentialBlockAt("0123456789abcdef", block, zeroPrefix, 42);
  BuildCredentialBlockAt("0123456789abcdefX", again, zeroPrefix, 42);
  EXPECT_EQ(PasswordInField(block), "0123456789abcdef");
  EXPECT_EQ(Bytes(block, block + 32), Bytes(again, again + 32));

  // A caller's prefix lands reversed and salted in bytes 16..29.
  uint8_t prefix[kCredentialPrefixSize];
  for (int i = 0; i < kCredentialPrefixSize; ++i) prefix[i] = uint8_t(0x10 + i);
  BuildCredentialBlockAt("x", block, prefix, 42);
  for (int i = 0; i < kCredentialPrefixSize; ++i) {
    EXPECT_EQ(block[29 - i], prefix[i] ^ block[31]) << i;
  }

  // With S == 0 the field is the plain password area reversed, then zeros.
  bool foundZeroSalt = false;
  for (std::time_t second = 0; second < 100000 && !foundZeroSalt; ++second) {
    BuildCredentialBlockAt("abc", block, zeroPrefix, second);
    if (block[31] != 0) continue;
    foundZeroSalt = true;
    Bytes expected(22, 0);
    expected[13] = 'c';
    expected[14] = 'b';
    expected[15] = 'a';
    EXPECT_EQ(Bytes(block, block + 22), expected);
  }
  EXPECT_TRUE(foundZeroSalt);
}

DeviceInfo Sentinel() {
  DeviceInfo d;
  std::memset(&d, 0xAB, sizeof d);
  return d;
}

bool Untouched(const DeviceInfo& d) {
  const DeviceInfo s = Sentinel();
  return std::memcmp(&d, &s, sizeof d) == 0;
}

int Decode(const Bytes& bytes, DeviceInfo& out, uint32_t source = NetworkOrder(10, 9, 8, 7)) {
  return DecodeSearchReply(bytes.data(), bytes.size(), source, out);
}

TEST(SearchReplyDecoding, EveryFieldAndOption) {
  const std::string texts[6] = {"NVT-100", "fw 1.2", "rev B", "isp", "pppuser", "pppsecret"};
  const Bytes reply = ReplyBuilder(3)
                          .searchFixedPart(texts)
                          .option(2, {0x5A, 0xFF})
                          .option(5, {1, 2, 3})  // unknown: skipped
                          .option(8, {0x50, 0x00})
                          .option(9, {0x2A, 0x15})
                          .option(10, {0x2B, 0x15})
                          .option(11, {0x2C, 0x15, 0xEE})
                          .finish();
  DeviceInfo d = Sentinel();
  ASSERT_EQ(Decode(reply, d), 1);
  EXPECT_EQ(Bytes(d.mac, d.mac + 6), (Bytes{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
  EXPECT_EQ(d.sourceAddress, NetworkOrder(10, 9, 8, 7));
  EXPECT_EQ(d.selector, 7);
  EXPECT_EQ(d.networkType, 1);
  EXPECT_STREQ(d.modelName, "NVT-100");
  EXPECT_STREQ(d.infoText2, "fw 1.2");
  EXPECT_STREQ(d.infoText3, "rev B");
  EXPECT_EQ(d.ipAddress, NetworkOrder(192, 168, 1, 10));
  EXPECT_EQ(d.subnetMask, NetworkOrder(255, 255, 255, 0));
  EXPECT_EQ(d.gateway, NetworkOrder(192, 168, 1, 1));
  EXPECT_EQ(d.dnsServer, NetworkOrder(8, 8, 8, 8));
  EXPECT_STREQ(d.pppoeText1, "isp");
  EXPECT_STREQ(d.pppoeText2, "pppuser");
  EXPECT_STREQ(d.pppoeText3, "pppsecret");
  EXPECT_EQ(d.pppoeValue1, NetworkOrder(0x11, 0x22, 0x33, 0x44));
  EXPECT_EQ(d.pppoeFlag, 0x99);
  EXPECT_EQ(d.pppoeValue2, NetworkOrder(0x55, 0x66, 0x77, 0x88));
  EXPECT_EQ(d.trailerByte, 0x42u);
  EXPECT_EQ(d.optionTag2, 0x5Au);
  EXPECT_EQ(d.webPort, 80);
  EXPECT_EQ(d.avPort1, 0x152A);
  EXPECT_EQ(d.avPort2, 0x152B);
  EXPECT_EQ(d.avPort3, 0x152C);

  // Version 2: ports stay 0 but option 2 is still read.
  const Bytes oldDevice = ReplyBuilder(2)
                              .searchFixedPart()
                              .option(8, {0x50, 0x00})
                              .option(2, {0x33})
                              .option(11, {1, 1})
                              .finish();
  d = Sentinel();
  ASSERT_EQ(Decode(oldDevice, d), 1);
  EXPECT_EQ(d.optionTag2, 0x33u);
  EXPECT_EQ(d.webPort + d.avPort1 + d.avPort2 + d.avPort3, 0);
}

TEST(SearchReplyDecoding, SizesCodesAndLengthChecks) {
  DeviceInfo d;
  for (int delta : {-1, +1}) {
    const Bytes wrongLength = ReplyBuilder(3).searchFixedPart().finish(49 + delta);
    d = Sentinel();
    EXPECT_EQ(Decode(wrongLength, d), -3) << delta;
    EXPECT_TRUE(Untouched(d));
    EXPECT_EQ(DecodeResultReply(wrongLength.data(), wrongLength.size()), -1) << delta;
  }
  // A length field read as big-endian would say 0x3100, not 49.
  const Bytes bigEndianLength = ReplyBuilder(3).searchFixedPart().finish(49 << 8);
  EXPECT_EQ(Decode(bigEndianLength, d), -3);

  // The code is judged before the length; not-a-search-reply leaves the record.
  for (uint8_t code : {0, 1, 2, 4, 255}) {
    const Bytes result = ReplyBuilder(3, code).finish(999);
    d = Sentinel();
    // Code 1 must not pass for "decoded": callers would take the record.
    EXPECT_EQ(Decode(result, d), code == 1 ? -1 : code);
    EXPECT_TRUE(Untouched(d));
  }
  const Bytes shortHeader = {'E', 'N', 'C', 'P', 3, 7, 0};
  EXPECT_EQ(Decode(shortHeader, d), -1);
  EXPECT_EQ(DecodeResultReply(shortHeader.data(), shortHeader.size()), -1);
  Bytes foreign = ReplyBuilder(3).searchFixedPart().finish();
  foreign[3] = 'Q';
  EXPECT_EQ(Decode(foreign, d), -1);
  EXPECT_EQ(DecodeResultReply(foreign.data(), foreign.size()), -1);
  EXPECT_TRUE(Untouched(d));
  EXPECT_EQ(DecodeSearchReply(nullptr, 0, 0, d), -1);
}

TEST(ResultReplyDecoding, CodeOfWellFormedRepliesOnly) {
  for (int code : {0, 2, 5, 255}) {
    const Bytes reply = ReplyBuilder(2, uint8_t(code)).finish();
    EXPECT_EQ(DecodeResultReply(reply.data(), reply.size()), code);
  }
  const Bytes padded = ReplyBuilder(2, 0).filler(20, 0xCC).finish();
  EXPECT_EQ(DecodeResultReply(padded.data(), padded.size()), 0);
  const Bytes reply = ReplyBuilder(2, 0).finish();
  for (size_t cut = 0; cut < reply.size(); ++cut) {
    EXPECT_EQ(DecodeResultReply(reply.data(), cut), -1) << cut;
  }
}

TEST(SearchReplyDecoding, HostileReplies) {
  // Texts of 255 bytes are cut to their fields and decoding goes on.
  std::string texts[6];
  for (auto& t : texts) t = std::string(255, 'W');
  texts[0][62] = 'E';  // last kept character of a 64-byte field
  texts[3][30] = 'e';  // last kept character of a 32-byte field
  const Bytes longTexts = ReplyBuilder(3).searchFixedPart(texts).option(8, {0x50, 0}).finish();
  DeviceInfo d = Sentinel();
  ASSERT_EQ(Decode(longTexts, d), 1);
  EXPECT_EQ(std::strlen(d.modelName), 63u);
  EXPECT_EQ(d.modelName[62], 'E');
  EXPECT_EQ(std::strlen(d.infoText3), 63u);
  EXPECT_EQ(std::strlen(d.pppoeText1), 31u);
  EXPECT_EQ(d.pppoeText1[30], 'e');
  EXPECT_EQ(std::strlen(d.pppoeText2), 31u);
  EXPECT_EQ(std::strlen(d.pppoeText3), 63u);
  EXPECT_EQ(d.dnsServer, NetworkOrder(8, 8, 8, 8));
  EXPECT_EQ(d.trailerByte, 0x42u);
  EXPECT_EQ(d.webPort, 80);

  // Every prefix of a valid reply, with a length field that agrees with it,
  // so that the fixed part itself is what runs short. Each prefix is its own
  // exact-size buffer so that an overread is a real out-of-bounds access.
  const std::string someTexts[6] = {"m", "i2", "i3", "p1", "p2", "p3"};
  const Bytes full = ReplyBuilder(3).searchFixedPart(someTexts).option(8, {0x50, 0}).finish();
  const size_t fixedEnd = full.size() - 4;
  for (size_t cut = 0; cut <= full.size(); ++cut) {
    Bytes prefix(full.begin(), full.begin() + cut);
    if (cut >= 7) {
      prefix[5] = uint8_t(cut);
      prefix[6] = 0;
    }
    d = Sentinel();
    const int result = Decode(prefix, d);
    if (cut < fixedEnd) {
      EXPECT_EQ(result, -1) << "cut at " << cut;
      EXPECT_TRUE(Untouched(d)) << "cut at " << cut;
    } else {
      EXPECT_EQ(result, 1) << "cut at " << cut;
      EXPECT_EQ(d.webPort, cut == full.size() ? 80 : 0) << "cut at " << cut;
    }
  }

  // An option running past the end ends the walk; earlier options stay.
  const Bytes overrun = ReplyBuilder(3)
                            .searchFixedPart()
                            .option(2, {0x77})
                            .option(8, {0x50, 0x00})
                            .raw({9, 4, 0x01})
                            .finish();
  d = Sentinel();
  ASSERT_EQ(Decode(overrun, d), 1);
  EXPECT_EQ(d.optionTag2, 0x77u);
  EXPECT_EQ(d.webPort, 80);
  EXPECT_EQ(d.avPort1, 0);

  // Values too short for their tag are skipped by their own length, without
  // borrowing bytes from the next option; a lone trailing tag byte is ignored.
  const Bytes shortValues = ReplyBuilder(3)
                                .searchFixedPart()
                                .option(2, {})
                                .option(8, {0x50})
                                .option(9, {0x2A, 0x15})
                                .raw({10})
                                .finish();
  d = Sentinel();
  ASSERT_EQ(Decode(shortValues, d), 1);
  EXPECT_EQ(d.optionTag2, 0u);
  EXPECT_EQ(d.webPort, 0);
  EXPECT_EQ(d.avPort1, 0x152A);
  EXPECT_EQ(d.avPort2, 0);
}

}  // namespace
