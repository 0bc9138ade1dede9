// The local adapter snapshot from fixture texts, and the live reader inside
// a namespace of its own.
#include "ui/main/local_adapters.h"

#include <gtest/gtest.h>

#include <future>

#include "tests/support/netns_gtest.h"

namespace {

using Strings = std::vector<std::string>;

// /proc/net/route as the kernel writes it: addresses are the raw
// network-order words printed as host integers (little-endian here).
constexpr const char* kRouteTable =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth1\t00000000\t0100000A\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
    "eth0\t00000000\t0100A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
    "eth0\t00000000\t0100A8C0\t0003\t0\t0\t200\t00000000\t0\t0\t0\n"
    "eth0\t00000000\t0200A8C0\t0003\t0\t0\t300\t00000000\t0\t0\t0\n"
    "eth0\t0000000A\t0300A8C0\t0003\t0\t0\t0\t000000FF\t0\t0\t0\n"
    "eth0\t00000000\t0900A8C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n"
    "broken line\n";

Strings Panel(const std::vector<AdapterInfo>& adapters) {
  const LocalNetworkTexts texts = PanelTexts(adapters);
  return {texts.ipAddress, texts.subnetMask, texts.gateway, texts.dnsServer};
}

TEST(LocalAdaptersTest, RoutesAndResolverFilesGiveGatewaysAndDnsServers) {
  EXPECT_EQ(ParseRouteGateways(kRouteTable, "eth0"), (Strings{"192.168.0.1", "192.168.0.2"}))
      << "default routes only, each gateway once, routes that are down left out";
  EXPECT_EQ(ParseRouteGateways(kRouteTable, "eth1"), (Strings{"10.0.0.1"}));
  EXPECT_TRUE(ParseRouteGateways(kRouteTable, "eth").empty());

  const char* resolv =
      "# comment\nsearch lan\nnameserver 192.168.0.2\nnameserver fe80::1\n nameserver\t8.8.8.8 \nnameserver bogus\n";
  const char* stub = "nameserver 127.0.0.53\noptions edns0\n";
  EXPECT_EQ(ChooseDnsServers(resolv, "nameserver 10.9.9.9\n"), (Strings{"192.168.0.2", "8.8.8.8"}));
  EXPECT_EQ(ChooseDnsServers(stub, "nameserver 10.9.9.9\n"), (Strings{"10.9.9.9"}));
  EXPECT_EQ(ChooseDnsServers(stub, ""), (Strings{"127.0.0.53"}));
}

TEST(LocalAdaptersTest, AdaptersInIndexOrderWithoutLoopbackAndTheFirstFillsThePanel) {
  const std::vector<InterfaceAddress> addresses = {{"eth0", "192.168.0.5", "255.255.255.0"},
                                                   {"eth1", "10.0.0.7", "255.0.0.0"},
                                                   {"lo", "127.0.0.1", "255.0.0.0"},
                                                   {"eth0", "192.168.7.5", "255.255.0.0"}};
  const auto adapters = BuildAdapters({{"eth1", 3, false}, {"lo", 1, true}, {"eth0", 2, false}, {"wlan0", 4, false}},
                                      addresses, kRouteTable, {"192.168.0.2", "8.8.8.8"});
  ASSERT_EQ(adapters.size(), 3u);
  EXPECT_EQ(adapters[0].adapterName + adapters[1].adapterName + adapters[2].adapterName, "eth0eth1wlan0");
  EXPECT_EQ(adapters[0].ipAddresses.size(), 2u);
  EXPECT_EQ(Panel(adapters), (Strings{"192.168.0.5", "255.255.255.0", "192.168.0.1", "192.168.0.2"}));

  // A first adapter without address, gateway or DNS server.
  EXPECT_EQ(Panel(BuildAdapters({{"wlan0", 4, false}, {"eth0", 9, false}}, addresses, kRouteTable, {})),
            (Strings{"0.0.0.0", "0.0.0.0", "", ""}));
}

// A veth pair beside the namespace's loopback: the peer end is created
// first and so has the lower index.
TEST(LocalAdaptersTest, LiveReaderSeesOnlyItsOwnNamespace) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  tavrix::lab::Namespace lab("adapters");
  ASSERT_TRUE(lab.ok()) << lab.error();
  ASSERT_TRUE(lab.Ip({"link", "add", "a0", "type", "veth", "peer", "name", "b0"}));
  ASSERT_TRUE(lab.Ip({"addr", "add", "10.77.1.5/24", "dev", "b0"}));
  ASSERT_TRUE(lab.Ip({"addr", "add", "10.77.2.5/16", "dev", "b0"}));
  ASSERT_TRUE(lab.Ip({"link", "set", "b0", "up"}));
  ASSERT_TRUE(lab.Ip({"link", "set", "a0", "up"}));
  ASSERT_TRUE(lab.Ip({"route", "add", "default", "via", "10.77.1.1", "dev", "b0"}));
  const auto adapters = std::async(std::launch::async, [&] {
                          tavrix::lab::ScopedNetns inside(lab);
                          EXPECT_TRUE(inside.ok());
                          return ReadLocalAdapters();
                        }).get();
  ASSERT_EQ(adapters.size(), 2u) << "loopback is not an adapter";
  EXPECT_EQ(adapters[0].adapterName + adapters[1].adapterName, "b0a0");
  EXPECT_EQ(adapters[0].ipAddresses.size(), 2u);
  Strings panel = Panel(adapters);
  panel.pop_back();  // the resolver's servers are the machine's
  EXPECT_EQ(panel, (Strings{"10.77.1.5", "255.255.255.0", "10.77.1.1"}))
      << "the namespace's routes, not this machine's";
}

}  // namespace
