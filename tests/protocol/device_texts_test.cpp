// The decoding rule for device texts and the CSV writer, on plain values:
// every odd byte sequence a device may send, and a file whose awkward texts
// a spreadsheet must read back as one field each.
#include "protocol/device_texts.h"

#include <gtest/gtest.h>
#include <net/if.h>

#include "protocol/device_csv.h"
#include "tests/support/device_builder.h"

namespace {

TEST(DeviceListCsv, HeaderAndAwkwardTextsQuotedAsRfc4180) {
  const std::string header =
      "No.,Model Name,MAC address,IP address,Web port,AV port,State,Subnet mask,Gateway,DNS server,"
      "Network type,Interface\r\n";
  EXPECT_EQ(DeviceListCsv({}), header) << "an empty list still names its columns";

  TestDevice device = TestDevice(1, "10.0.0.9").withNetworkType(kNetworkPppoe);
  device.interfaceIndex = static_cast<int32_t>(if_nametoindex("lo"));
  // Each model needs quoting for one reason of its own: a quote, a comma,
  // and the two characters that end a record outside quotes.
  std::vector<DeviceCsvRow> rows;
  for (const char* model : {"Cam \"Pro\" 카메라", "4K, 2MP", "line 1\nline 2", "a\rb"}) {
    rows.push_back({{"1", model, "00:1A:2B - 3C:4D:5E", "10.0.0.9", "80", "4000 / 4001", "IP"}, device});
  }
  const std::string rest =
      ",00:1A:2B - 3C:4D:5E,10.0.0.9,80,4000 / 4001,IP,255.255.255.0,10.0.0.1,10.0.0.2,PPPoE,lo\r\n";
  EXPECT_EQ(DeviceListCsv(rows), header + "1,\"Cam \"\"Pro\"\" 카메라\"" + rest + "1,\"4K, 2MP\"" + rest +
                                     "1,\"line 1\nline 2\"" + rest + "1,\"a\rb\"" + rest);
}

TEST(DeviceListCsv, ModelNamesThatASpreadsheetWouldEvaluateGetAnApostrophe) {
  DeviceInfo device{};
  std::vector<DeviceCsvRow> rows;
  for (const char* model :
       {"=HYPERLINK(\"http://x\",\"y\")", "+1", "-2+3", "@SUM(A1)", "\tcmd", "\rcmd", "IP-Cam =1", ""}) {
    rows.push_back({{"1", model, "", "", "-", "-", ""}, device});
  }
  const std::string csv = DeviceListCsv(rows);
  const std::string rest = ",,,-,-,,0.0.0.0,0.0.0.0,0.0.0.0,DHCP,\r\n";
  EXPECT_EQ(csv.substr(csv.find("\r\n") + 2), "1,\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"" + rest + "1,'+1" + rest +
                                                  "1,'-2+3" + rest + "1,'@SUM(A1)" + rest + "1,'\tcmd" + rest +
                                                  "1,\"'\rcmd\"" + rest + "1,IP-Cam =1" + rest + "1," + rest)
      << "only a leading character counts, and the tool's own \"-\" ports stay as they are";
}

TEST(DeviceTextUtf8, ValidUtf8StaysOtherBytesAreLatin1AndControlsAreReplaced) {
  EXPECT_EQ(DeviceTextUtf8("\xEC\xB9\xB4\xEB\xA9\x94\xEB\x9D\xBC", 64), "카메라");
  EXPECT_EQ(DeviceTextUtf8("IPCam\xE9", 64), "IPCam\u00E9");
  const char unterminated[4] = {'A', 'B', 'C', 'D'};
  EXPECT_EQ(DeviceTextUtf8(unterminated, sizeof unterminated), "ABCD");
  EXPECT_EQ(DeviceTextUtf8("A\tB\x1b[1m\x7F\xC2\x85", 64), "A\uFFFDB\uFFFD[1m\uFFFD\uFFFD")
      << "control characters of ASCII and of Latin-1 are made visible";
  // Forms UTF-8 forbids make the whole text Latin-1: an overlong '/', a
  // surrogate, a code point past U+10FFFF, a sequence cut short.
  EXPECT_EQ(DeviceTextUtf8("\xC0\xAF", 64), "\u00C0\u00AF");
  EXPECT_EQ(DeviceTextUtf8("\xED\xA0\x80", 64), "\u00ED\u00A0\uFFFD");
  EXPECT_EQ(DeviceTextUtf8("\xF4\x90\x80\x80", 64), "\u00F4\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(DeviceTextUtf8("ok\xE2\x82", 64), "ok\u00E2\uFFFD");
}

// An override or isolate reorders what follows it, so that "CAM-1" plus
// U+202E can read as another device's name; JSON keeps them for escaping.
TEST(DeviceTextUtf8, BidirectionalControlsAreReplacedUnlessKeptForJson) {
  const std::string spoof = "CAM\u202A\u202B\u202C\u202D\u202E1\u2066\u2067\u2068\u2069\u206A\u2029\U0001F4F7";
  EXPECT_EQ(DeviceTextUtf8(spoof.c_str(), 64),
            "CAM\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD1\uFFFD\uFFFD\uFFFD\uFFFD\u206A\u2029\U0001F4F7")
      << "only the embeddings, overrides and isolates go";
  EXPECT_EQ(DeviceTextUtf8(spoof.c_str(), 64, BidiControls::kKeep), spoof);
}

// Bytes from a file are not a device field: a NUL does not end the text, or a
// reason such as "192.168.77.2\0x is not an address" would read as an address.
TEST(TextUtf8, EveryByteCountsAndANulIsAControl) {
  constexpr char kReason[] = "10.0.0.2\0x is not an address";
  EXPECT_EQ(TextUtf8(std::string_view(kReason, sizeof kReason - 1)), "10.0.0.2\uFFFDx is not an address");
}

}  // namespace
