// The device table's indexes against the plain first-match rule, the
// inventory's reorder, the awaited set's rule, and a batch-style reader
// racing "Clear" and sorts (meaningful under ThreadSanitizer).
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <numeric>
#include <random>
#include <thread>
#include <tuple>

#include "table/device_inventory.h"
#include "tests/support/device_builder.h"

namespace {

// The rule the indexes must give: the first row, from the top, that matches.
int FirstRowWith(const std::vector<DeviceInfo>& rows, uint32_t address, int skip) {
  for (int row = 0; row < static_cast<int>(rows.size()); ++row)
    if (row != skip && rows[row].sourceAddress == address) return row;
  return -1;
}

TEST(DeviceListTest, IndexesGiveTheFirstMatchingRowThroughAppendsReplacesAndReorders) {
  std::mt19937 random(7);
  CDeviceList list;
  std::vector<DeviceInfo> plain;
  for (uint16_t id = 0; id < 3000; ++id) {
    // Few addresses for many devices: plenty of collisions.
    TestDevice device(id);
    device.sourceAddress = htonl(0x0A000000u + random() % 700);
    EXPECT_EQ(list.Add(device), id);
    plain.push_back(device);
  }
  const auto expectSame = [&](const char* when) {
    for (int probe = 0; probe < 800; ++probe) {
      const uint32_t address = htonl(0x0A000000u + random() % 720);
      const int own = static_cast<int>(random() % plain.size());
      ASSERT_EQ(list.FindRowByIp(address), FirstRowWith(plain, address, -1)) << when;
      ASSERT_EQ(list.FindOtherRowByIp(address, own), FirstRowWith(plain, address, own)) << when;
      ASSERT_EQ(list.FindRowByMac(plain[own].mac), own) << when;
      ASSERT_EQ(list.Find(own)->sourceAddress, plain[own].sourceAddress) << when;
    }
  };
  expectSame("after appending");

  for (int i = 0; i < 500; ++i) {
    const int row = static_cast<int>(random() % plain.size());
    plain[row].sourceAddress = htonl(0x0A000000u + random() % 720);
    list.Replace(row, plain[row]);
  }
  expectSame("after devices moved");

  std::vector<int> order(plain.size());
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), random);
  list.Reorder(order);
  std::vector<DeviceInfo> reordered;
  for (int from : order) reordered.push_back(plain[from]);
  plain = reordered;
  expectSame("after a sort");

  EXPECT_EQ(list.Find(-1), nullptr);
  EXPECT_EQ(list.Find(3000), nullptr);
  EXPECT_EQ(list.FindRowByMac(TestDevice(9999).mac), -1);
  list.RemoveAll();
  EXPECT_EQ(list.FindRowByIp(plain[0].sourceAddress), -1);
  EXPECT_EQ(list.FindRowByMac(plain[0].mac), -1);
}

TEST(DeviceInventoryTest, ReorderMovesTicksWithTheirRecordsAndClearForgetsEverything) {
  DeviceInventory inventory;
  auto access = inventory.lock();
  for (uint16_t i = 0; i < 4; ++i) access.AppendRow(TestDevice(i));
  access.SetTicked(1, true);
  access.SetTicked(9, true);  // out of range: ignored
  access.ReorderRows({3, 1, 0, 2});
  EXPECT_EQ((std::tuple{access.table().Find(1)->mac[5], access.IsTicked(1), access.IsTicked(2)}),
            std::tuple(1, true, false));

  access.awaited().Await(TestDevice(3).mac, std::nullopt);
  access.ClearAll();
  EXPECT_EQ(std::tuple(access.RowCount(), access.awaited().empty()), std::tuple(0, true));
}

TEST(AwaitedChangesTest, OnlyTheAwaitedDeviceAtItsGivenAddressCountsAsChanged) {
  AwaitedChanges awaited;
  const DeviceInfo staticDevice = TestDevice(1, "192.168.0.1");
  const DeviceInfo dhcpDevice = TestDevice(2, "192.168.0.2");
  const DeviceInfo zeroMac{};  // a real device may have an all-zero MAC
  awaited.Await(staticDevice.mac, inet_addr("192.168.0.200"));
  awaited.Await(dhcpDevice.mac, std::nullopt);

  EXPECT_FALSE(awaited.Verify(zeroMac)) << "a device never sent anything";
  EXPECT_FALSE(awaited.Verify(staticDevice)) << "still at its old address";
  EXPECT_TRUE(awaited.Verify(TestDevice(1, "192.168.0.200")));
  EXPECT_FALSE(awaited.Verify(TestDevice(1, "192.168.0.200"))) << "counted once";
  EXPECT_TRUE(awaited.Verify(TestDevice(2, "10.0.0.5"))) << "DHCP: any answer";
  EXPECT_TRUE(awaited.empty());

  awaited.Await(zeroMac.mac, zeroMac.sourceAddress);
  awaited.Await(zeroMac.mac, htonl(2));  // a later acceptance replaces the first
  EXPECT_FALSE(awaited.Verify(zeroMac));
  EXPECT_EQ(awaited.size(), 1u);
}

// A batch-style reader looks devices up by MAC and writes to their records
// while the window thread clears, refills and reorders. A device is ticked
// exactly when its id is even, so a tick paired with another device's
// record shows up as a mismatch.
TEST(DeviceInventoryTest, ReaderNeverSeesATickPairedWithAnotherDevicesRecord) {
  DeviceInventory inventory;
  std::atomic<bool> done{false};
  std::atomic<long> rowsChecked{0};
  std::atomic<long> mismatches{0};
  std::thread reader([&] {
    while (!done.load() || rowsChecked.load() == 0) {
      for (uint16_t id = 0; id < 40; ++id) {
        auto access = inventory.lock();
        const int row = access.table().FindRowByMac(TestDevice(id).mac);
        const DeviceInfo* record = access.table().Find(row);
        if (record == nullptr) continue;
        DeviceInfo changed = *record;
        changed.ipAddress = changed.sourceAddress;
        access.table().Replace(row, changed);
        if (access.IsTicked(row) != (id % 2 == 0)) ++mismatches;
        ++rowsChecked;
      }
    }
  });

  std::mt19937 random(4);
  for (int round = 0; round < 300; ++round) {
    inventory.lock().ClearAll();
    const int rows = 1 + static_cast<int>(random() % 40);
    for (int i = 0; i < rows; ++i) {
      auto access = inventory.lock();
      access.SetTicked(access.AppendRow(TestDevice(static_cast<uint16_t>(i))), i % 2 == 0);
    }
    std::vector<int> order(rows);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), random);
    inventory.lock().ReorderRows(order);
  }
  done = true;
  reader.join();
  EXPECT_GT(rowsChecked.load(), 0);
  EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
