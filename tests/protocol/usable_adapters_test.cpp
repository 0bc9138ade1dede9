// Which adapters the endpoint may use and how an operator's names resolve
// to them, from listings as getifaddrs gives them.
#include "protocol/usable_adapters.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace {

InterfaceEntry Entry(const char* name, int32_t index, const char* address, bool broadcast = true, bool up = true) {
  InterfaceEntry entry;
  entry.name = name;
  entry.index = index;
  entry.up = up;
  entry.loopback = std::string(name) == "lo";
  entry.ipv4 = address != nullptr;
  entry.broadcast = broadcast && entry.ipv4;
  entry.address = address != nullptr ? inet_addr(address) : 0;
  entry.mask = inet_addr("255.255.255.0");
  return entry;
}

// A PC with wired and wireless LANs, a VPN tunnel, an adapter that is down,
// one without IPv4, loopback, and a second address on the wired adapter.
const std::vector<InterfaceEntry> kPc = {
    Entry("lo", 1, "127.0.0.1", false),
    Entry("wlan0", 3, "192.168.1.5"),
    Entry("eth0", 2, "192.168.0.5"),
    Entry("eth0", 2, "10.9.0.5"),
    Entry("tun0", 4, "10.8.0.2", false),
    Entry("eth1", 5, "172.16.0.5", true, false),
    Entry("br0", 6, nullptr),
};

std::vector<std::string> Names(const std::vector<UsableAdapter>& adapters) {
  std::vector<std::string> names;
  for (const UsableAdapter& adapter : adapters) names.push_back(adapter.name);
  return names;
}

TEST(UsableAdapters, OnlyUpIpv4BroadcastAdaptersOnceEachInIndexOrder) {
  const std::vector<UsableAdapter> usable = UsableAdaptersFrom(kPc);
  EXPECT_EQ(Names(usable), (std::vector<std::string>{"eth0", "wlan0"}));
  EXPECT_EQ(AdapterListText(usable), "eth0 (192.168.0.5), wlan0 (192.168.1.5)") << "its first address stands for it";
  EXPECT_EQ(AdapterIndexes(usable), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(AdapterListText({}), "none");
}

TEST(UsableAdapters, ChosenNamesResolveOrTheRefusalNamesTheUsableOnes) {
  const AdapterChoice both = ChooseAdapters({"wlan0", "eth0", "wlan0"}, kPc);
  EXPECT_EQ(both.error, "");
  EXPECT_EQ(Names(both.adapters), (std::vector<std::string>{"wlan0", "eth0"})) << "as named, each once";

  const std::string usable = "; usable adapters: eth0 (192.168.0.5), wlan0 (192.168.1.5)";
  const std::pair<const char*, std::string> refused[] = {
      {"eth9", "no adapter named eth9" + usable},
      {"tun0", "adapter tun0 has no IPv4 broadcast address (or is down)" + usable},
      {"eth1", "adapter eth1 has no IPv4 broadcast address (or is down)" + usable},
      {"br0", "adapter br0 has no IPv4 broadcast address (or is down)" + usable},
      {"lo", "adapter lo has no IPv4 broadcast address (or is down)" + usable},
  };
  for (const auto& [name, error] : refused) {
    const AdapterChoice choice = ChooseAdapters({"eth0", name}, kPc);
    EXPECT_EQ(choice.error, error) << name;
    EXPECT_TRUE(choice.adapters.empty()) << name;
  }
}

TEST(UsableAdapters, TheSubnetThatHoldsARangeAndAdaptersThatWentAway) {
  const std::vector<UsableAdapter> usable = UsableAdaptersFrom(kPc);
  const UsableAdapter* holder = AdapterHolding(usable, inet_addr("192.168.1.20"), inet_addr("192.168.1.40"));
  ASSERT_NE(holder, nullptr);
  EXPECT_EQ(holder->name, "wlan0");
  EXPECT_EQ(AdapterHolding(usable, inet_addr("192.168.1.20"), inet_addr("192.168.2.40")), nullptr) << "end outside";
  EXPECT_EQ(AdapterHolding(usable, inet_addr("10.9.0.20"), inet_addr("10.9.0.40")), nullptr)
      << "only an adapter's first address places it";

  UsableAdapter recreated = usable[1];
  recreated.index = 9;  // wlan0 removed and made again
  EXPECT_EQ(VanishedAdapters(usable, {usable[0]}), (std::vector<std::string>{"wlan0"}));
  EXPECT_EQ(VanishedAdapters(usable, {usable[0], recreated}), (std::vector<std::string>{"wlan0"}));
  EXPECT_TRUE(VanishedAdapters(usable, usable).empty());
}

}  // namespace
