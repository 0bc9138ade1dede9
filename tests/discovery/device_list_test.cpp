// The device lists and the shared inventory: keys and first-match lookups,
// ownership of copies, re-keying after a reorder, and a batch-style reader
// racing "Clear" and sorts (meaningful under ThreadSanitizer).
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>

#include "discovery/device_inventory.h"
#include "discovery/row_texts.h"

namespace {

DeviceInfo Device(uint8_t lastMacByte, uint32_t hostOrderAddress) {
  DeviceInfo device{};
  const uint8_t mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, lastMacByte};
  std::copy(mac, mac + 6, device.mac);
  device.sourceAddress = htonl(hostOrderAddress);
  return device;
}

TEST(DeviceListTest, AddCopiesAndLookupsTakeTheFirstMatchFromTheHead) {
  CDeviceList list;
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.Find(0), nullptr);
  DeviceInfo first = Device(1, 0xC0A80005);
  list.Add(0, first);
  list.Add(1, Device(2, 0xC0A80006));
  list.Add(7, Device(3, 0xC0A80005));  // same address as row 0
  list.Add(1, Device(4, 0xC0A80009));  // duplicate key: Find returns the first
  first.modelName[0] = 'X';            // the caller's record is not the list's
  EXPECT_EQ(list.GetCount(), 4);
  ASSERT_NE(list.Find(0), nullptr);
  EXPECT_EQ(list.Find(0)->info->modelName[0], '\0');
  EXPECT_EQ(list.Find(1)->info->mac[5], 2);
  EXPECT_EQ(list.Find(7)->info->mac[5], 3);
  EXPECT_EQ(list.Find(5), nullptr);

  EXPECT_EQ(list.FindRowByMac(Device(3, 0)), 7);
  EXPECT_EQ(list.FindRowByMac(Device(9, 0)), -1);
  EXPECT_EQ(list.FindRowByIp(htonl(0xC0A80005)), 0);
  EXPECT_EQ(list.FindRowByIp(htonl(0xC0A80009)), 1);
  EXPECT_EQ(list.FindRowByIp(htonl(0x0A000001)), -1);

  list.RemoveAll();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.Head(), nullptr);
  list.Add(3, Device(5, 1));  // usable again after emptying
  EXPECT_EQ(list.FindRowByMac(Device(5, 0)), 3);
}

TEST(DeviceListTest, LongListsAreFreedWithoutRecursion) {
  CDeviceList list;
  for (int row = 0; row < 200000; ++row) list.Add(row, Device(static_cast<uint8_t>(row), row));
  EXPECT_EQ(list.GetCount(), 200000);
  EXPECT_EQ(list.Find(199999)->row, 199999);
}

TEST(DeviceInventoryTest, RekeyFollowsTheRowsMacTextsAndKeepsLaterRowsAligned) {
  DeviceInventory inventory;
  auto access = inventory.lock();
  for (uint8_t i = 0; i < 4; ++i) EXPECT_EQ(access.AppendRow(Device(i, 100 + i)), i);
  access.SetTicked(1, true);
  access.SetTicked(9, true);  // out of range: ignored
  EXPECT_EQ(access.RowCount(), 4);

  // Rows now show devices 3, 1, 0, 2 (a reordered grid).
  std::vector<QString> macs;
  for (uint8_t i : {3, 1, 0, 2}) macs.push_back(FormatListMac(Device(i, 0).mac));
  access.RekeyRows(macs, {false, true, false, false});
  for (int row = 0; row < 4; ++row) {
    ASSERT_NE(access.table().Find(row), nullptr);
    EXPECT_EQ(FormatListMac(access.table().Find(row)->info->mac), macs[row]);
  }
  EXPECT_TRUE(access.IsTicked(1));
  EXPECT_FALSE(access.IsTicked(0));

  // A row whose device has no entry gets none; the rows after it keep their keys.
  macs = {macs[0], QStringLiteral("00:00:00 - 00:00:00"), macs[1], macs[2]};
  access.RekeyRows(macs, {true, false, false, true});
  EXPECT_EQ(access.table().Find(1), nullptr);
  EXPECT_EQ(access.table().Find(2)->info->mac[5], 1);
  EXPECT_EQ(access.table().Find(3)->info->mac[5], 0);
  EXPECT_EQ(access.table().GetCount(), 3) << "the unlisted device 2 was freed";
  EXPECT_EQ(access.AppendRow(Device(7, 7)), 4) << "new rows follow the row count, not the entry count";

  access.AddChanged(Device(3, 1));
  access.AddChanged(Device(1, 1));
  EXPECT_EQ(access.changedCount(), 2);
  EXPECT_EQ(access.changed().Find(1)->info->mac[5], 1);
  access.ClearAll();
  EXPECT_EQ(access.RowCount(), 0);
  EXPECT_EQ(access.table().GetCount(), 0);
  EXPECT_EQ(access.changed().GetCount(), 0);
  EXPECT_EQ(access.changedCount(), 0);
}

// A batch-style reader walks ticked rows and uses their records while the
// window thread clears, refills and reorders. Ticks are laid out so that a
// row is ticked exactly when its device's last MAC byte is even: any moment
// at which a tick is paired with another row's record breaks that.
TEST(DeviceInventoryTest, ReaderNeverSeesATickPairedWithAnotherRowsRecord) {
  DeviceInventory inventory;
  std::atomic<bool> done{false};
  std::atomic<long> rowsChecked{0};
  std::atomic<long> mismatches{0};
  std::thread reader([&] {
    while (!done.load()) {
      auto access = inventory.lock();
      for (int row = 0; row < access.RowCount(); ++row) {
        const DeviceEntry* entry = access.table().Find(row);
        if (entry == nullptr) continue;
        entry->info->ipAddress = entry->info->sourceAddress;  // "use" the record: write to it
        if (access.IsTicked(row) != (entry->info->mac[5] % 2 == 0)) ++mismatches;
        ++rowsChecked;
      }
    }
  });

  std::mt19937 random(4);
  for (int round = 0; round < 300; ++round) {
    {
      auto access = inventory.lock();
      access.ClearAll();
    }
    const int rows = 1 + static_cast<int>(random() % 40);
    for (int i = 0; i < rows; ++i) {
      auto access = inventory.lock();
      const int row = access.AppendRow(Device(static_cast<uint8_t>(i), i));
      access.SetTicked(row, i % 2 == 0);
    }
    std::vector<int> order(rows);
    for (int i = 0; i < rows; ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), random);
    std::vector<QString> macs;
    std::vector<bool> ticks;
    for (int from : order) {
      macs.push_back(FormatListMac(Device(static_cast<uint8_t>(from), 0).mac));
      ticks.push_back(from % 2 == 0);
    }
    inventory.lock().RekeyRows(macs, ticks);
  }
  done = true;
  reader.join();
  EXPECT_GT(rowsChecked.load(), 0);
  EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
