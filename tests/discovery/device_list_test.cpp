// The device lists and the shared inventory: first-match lookups, owned
// copies, re-keying after a reorder, and a batch-style reader racing "Clear"
// and sorts (meaningful under ThreadSanitizer).
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

QString MacText(uint8_t lastMacByte) { return FormatListMac(Device(lastMacByte, 0).mac); }

TEST(DeviceListTest, AddCopiesAndLookupsTakeTheFirstMatchFromTheHead) {
  CDeviceList list;
  DeviceInfo first = Device(1, 0xC0A80005);
  list.Add(0, first);
  list.Add(7, Device(3, 0xC0A80005));  // same address as row 0
  list.Add(1, Device(4, 0xC0A80009));
  list.Add(1, Device(2, 0xC0A80006));  // duplicate key: Find returns the first
  first.modelName[0] = 'X';            // the caller's record is not the list's
  EXPECT_EQ(list.Find(0)->info->modelName[0], '\0');
  EXPECT_EQ(list.Find(1)->info->mac[5], 4);
  EXPECT_EQ(list.Find(5), nullptr);
  EXPECT_EQ(list.FindRowByMac(Device(3, 0)), 7);
  EXPECT_EQ(list.FindRowByMac(Device(9, 0)), -1);
  EXPECT_EQ(list.FindRowByIp(htonl(0xC0A80005)), 0);
  EXPECT_EQ(list.FindRowByIp(htonl(0x0A000001)), -1);

  list.RemoveAll();
  EXPECT_EQ(list.Head(), nullptr);
  list.Add(3, Device(5, 1));
  EXPECT_EQ(list.FindRowByMac(Device(5, 0)), 3) << "usable again after emptying";

  // Freeing a long list must not recurse once per entry.
  for (int row = 0; row < 200000; ++row) list.Add(row, Device(static_cast<uint8_t>(row), row));
  EXPECT_EQ(list.GetCount(), 200001);
}

TEST(DeviceInventoryTest, RekeyLeavesARowWithoutEntryAndKeepsLaterRowsAligned) {
  DeviceInventory inventory;
  auto access = inventory.lock();
  for (uint8_t i = 0; i < 4; ++i) access.AppendRow(Device(i, 100 + i));
  access.SetTicked(9, true);  // out of range: ignored

  // Rows now show devices 3, (a device without entry), 1, 0; device 2 is gone.
  access.RekeyRows({MacText(3), QStringLiteral("00:00:00 - 00:00:00"), MacText(1), MacText(0)},
                   {true, false, false, true});
  EXPECT_EQ(access.table().Find(0)->info->mac[5], 3);
  EXPECT_EQ(access.table().Find(1), nullptr);
  EXPECT_EQ(access.table().Find(2)->info->mac[5], 1);
  EXPECT_EQ(access.table().Find(3)->info->mac[5], 0);
  EXPECT_TRUE(access.IsTicked(3));
  EXPECT_FALSE(access.IsTicked(2));
  EXPECT_EQ(access.table().GetCount(), 3) << "the unlisted device 2 was freed";
  EXPECT_EQ(access.AppendRow(Device(7, 7)), 4) << "new rows follow the row count, not the entry count";

  access.AddChanged(Device(3, 1));
  access.ClearAll();
  EXPECT_EQ(access.RowCount(), 0);
  EXPECT_EQ(access.table().GetCount(), 0);
  EXPECT_EQ(access.changed().GetCount(), 0);
  EXPECT_EQ(access.changedCount(), 0);
}

// A batch-style reader walks ticked rows and writes to their records while
// the window thread clears, refills and reorders. A row is ticked exactly
// when its device's last MAC byte is even, so a tick paired with another
// row's record shows up as a mismatch.
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
        entry->info->ipAddress = entry->info->sourceAddress;
        if (access.IsTicked(row) != (entry->info->mac[5] % 2 == 0)) ++mismatches;
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
      access.SetTicked(access.AppendRow(Device(static_cast<uint8_t>(i), i)), i % 2 == 0);
    }
    std::vector<int> order(rows);
    for (int i = 0; i < rows; ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), random);
    std::vector<QString> macs;
    std::vector<bool> ticks;
    for (int from : order) {
      macs.push_back(MacText(static_cast<uint8_t>(from)));
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
