// The local adapter snapshot from fixture texts, and the live reader inside
// a namespace that holds nothing but loopback.
#include <gtest/gtest.h>

#include <future>

#include "tests/support/netns_gtest.h"
#include "ui/main/local_adapters.h"

namespace {

// /proc/net/route as the kernel writes it: addresses are the raw
// network-order words printed as host integers (little-endian here).
constexpr const char* kRouteTable =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth1\t00000000\t0100000A\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
    "eth0\t0000A8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
    "eth0\t00000000\t0100A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
    "eth0\t00000000\t0100A8C0\t0003\t0\t0\t200\t00000000\t0\t0\t0\n"
    "eth0\t00000000\t0200A8C0\t0003\t0\t0\t300\t00000000\t0\t0\t0\n"
    "eth0\t0000000A\t0300A8C0\t0003\t0\t0\t0\t000000FF\t0\t0\t0\n"
    "eth0\t00000000\t0900A8C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n"
    "broken line\n";

TEST(LocalAdaptersTest, RoutesAndResolverFilesGiveGatewaysAndDnsServers) {
  EXPECT_EQ(ParseRouteGateways(kRouteTable, "eth0"), (std::vector<std::string>{"192.168.0.1", "192.168.0.2"}))
      << "default routes only, each gateway once, routes that are down left out";
  EXPECT_EQ(ParseRouteGateways(kRouteTable, "eth1"), (std::vector<std::string>{"10.0.0.1"}));
  EXPECT_TRUE(ParseRouteGateways(kRouteTable, "eth").empty());
  EXPECT_TRUE(ParseRouteGateways("", "eth0").empty());

  const char* resolv = "# comment\nsearch lan\nnameserver 192.168.0.2\nnameserver fe80::1\n nameserver\t8.8.8.8 \nnameserver bogus\n";
  EXPECT_EQ(ParseNameservers(resolv), (std::vector<std::string>{"192.168.0.2", "8.8.8.8"}));
  const char* stub = "nameserver 127.0.0.53\noptions edns0\n";
  EXPECT_EQ(ChooseDnsServers(stub, "nameserver 10.9.9.9\n"), (std::vector<std::string>{"10.9.9.9"}));
  EXPECT_EQ(ChooseDnsServers(stub, ""), (std::vector<std::string>{"127.0.0.53"}));
  EXPECT_EQ(ChooseDnsServers(resolv, "nameserver 10.9.9.9\n").front(), "192.168.0.2");
  EXPECT_TRUE(ChooseDnsServers("", "").empty());
}

TEST(LocalAdaptersTest, AdaptersInIndexOrderWithoutLoopbackAndTheFirstFillsThePanel) {
  const std::vector<InterfaceListing> interfaces = {
      {"eth1", 3, false}, {"lo", 1, true}, {"eth0", 2, false}, {"wlan0", 4, false}};
  const std::vector<InterfaceAddress> addresses = {{"eth0", "192.168.0.5", "255.255.255.0"},
                                                   {"eth1", "10.0.0.7", "255.0.0.0"},
                                                   {"lo", "127.0.0.1", "255.0.0.0"},
                                                   {"eth0", "192.168.7.5", "255.255.0.0"}};
  const auto adapters = BuildAdapters(interfaces, addresses, kRouteTable, {"192.168.0.2", "8.8.8.8"});
  ASSERT_EQ(adapters.size(), 3u);
  EXPECT_EQ(adapters[0].adapterName, "eth0");
  EXPECT_EQ(adapters[0].description, "eth0");
  EXPECT_EQ(adapters[0].index, 2u);
  EXPECT_EQ(adapters[0].ipAddresses.size(), 2u);
  EXPECT_EQ(adapters[0].currentIpAddress, "192.168.0.5");
  EXPECT_EQ(adapters[1].adapterName, "eth1");
  EXPECT_EQ(adapters[2].currentIpAddress, "0.0.0.0");
  EXPECT_TRUE(adapters[2].ipAddresses.empty());
  EXPECT_TRUE(adapters[2].gateways.empty());

  const LocalNetworkTexts panel = PanelTexts(adapters);
  EXPECT_EQ(panel.ipAddress, "192.168.0.5") << "the first of two addresses";
  EXPECT_EQ(panel.subnetMask, "255.255.255.0");
  EXPECT_EQ(panel.gateway, "192.168.0.1");
  EXPECT_EQ(panel.dnsServer, "192.168.0.2");

  // First adapter without address, gateway or DNS server.
  const auto bare = BuildAdapters({{"wlan0", 4, false}, {"eth0", 9, false}}, addresses, kRouteTable, {});
  const LocalNetworkTexts barePanel = PanelTexts(bare);
  EXPECT_EQ(barePanel.ipAddress, "0.0.0.0");
  EXPECT_EQ(barePanel.subnetMask, "0.0.0.0");
  EXPECT_EQ(barePanel.gateway, "");
  EXPECT_EQ(barePanel.dnsServer, "");

  const LocalNetworkTexts none = PanelTexts({});
  EXPECT_EQ(none.ipAddress + none.subnetMask + none.gateway + none.dnsServer, "");
}

TEST(LocalAdaptersTest, LiveReaderSeesOnlyItsOwnNamespace) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  tavrix::lab::Namespace onlyLoopback("adapters");
  ASSERT_TRUE(onlyLoopback.ok()) << onlyLoopback.error();
  auto readInside = [&] {
    return std::async(std::launch::async, [&] {
      tavrix::lab::ScopedNetns inside(onlyLoopback);
      EXPECT_TRUE(inside.ok());
      return ReadLocalAdapters();
    }).get();
  };
  EXPECT_TRUE(readInside().empty()) << "loopback is not an adapter";

  // A veth pair inside the namespace: the peer end is created first and so
  // has the lower index.
  ASSERT_TRUE(onlyLoopback.Ip({"link", "add", "a0", "type", "veth", "peer", "name", "b0"}));
  ASSERT_TRUE(onlyLoopback.Ip({"addr", "add", "10.77.1.5/24", "dev", "b0"}));
  ASSERT_TRUE(onlyLoopback.Ip({"addr", "add", "10.77.2.5/16", "dev", "b0"}));
  ASSERT_TRUE(onlyLoopback.Ip({"link", "set", "b0", "up"}));
  ASSERT_TRUE(onlyLoopback.Ip({"link", "set", "a0", "up"}));
  ASSERT_TRUE(onlyLoopback.Ip({"route", "add", "default", "via", "10.77.1.1", "dev", "b0"}));

  const auto adapters = readInside();
  ASSERT_EQ(adapters.size(), 2u);
  EXPECT_EQ(adapters[0].adapterName, "b0");
  EXPECT_EQ(adapters[1].adapterName, "a0");
  EXPECT_TRUE(adapters[1].ipAddresses.empty());
  EXPECT_EQ(adapters[0].ipAddresses.size(), 2u);
  const LocalNetworkTexts panel = PanelTexts(adapters);
  EXPECT_EQ(panel.ipAddress, "10.77.1.5");
  EXPECT_EQ(panel.subnetMask, "255.255.255.0");
  EXPECT_EQ(panel.gateway, "10.77.1.1") << "the namespace's routes, not this machine's";
}

}  // namespace
