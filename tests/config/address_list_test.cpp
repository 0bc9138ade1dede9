// The address list file as the viewer and the batch read it: which lines
// are usable, what a usable line yields, and how the file is cut into lines.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/config/config_test_support.h"
#include "ui/config/address_list_file.h"
#include "ui/config/address_list_line.h"

using config_test::Ip;
using config_test::TempFiles;

namespace {

const char kGoodLine[] = "00:1A:2B:3C:4D:5E STATIC 192.168.1.20 255.255.255.0 192.168.1.1 168.126.63.1";

bool Usable(const std::string& line) { return ParseAddressListLine(line).has_value(); }

TEST(AddressListLine, UsableLinesYieldTheirTokensAndNetworkOrderAddresses) {
  const auto record = ParseAddressListLine(kGoodLine);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->macText, "00:1A:2B:3C:4D:5E");
  EXPECT_EQ(record->typeText, "STATIC");
  EXPECT_EQ(record->networkType, kNetworkStatic);
  EXPECT_EQ(record->ipAddress, Ip("192.168.1.20"));
  EXPECT_EQ(record->subnetMask, Ip("255.255.255.0"));
  EXPECT_EQ(record->gateway, Ip("192.168.1.1"));
  EXPECT_EQ(record->dnsServer, Ip("168.126.63.1"));
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&record->ipAddress);
  EXPECT_EQ(bytes[0], 192);
  EXPECT_EQ(bytes[3], 20);

  // Any white space between tokens, a CR left by CR LF, a seventh token.
  const auto dhcp = ParseAddressListLine("\t00:1a:2b:3c:4d:5e  dHcP\t10.0.0.5   255.0.0.0 10.0.0.1 10.0.0.2 extra 99\r");
  ASSERT_TRUE(dhcp);
  EXPECT_EQ(dhcp->typeText, "DHCP");
  EXPECT_EQ(dhcp->networkType, kNetworkDhcp);
  EXPECT_EQ(dhcp->macText, "00:1a:2b:3c:4d:5e") << "kept as written";
  EXPECT_EQ(dhcp->addressTexts[3], "10.0.0.2") << "the seventh token is not an address";
  EXPECT_TRUE(Usable("00:1A:2B:3C:4D:5E static 1.2.3.4 255.255.255.0 1.2.3.1 1.2.3.2"));
  EXPECT_TRUE(Usable("00:1A:2B:3C:4D:5E Static 1.2.3.4 255.255.255.0 1.2.3.1 1.2.3.2"));

  // Leading zeros are decimal: 010 is ten, never octal eight.
  const auto zeros = ParseAddressListLine("M STATIC 010.001.000.099 255.255.255.000 0.0.0.0 8.8.8.8");
  ASSERT_TRUE(zeros);
  EXPECT_EQ(zeros->ipAddress, Ip("10.1.0.99"));
  EXPECT_EQ(zeros->addressTexts[0], "010.001.000.099");
}

TEST(AddressListLine, UnusableLines) {
  EXPECT_FALSE(Usable(""));
  EXPECT_FALSE(Usable("   \t \r"));
  EXPECT_FALSE(Usable("00:1A:2B:3C:4D:5E STATIC 192.168.1.20 255.255.255.0 192.168.1.1"));
  EXPECT_FALSE(Usable("00:1A:2B:3C:4D:5E PPPOE 192.168.1.20 255.255.255.0 192.168.1.1 168.126.63.1"));
  EXPECT_FALSE(Usable("00:1A:2B:3C:4D:5E STATIC1 192.168.1.20 255.255.255.0 192.168.1.1 168.126.63.1"));

  // Every address, for DHCP lines too, must be four parts of 0..255.
  for (const char* bad : {"192.168.1.300", "1..2.3", "192.168.1", "192.168.1.1000", "10.0.0.1/24",
                          "1.2.3.4.", ".1.2.3", "256.0.0.1", "1.2.3.4.5", "0x1.2.3.4", "-1.2.3.4", "1.2.3.0004"}) {
    for (int position = 0; position < 4; ++position) {
      std::string addresses[4] = {"10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2"};
      addresses[position] = bad;
      const std::string line = "00:1A:2B:3C:4D:5E DHCP " + addresses[0] + " " + addresses[1] + " " +
                               addresses[2] + " " + addresses[3];
      EXPECT_FALSE(Usable(line)) << line;
    }
  }

  // 63 characters fit a token; 64 make the line unusable, in any of the six.
  const std::string mac63(63, 'A');
  EXPECT_TRUE(Usable(mac63 + " STATIC 1.2.3.4 255.255.255.0 1.2.3.1 1.2.3.2"));
  EXPECT_FALSE(Usable(mac63 + "A STATIC 1.2.3.4 255.255.255.0 1.2.3.1 1.2.3.2"));
  EXPECT_TRUE(Usable(std::string(kGoodLine) + " " + std::string(500, 'x')))
      << "a long seventh token is ignored";
}

TEST(AddressListFile, LinesPiecesAndHostileFiles) {
  TempFiles files;
  // CR LF and LF endings, blank and broken lines between usable ones.
  const std::string mixed = std::string(kGoodLine) + "\r\n\r\nbroken line\n" +
                            "00:00:00:00:00:01 DHCP 1.1.1.1 1.1.1.2 1.1.1.3 1.1.1.4\n"
                            "00:00:00:00:00:02 STATIC 1.1.1.1 1.1.1.2 1.1.1.3 1.1.1.400\r\n"
                            "00:00:00:00:00:03 STATIC 9.9.9.9 255.0.0.0 9.0.0.1 9.0.0.2";
  const auto records = ReadAddressListFile(files.Write(mixed));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].macText, "00:1A:2B:3C:4D:5E");
  EXPECT_EQ(records[1].typeText, "DHCP");
  EXPECT_EQ(records[2].dnsServer, Ip("9.0.0.2")) << "a last line without its end still counts";

  // A piece holds at most 2047 characters, its end counted among them; the
  // rest of a longer line is read as the next line.
  const std::string padding(2047 - 1 - std::string(kGoodLine).size(), ' ');
  const std::string fitting = std::string(kGoodLine) + padding + "\n";  // exactly 2047 with its end
  const std::string overlong = std::string(2047, ' ') + kGoodLine + "\n";  // the good part spills over
  const std::string cut = std::string(2040, ' ') + kGoodLine + "\n";       // cut inside the MAC
  {
    AddressListReader reader(files.Write(fitting + overlong + cut));
    std::vector<std::string> pieces;
    while (auto piece = reader.NextPiece()) pieces.push_back(*piece);
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_EQ(pieces[0].size(), 2046u);
    EXPECT_EQ(pieces[1], std::string(2047, ' '));
    EXPECT_EQ(pieces[2], kGoodLine);
    EXPECT_EQ(pieces[3].size(), 2047u);
    EXPECT_EQ(pieces[4], std::string(kGoodLine).substr(7));
  }
  EXPECT_EQ(ReadAddressListFile(files.Write(fitting + overlong + cut)).size(), 3u)
      << "the spilled-over rest of the cut line is a line of its own";

  // Binary content, a missing file, a directory, an empty path: no lines.
  std::string binary;
  for (int i = 0; i < 20000; ++i) binary.push_back(static_cast<char>((i * 7919) % 256));
  binary += std::string("\n\0", 2) + kGoodLine;  // a NUL glued to the MAC
  const auto fromBinary = ReadAddressListFile(files.Write(binary));
  ASSERT_EQ(fromBinary.size(), 1u);
  EXPECT_EQ(fromBinary[0].macText, std::string("\0", 1) + "00:1A:2B:3C:4D:5E");
  EXPECT_FALSE(ParseUpperColonMac(fromBinary[0].macText)) << "shown, but never matching a device";
  EXPECT_TRUE(ReadAddressListFile("/nonexistent/tavrix/list.txt").empty());
  EXPECT_TRUE(ReadAddressListFile("/tmp").empty());
  EXPECT_TRUE(ReadAddressListFile("").empty());

  // A long file is read whole, every line in order.
  std::string big;
  for (int i = 0; i < 100000; ++i) {
    char line[128];
    std::snprintf(line, sizeof line, "00:00:00:%02X:%02X:%02X %s 10.%d.%d.1 255.255.0.0 10.0.0.1 10.0.0.2\n",
                  (i >> 16) & 0xFF, (i >> 8) & 0xFF, i & 0xFF, (i % 2) ? "dhcp" : "static", (i >> 8) & 0xFF,
                  i & 0xFF);
    big += line;
  }
  const auto all = ReadAddressListFile(files.Write(big));
  ASSERT_EQ(all.size(), 100000u);
  EXPECT_EQ(all[99999].macText, "00:00:00:01:86:9F");
  EXPECT_EQ(all[99999].typeText, "DHCP");
  EXPECT_EQ(all[12345].ipAddress, Ip("10.48.57.1"));
}

}  // namespace
