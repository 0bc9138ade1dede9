// The address list file as the viewer and the batch read it: its lines,
// pieces and refused files, the pre-flight check of each line, and the
// address a batch by range plans for each device.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <tuple>

#include "batch/address_list_check.h"
#include "batch/address_list_file.h"
#include "batch/address_list_line.h"
#include "batch/range_plan.h"
#include "protocol/address_text.h"
#include "tests/support/temp_files.h"

namespace {

uint32_t Ip(const std::string& text) { return inet_addr(text.c_str()); }

const char kGoodLine[] = "00:1A:2B:3C:4D:5E STATIC 192.168.1.20 255.255.255.0 192.168.1.1 168.126.63.1";

bool Usable(const std::string& line) { return ParseAddressListLine(line).has_value(); }

TEST(AddressListLine, UsableLinesYieldTheirTokensAndNetworkOrderAddresses) {
  const auto record = ParseAddressListLine(kGoodLine);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->macText, "00:1A:2B:3C:4D:5E");
  EXPECT_EQ(record->networkType, kNetworkStatic);
  EXPECT_EQ((std::vector<uint32_t>{record->ipAddress, record->subnetMask, record->gateway, record->dnsServer}),
            (std::vector<uint32_t>{Ip("192.168.1.20"), Ip("255.255.255.0"), Ip("192.168.1.1"), Ip("168.126.63.1")}));

  // Any white space between tokens, a CR left by CR LF, a seventh token.
  const auto dhcp =
      ParseAddressListLine("\t00:1a:2b:3c:4d:5e  dHcP\t10.0.0.5   255.0.0.0 10.0.0.1 10.0.0.2 extra 99\r");
  ASSERT_TRUE(dhcp);
  EXPECT_EQ(std::tie(dhcp->typeText, dhcp->networkType, dhcp->macText, dhcp->addressTexts[3]),
            std::tuple("DHCP", kNetworkDhcp, "00:1a:2b:3c:4d:5e", "10.0.0.2"))
      << "the MAC kept as written";

  // Leading zeros are decimal: 010 is ten, never octal eight.
  const auto zeros = ParseAddressListLine("M Static 010.001.000.099 255.255.255.000 0.0.0.0 8.8.8.8");
  ASSERT_TRUE(zeros);
  EXPECT_EQ(std::tie(zeros->ipAddress, zeros->addressTexts[0]), std::tuple(Ip("10.1.0.99"), "010.001.000.099"));
}

TEST(AddressListLine, UnusableLines) {
  for (const char* line : {"", "   \t \r", "00:1A:2B:3C:4D:5E STATIC 192.168.1.20 255.255.255.0 192.168.1.1",
                           "00:1A:2B:3C:4D:5E PPPOE 1.2.3.4 255.255.255.0 1.2.3.1 1.2.3.2",
                           "00:1A:2B:3C:4D:5E STATIC1 1.2.3.4 255.255.255.0 1.2.3.1 1.2.3.2"})
    EXPECT_FALSE(Usable(line)) << line;

  // Every address, for DHCP lines too, must be four parts of 0..255.
  int position = 0;
  for (const char* bad : {"192.168.1.300", "1..2.3", "192.168.1", "10.0.0.1/24", "1.2.3.4.", ".1.2.3", "256.0.0.1",
                          "1.2.3.4.5", "0x1.2.3.4", "-1.2.3.4", "1.2.3.0004"}) {
    std::string addresses[4] = {"10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.2"};
    addresses[position++ % 4] = bad;
    const std::string line = "M DHCP " + addresses[0] + " " + addresses[1] + " " + addresses[2] + " " + addresses[3];
    EXPECT_FALSE(Usable(line)) << line;
  }

  // 63 characters fit a token; 64 make the line unusable.
  const std::string mac63(63, 'A');
  EXPECT_TRUE(Usable(mac63 + " STATIC 1.2.3.4 255.255.255.0 1.2.3.1 1.2.3.2"));
  EXPECT_FALSE(Usable(mac63 + "A STATIC 1.2.3.4 255.255.255.0 1.2.3.1 1.2.3.2"));
  EXPECT_TRUE(Usable(std::string(kGoodLine) + " " + std::string(500, 'x'))) << "a long seventh token is ignored";
}

TEST(AddressListFile, LinesPiecesAndHostileFiles) {
  TempFiles files;
  const std::string mixed = std::string(kGoodLine) + "\r\n\r\nbroken line\n" +
                            "00:00:00:00:00:01 DHCP 1.1.1.1 1.1.1.2 1.1.1.3 1.1.1.4\n"
                            "00:00:00:00:00:03 STATIC 9.9.9.9 255.0.0.0 9.0.0.1 9.0.0.2";
  const auto records = ReadAddressListFile(files.Write(mixed));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(std::tie(records[1].typeText, records[2].dnsServer), std::tuple("DHCP", Ip("9.0.0.2")))
      << "a last line without its end still counts";

  // A piece holds at most 2047 characters, its end counted among them; the
  // rest of a longer line is read as the next line.
  const std::string fitting = kGoodLine + std::string(2046 - std::string(kGoodLine).size(), ' ') + "\n";
  const std::string overlong = std::string(2047, ' ') + kGoodLine + "\n";
  const std::string cut = std::string(2040, ' ') + kGoodLine + "\n";
  const std::string path = files.Write(fitting + overlong + cut);
  AddressListReader reader(path);
  std::vector<std::string> pieces;
  while (auto piece = reader.NextPiece()) pieces.push_back(*piece);
  EXPECT_EQ(pieces, (std::vector<std::string>{fitting.substr(0, 2046), overlong.substr(0, 2047), kGoodLine,
                                              cut.substr(0, 2047), std::string(kGoodLine).substr(7)}));
  EXPECT_EQ(ReadAddressListFile(path).size(), 3u) << "the spilled-over rest of the cut line is a line of its own";

  // Binary content, with a NUL glued to a MAC.
  std::string binary;
  for (int i = 0; i < 20000; ++i) binary.push_back(static_cast<char>((i * 7919) % 256));
  binary += std::string("\n\0", 2) + kGoodLine;
  const auto fromBinary = ReadAddressListFile(files.Write(binary));
  ASSERT_EQ(fromBinary.size(), 1u);
  EXPECT_EQ(fromBinary[0].macText, std::string("\0", 1) + "00:1A:2B:3C:4D:5E");
  EXPECT_FALSE(ParseUpperColonMac(fromBinary[0].macText)) << "shown, but never matching a device";

  // Only a mark at the very start is skipped; a later one is line content.
  const std::string mark = "\xEF\xBB\xBF";
  const auto marked = ReadAddressListFile(files.Write(mark + kGoodLine + "\n" + mark + kGoodLine));
  ASSERT_EQ(marked.size(), 2u);
  EXPECT_EQ(marked[0].macText + "|" + marked[1].macText, "00:1A:2B:3C:4D:5E|" + mark + "00:1A:2B:3C:4D:5E");
}

// What is no regular file of at most 16 MiB is refused before any reading:
// a FIFO without a writer must not block the open, an endless device must
// not be read for ever (nor a file that grows while it is read), and a file
// that fails half-way gives no lines.
TEST(AddressListFile, RefusesAnythingButABoundedReadableRegularFile) {
  TempFiles files;
  const std::string fifo = files.Write("");
  ASSERT_EQ(unlink(fifo.c_str()), 0);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string atLimit = files.Write(std::string(kGoodLine) + "\n");
  ASSERT_EQ(truncate(atLimit.c_str(), kAddressListMaxBytes), 0);
  const std::string overLimit = files.Write(std::string(kGoodLine) + "\n");
  ASSERT_EQ(truncate(overLimit.c_str(), kAddressListMaxBytes + 1), 0);

  EXPECT_EQ(ReadAddressList(atLimit).records.size(), 1u);
  const std::pair<std::string, AddressListStatus> refused[] = {
      {"/nonexistent/tavrix/list.txt", AddressListStatus::kCannotOpen},
      {"", AddressListStatus::kCannotOpen},
      {"/tmp", AddressListStatus::kNotRegularFile},
      {fifo, AddressListStatus::kNotRegularFile},
      {"/dev/zero", AddressListStatus::kNotRegularFile},
      {overLimit, AddressListStatus::kTooLarge},
      {"/proc/self/mem", AddressListStatus::kReadFailed},  // regular, but reading offset 0 fails
  };
  for (const auto& [path, status] : refused) {
    const AddressList list = ReadAddressList(path);
    EXPECT_EQ(std::pair(list.status, list.records.size()), std::pair(status, size_t{0})) << path;
    EXPECT_STRNE(AddressListStatusText(status), "") << path;
  }

  // A file that grows past the limit once opened is read no further.
  const std::string growing = files.Write(kGoodLine);
  AddressListReader reader(growing);
  ASSERT_EQ(truncate(growing.c_str(), kAddressListMaxBytes + 1), 0);
  while (reader.NextPiece()) {
  }
  EXPECT_EQ(reader.status(), AddressListStatus::kTooLarge);

  // The stop request is heard between lines, and a stopped read gives no
  // lines rather than a part of the file.
  std::string many;
  for (int i = 0; i < 100; ++i) many += std::string(kGoodLine) + "\n";
  int asked = 0;
  const AddressList stopped = ReadAddressList(files.Write(many), [&] { return ++asked == 3; });
  EXPECT_EQ(std::tuple(stopped.status, stopped.records.size(), asked), std::tuple(AddressListStatus::kStopped, 0u, 3));
}

// Each line against five listed devices: 01 ticked, 02 not ticked, 03 and
// 04 ticked, 05 ticked at 10.0.0.5. Every problem a line has is named, most
// important first; 04's DHCP line moves it off 10.0.0.4, 05's own line
// keeps it on 10.0.0.5.
TEST(AddressListCheck, EveryVerdictAndReasonInPrecedence) {
  std::vector<ListedDevice> devices;
  for (uint8_t last = 1; last <= 5; ++last)
    devices.push_back({{0x00, 0x1A, 0x2B, 0x00, 0x00, last}, Ip("10.0.0." + std::to_string(last)), last != 2});
  const std::string tail = " 255.255.255.0 10.0.0.254 8.8.8.8";
  const std::pair<std::string, const char*> table[] = {
      {"00:1A:2B:00:00:01 STATIC 10.0.0.101" + tail, "ready"},
      {"00:1A:2B:00:00:02 STATIC 10.0.0.102" + tail, "not ticked; MAC twice in the file"},
      {"00:1A:2B:00:00:02 dhcp 0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0", "not ticked; MAC twice in the file"},
      {"00:1a:2b:00:00:01 STATIC 10.0.0.103" + tail, "not listed"},
      {"  #00:1A:2B:00:00:01 STATIC 10.0.0.104" + tail, "not listed"},
      {"00:1A:2B:00:00:03 STATIC 10.0.0.4 255.255.0.255 10.9.0.1 8.8.8.8",
       "MAC twice in the file; subnet mask not contiguous; gateway outside the subnet"},
      {"00:1A:2B:00:00:03 STATIC 10.0.0.200 255.255.255.0 0.0.0.0 8.8.8.8", "MAC twice in the file"},
      {"00:1A:2B:00:00:04 DHCP 10.0.0.5 255.0.255.0 9.9.9.9 0.0.0.0", "ready"},
      {"00:1A:2B:00:00:99 STATIC 10.0.0.5" + tail,
       "not listed; address given twice in the file; address in use by 00:1A:2B:00:00:05"},
      {"00:1A:2B:00:00:05 STATIC 10.0.0.5" + tail, "address given twice in the file"},
      {"00:1A:2B:00:00:01 STATIC 10.0.0.1 255.255.255.0 10.0.0.254", "five tokens"},
      {"x", "one token"},
      {"00:1A:2B:00:00:01 PPPOE 10.0.0.1" + tail, "PPPOE is not STATIC or DHCP"},
      {"00:1A:2B:00:00:01 STATIC 192.168.1.300" + tail, "192.168.1.300 is not an address"},
      {std::string(64, 'A') + " STATIC 10.0.0.1" + tail, "a token longer than 63 characters"},
  };
  AddressListLines file;
  AppendAddressListLine(file, " \t");
  AppendAddressListLine(file, "# MAC TYPE IP ADDRESS SUBNET MASK GATEWAY DNS SERVER");
  for (const auto& [line, verdict] : table) AppendAddressListLine(file, line);
  ASSERT_EQ(file.lines.size(), std::size(table)) << "blank and comment lines are left out";

  const AddressListCheck check = CheckAddressList(file, devices);
  for (size_t i = 0; i < std::size(table); ++i) {
    EXPECT_EQ(LineCheckText(file.lines[i], check.lines[i]), table[i].second) << table[i].first;
  }
  EXPECT_EQ(AddressListCheckSummary(check),
            "10 usable lines: 2 ready, 3 not listed, 2 not ticked, 3 warnings; "
            "5 lines skipped");

  // However many unusable lines a file holds, only the first 1000 are kept.
  for (size_t i = 0; i < kAddressListMaxKeptUnusable; ++i) AppendAddressListLine(file, "x");
  EXPECT_EQ(file.lines.size(), std::size(table) + kAddressListMaxKeptUnusable - 5);
  EXPECT_EQ(AddressListCheckSummary(CheckAddressList(file, {})),
            "10 usable lines: 0 ready, 10 not listed; 1005 lines skipped (the first 1000 shown)");
}

// A row reads "[DHCP] start end mask gateway ticked in-use...": `ticked`
// devices listed against their MACs' order, then unticked ones in use; DNS
// 10.0.0.3. The outcome: each line's address ("DHCP" and its IP text when
// none) or the refusal. Every line must read like the file line it stands for.
std::string PlanOutcome(const std::string& row) {
  const bool dhcp = row.rfind("DHCP ", 0) == 0;
  std::istringstream in(row.substr(dhcp ? 5 : 0));
  std::string start, end, mask, gateway, inUse;
  size_t ticked = 0;
  in >> start >> end >> mask >> gateway >> ticked;
  const RangeSettings settings{
      dhcp ? kNetworkDhcp : kNetworkStatic, Ip(start), Ip(end), Ip(mask), Ip(gateway), Ip("10.0.0.3")};
  std::vector<ListedDevice> listed;
  for (size_t i = 0; i < ticked; ++i)
    listed.push_back({{0, 0x1A, 0x2B, 0, 0, static_cast<uint8_t>(0xF0 - i)}, 0, true});
  while (in >> inUse) listed.push_back({{0, 0x1A, 0x2B, 0, 1, 0}, Ip(inUse), false});
  const RangePlan plan = PlanAddressRange(settings, listed, {}, RangeDevices::kNamedDevices);
  if (plan.refusal != RangeRefusal::kNone) return RangeRefusalText(settings, plan);
  std::string outcome;
  for (size_t i = 0; i < plan.lines.size(); ++i) {
    const AddressListRecord& r = plan.lines[i].record;
    const auto& t = r.addressTexts;
    EXPECT_EQ(plan.lines[i].mac, listed[i].mac);
    EXPECT_EQ(ParseUpperColonMac(r.macText), listed[i].mac);
    EXPECT_EQ(t[1] + " " + t[2] + " " + t[3], dhcp ? "0.0.0.0 0.0.0.0 0.0.0.0" : mask + " " + gateway + " 10.0.0.3");
    const auto reread =
        ParseAddressListLine(r.macText + " " + r.typeText + " " + t[0] + " " + t[1] + " " + t[2] + " " + t[3]);
    EXPECT_TRUE(reread && reread->networkType == r.networkType &&
                std::tie(reread->ipAddress, reread->subnetMask, reread->gateway, reread->dnsServer) ==
                    std::tie(r.ipAddress, r.subnetMask, r.gateway, r.dnsServer))
        << "the texts and the values agree";
    const std::optional<uint32_t> given = GivenAddress(r);
    outcome += (outcome.empty() ? "" : " ") + (given ? DottedAddressText(*given) : r.typeText + " " + t[0]);
  }
  return outcome;
}

TEST(RangePlan, AddressesInTurnPassingOverTakenOnesOrTheReasonForNone) {
  const std::pair<const char*, const char*> table[] = {
      {"10.0.0.250 10.0.0.255 255.255.255.0 10.0.0.1 4 10.0.0.251 10.0.0.9",
       "10.0.0.250 10.0.0.252 10.0.0.253 10.0.0.254"},
      {"10.0.0.250 10.0.0.255 255.255.255.0 10.0.0.1 5 10.0.0.251 10.0.0.251",
       "The range 10.0.0.250 ~ 10.0.0.255 has 4 usable addresses for 5 selected devices."},
      {"10.0.0.0 10.0.0.5 255.255.255.0 10.0.0.1 3", "10.0.0.2 10.0.0.4 10.0.0.5"},
      {"10.0.0.3 10.0.0.3 255.255.255.0 10.0.0.1 1",
       "The range 10.0.0.3 ~ 10.0.0.3 has 0 usable addresses for 1 selected device."},
      {"10.0.0.9 10.0.0.8 255.255.255.0 10.0.0.1 1", "The end address 10.0.0.8 is below the start address 10.0.0.9."},
      {"10.0.0.9 10.0.1.8 255.255.255.0 10.0.1.1 1",
       "The start address 10.0.0.9 is outside the subnet 10.0.1.0 / 255.255.255.0."},
      {"10.0.0.9 10.0.1.8 255.255.255.0 10.0.0.1 1",
       "The end address 10.0.1.8 is outside the subnet 10.0.0.0 / 255.255.255.0."},
      {"10.0.0.9 10.0.1.8 255.255.255.0 0.0.0.0 1",
       "The end address 10.0.1.8 is outside the subnet 10.0.0.0 / 255.255.255.0."},
      {"10.0.0.9 10.0.1.8 255.255.0.0 0.0.0.0 2", "10.0.0.9 10.0.0.10"},
      {"10.0.0.9 10.0.0.8 255.0.255.0 10.0.0.1 1", "The subnet mask 255.0.255.0 is not contiguous."},
      // DHCP takes no range, so none of its faults refuse it.
      {"DHCP 10.0.0.9 10.0.0.8 255.0.255.0 10.9.0.1 2 10.0.0.9", "DHCP 0.0.0.0 DHCP 0.0.0.0"},
  };
  for (const auto& [row, outcome] : table) EXPECT_EQ(PlanOutcome(row), outcome) << row;
}

// A PC on two LANs, eth0 192.168.0.5/24 and eth1 192.168.1.5/24. Ticked
// devices 1 and 3 were heard on eth0, 2 on eth1, 4 where nobody knows.
std::string AdapterPlan(const char* start, const char* end, RangeDevices picked, bool tickTwo = true) {
  const std::vector<UsableAdapter> adapters = {{"eth0", 2, Ip("192.168.0.5"), Ip("255.255.255.0")},
                                               {"eth1", 3, Ip("192.168.1.5"), Ip("255.255.255.0")}};
  std::vector<ListedDevice> devices;
  for (const auto& [last, adapter] : {std::pair{1, 2}, {2, 3}, {3, 2}, {4, 0}})
    devices.push_back({{0, 0x1A, 0x2B, 0, 0, uint8_t(last)}, 0, last != 2 || tickTwo, adapter});
  const RangeSettings settings{kNetworkStatic, Ip(start), Ip(end), Ip("255.255.255.0"), 0, 0};
  const RangePlan plan = PlanAddressRange(settings, devices, adapters, picked);
  if (plan.refusal != RangeRefusal::kNone) return RangeRefusalText(settings, plan);
  std::string outcome;
  for (const BatchLine& line : plan.lines)
    outcome += std::to_string(line.mac[5]) + "=" + line.record.addressTexts[0] + " ";
  for (const MacAddress& mac : plan.otherNetwork) outcome += std::to_string(mac[5]) + "=other ";
  return outcome;
}

TEST(RangePlan, DevicesOfAnotherNetworkGetNoAddressAndARangeOfNoAdapterNeedsChosenDevices) {
  EXPECT_EQ(AdapterPlan("192.168.0.20", "192.168.0.40", RangeDevices::kAllFound),
            "1=192.168.0.20 3=192.168.0.21 4=192.168.0.22 2=other ");
  EXPECT_EQ(AdapterPlan("192.168.1.20", "192.168.1.40", RangeDevices::kTickedRows),
            "2=192.168.1.20 4=192.168.1.21 1=other 3=other ");
  const std::string noAdapter = "No adapter of this PC is on the subnet of 10.0.0.20 ~ 10.0.0.40";
  EXPECT_EQ(AdapterPlan("10.0.0.20", "10.0.0.40", RangeDevices::kAllFound),
            noAdapter + ": name the devices to move (--mac) or their adapter (--interface).");
  EXPECT_EQ(AdapterPlan("10.0.0.20", "10.0.0.40", RangeDevices::kTickedRows),
            noAdapter +
                ", and the selected devices were found through several adapters. Choose an adapter in "
                "\"Local network info.\" and select the devices again.");
  EXPECT_EQ(AdapterPlan("10.0.0.20", "10.0.0.40", RangeDevices::kTickedRows, false),
            "1=10.0.0.20 3=10.0.0.21 4=10.0.0.22 ");
  EXPECT_EQ(AdapterPlan("10.0.0.20", "10.0.0.40", RangeDevices::kNamedDevices),
            "1=10.0.0.20 2=10.0.0.21 3=10.0.0.22 4=10.0.0.23 ");
}

}  // namespace
