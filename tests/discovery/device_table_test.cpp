// What the device table decides: row texts, marks, the state rules, the
// column-click order and selection that survives it.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cstring>

#include "discovery/column_sort.h"
#include "discovery/device_table.h"

namespace {

DeviceInfo Device(uint8_t lastMacByte, const char* address, const char* model = "NVT") {
  DeviceInfo device{};
  const uint8_t mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, lastMacByte};
  std::memcpy(device.mac, mac, 6);
  device.sourceAddress = inet_addr(address);
  std::strncpy(device.modelName, model, sizeof device.modelName - 1);
  return device;
}

const CellUpdate* FindCell(const std::vector<CellUpdate>& cells, int row, int column) {
  const CellUpdate* last = nullptr;
  for (const auto& cell : cells) {
    if (cell.row == row && cell.column == column && cell.text) last = &cell;
  }
  return last;
}

TEST(RowTextsTest, ColumnsShowTheDeviceAsTheListWritesIt) {
  DeviceInfo device = Device(0x5E, "192.168.0.10", "IPCam\xE9");  // not UTF-8: shown as Latin-1
  device.webPort = 0;
  device.avPort1 = 4000;
  const auto texts = RowTexts(8, device);
  EXPECT_EQ(texts[0], QStringLiteral("   9"));
  EXPECT_EQ(texts[1], QString::fromUtf8("IPCam\u00E9"));
  EXPECT_EQ(texts[2], QStringLiteral("00:1A:2B - 3C:4D:5E"));
  EXPECT_EQ(texts[3], QStringLiteral("192.168.0.10"));
  EXPECT_EQ(texts[4], QStringLiteral("-"));
  EXPECT_EQ(DeviceText("\xEC\xB9\xB4\xEB\xA9\x94\xEB\x9D\xBC", 64), QString::fromUtf8("카메라"));
  char unterminated[4] = {'A', 'B', 'C', 'D'};
  EXPECT_EQ(DeviceText(unterminated, sizeof unterminated), QStringLiteral("ABCD"));

  EXPECT_EQ(FormatAvPorts(4000, 0, 5000), QStringLiteral("4000"));
  EXPECT_EQ(FormatAvPorts(4000, 4001, 0), QStringLiteral("4000 / 4001"));
  EXPECT_EQ(FormatAvPorts(4000, 4001, 4002), QStringLiteral("4000 / 4001 / 4002"));
  EXPECT_EQ(FormatAvPorts(0, 4001, 4002), QStringLiteral("-"));
}

TEST(ColumnSortTest, OrderRulesPerColumn) {
  EXPECT_EQ(LeadingInteger(QStringLiteral("-")), 0);
  EXPECT_EQ(LeadingInteger(QStringLiteral("  8080abc")), 8080);
  EXPECT_EQ(LeadingInteger(QStringLiteral("99999999999")), 2147483647);

  const std::vector<QString> ports = {"80", "-", "8080", "443"};
  EXPECT_EQ(ColumnSortOrder(kColumnWebPort, ports, true), (std::vector<int>{1, 0, 3, 2}));
  EXPECT_EQ(ColumnSortOrder(kColumnWebPort, ports, false), (std::vector<int>{2, 3, 0, 1}));
  // The same texts in another column compare as text.
  EXPECT_EQ(ColumnSortOrder(kColumnAvPort, ports, true), (std::vector<int>{1, 3, 0, 2}));
  EXPECT_EQ(ColumnSortOrder(kColumnAvPort, {"80", "8080", "443"}, true), (std::vector<int>{2, 0, 1}));

  const std::vector<QString> addresses = {"192.168.0.9", "192.168.0.10", "10.0.0.1"};
  EXPECT_EQ(ColumnSortOrder(kColumnAddress, addresses, true), (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(ColumnSortOrder(kColumnModel, {"beta", "Alpha", "ALPHA", "alpha"}, true), (std::vector<int>{1, 2, 3, 0}))
      << "case is ignored and equal keys keep their order";
}

class DeviceTableTest : public ::testing::Test {
 protected:
  std::shared_ptr<DeviceInventory> inventory = std::make_shared<DeviceInventory>();
  DeviceTableCore table{inventory};
};

TEST_F(DeviceTableTest, SetStateRules) {
  EXPECT_EQ(table.GetState(), kStateIdle);
  EXPECT_EQ(table.SetState(7).result, -1);
  EXPECT_EQ(table.GetState(), kStateIdle);
  EXPECT_EQ(table.SetState(1).result, 1);
  EXPECT_FALSE(table.SetState(0).stopRescanTimer) << "a scan has no timer to stop";
  table.SetState(2);
  EXPECT_TRUE(table.SetState(0).stopRescanTimer);

  table.SetState(3);
  inventory->lock().AddChanged(Device(1, "10.0.0.1"));
  EXPECT_EQ(table.SetState(3).result, 3);
  EXPECT_EQ(inventory->lock().changedCount(), 1) << "only idle empties the changed list";
  const auto change = table.SetState(0);
  EXPECT_TRUE(change.stopRescanTimer);
  EXPECT_EQ(inventory->lock().changed().GetCount(), 0);
  EXPECT_EQ(inventory->lock().changedCount(), 0);

  EXPECT_FALSE(table.OnDiscoveryEnded()) << "idle ignores the end of a search";
  table.SetState(2);
  EXPECT_FALSE(table.OnDiscoveryEnded());
  EXPECT_EQ(table.GetState(), kStateVerifying);
  table.SetState(1);
  EXPECT_TRUE(table.OnDiscoveryEnded());
  EXPECT_EQ(table.GetState(), kStateIdle);
}

TEST_F(DeviceTableTest, ScanningListsNewDevicesOnceAndMarksCollisions) {
  EXPECT_FALSE(table.OnDeviceFound(Device(1, "10.0.0.5")).insertedRow) << "idle drops replies";
  table.SetState(kStateScanning);
  auto first = table.OnDeviceFound(Device(1, "10.0.0.5"));
  ASSERT_TRUE(first.insertedRow);
  EXPECT_EQ((*first.insertedRow)[0], QStringLiteral("   1"));
  EXPECT_TRUE(first.cells.empty());

  DeviceInfo moved = Device(1, "10.0.0.99");
  EXPECT_FALSE(table.OnDeviceFound(moved).insertedRow) << "a listed device is not refreshed";
  EXPECT_EQ(inventory->lock().table().Find(0)->info->sourceAddress, inet_addr("10.0.0.5"));

  table.OnDeviceFound(Device(2, "10.0.0.6"));
  auto third = table.OnDeviceFound(Device(3, "10.0.0.5"));
  ASSERT_TRUE(third.insertedRow);
  EXPECT_EQ((*third.insertedRow)[0], QStringLiteral("   3"));
  const std::vector<CellUpdate> expected = {
      {2, kColumnAddress, std::nullopt, kCollisionColours},
      {0, kColumnAddress, std::nullopt, kCollisionColours},
      {2, kColumnState, QStringLiteral("IP address collision"), kCollisionColours},
      {0, kColumnState, QStringLiteral("IP address collision"), kCollisionColours},
  };
  EXPECT_EQ(third.cells, expected);
  auto fourth = table.OnDeviceFound(Device(4, "10.0.0.5"));
  EXPECT_EQ(fourth.cells[1].row, 0) << "a third device collides with the first listed row";
  EXPECT_EQ(inventory->lock().RowCount(), 4);
}

TEST_F(DeviceTableTest, VerifyingRefreshesOnlyTheAwaitedDeviceAndReturnsToIdle) {
  table.SetState(kStateScanning);
  table.OnDeviceFound(Device(1, "10.0.0.5", "Old"));
  table.OnDeviceFound(Device(2, "10.0.0.7"));
  table.SetState(kStateVerifying);
  const uint8_t awaited[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 1};
  table.SetMacUnderVerification(awaited);

  auto other = table.OnDeviceFound(Device(2, "10.0.0.8"));
  EXPECT_TRUE(other.cells.empty());
  EXPECT_EQ(table.GetState(), kStateVerifying);

  // Same address as before the change: not a collision with itself.
  auto same = table.OnDeviceFound(Device(1, "10.0.0.5", "New"));
  EXPECT_TRUE(same.stopRescanTimer);
  EXPECT_EQ(table.GetState(), kStateIdle);
  ASSERT_NE(FindCell(same.cells, 0, kColumnState), nullptr);
  EXPECT_EQ(*FindCell(same.cells, 0, kColumnState)->text, QStringLiteral("IP address has changed."));
  EXPECT_EQ(FindCell(same.cells, 0, kColumnState)->colours, kChangedColours);
  EXPECT_EQ(FindCell(same.cells, 0, kColumnAddress)->colours, kRefreshedAddressColours);
  EXPECT_EQ(*FindCell(same.cells, 0, kColumnModel)->text, QStringLiteral("New"));
  EXPECT_STREQ(inventory->lock().table().Find(0)->info->modelName, "New");

  // Moving onto another device's address marks both rows.
  table.SetState(kStateVerifying);
  auto clash = table.OnDeviceFound(Device(1, "10.0.0.7"));
  const CellUpdate* own = FindCell(clash.cells, 0, kColumnState);
  const CellUpdate* theirs = FindCell(clash.cells, 1, kColumnState);
  ASSERT_TRUE(own && theirs);
  EXPECT_EQ(*own->text, QStringLiteral("IP address has changed. IP address collision"));
  EXPECT_EQ(theirs->colours, kCollisionColours);
}

TEST_F(DeviceTableTest, BatchCountsOffEachChangedDeviceOnceThenGoesIdle) {
  table.SetState(kStateScanning);
  table.OnDeviceFound(Device(1, "10.0.0.5"));
  table.OnDeviceFound(Device(2, "10.0.0.6"));
  table.SetState(kStateBatch);
  {
    auto access = inventory->lock();
    access.AddChanged(Device(2, "10.0.0.6"));
    access.AddChanged(Device(1, "10.0.0.5"));
    access.AddChanged(Device(9, "10.0.0.9"));  // accepted, but has no row
  }
  const auto checking = table.OnBatchEnded();
  ASSERT_EQ(checking.size(), 2u);
  EXPECT_EQ(checking[0], (CellUpdate{1, kColumnState, QStringLiteral("Checking ip address ..."), kCheckingColours}));
  EXPECT_EQ(table.GetState(), kStateBatch);

  auto first = table.OnDeviceFound(Device(2, "10.1.0.6"));
  EXPECT_EQ(*FindCell(first.cells, 1, kColumnAddress)->text, QStringLiteral("10.1.0.6"));
  EXPECT_FALSE(first.stopRescanTimer);
  EXPECT_TRUE(table.OnDeviceFound(Device(2, "10.1.0.6")).cells.empty()) << "counted off only once";
  EXPECT_TRUE(table.OnDeviceFound(Device(3, "10.0.0.5")).cells.empty()) << "unlisted devices are dropped";
  table.OnDeviceFound(Device(1, "10.1.0.5"));
  EXPECT_EQ(table.GetState(), kStateBatch);
  auto last = table.OnDeviceFound(Device(9, "10.1.0.9"));
  EXPECT_TRUE(last.cells.empty()) << "row -1: nothing to show";
  EXPECT_TRUE(last.stopRescanTimer);
  EXPECT_EQ(table.GetState(), kStateIdle);
  EXPECT_EQ(inventory->lock().changed().GetCount(), 0);
}

TEST_F(DeviceTableTest, SortFlipsOneSharedDirectionAndSelectionFollowsTheDevice) {
  EXPECT_FALSE(table.SortOrder(kColumnModel, {})) << "empty list";
  table.SetState(kStateScanning);
  for (uint8_t i = 1; i <= 3; ++i) table.OnDeviceFound(Device(i, "10.0.0.1", i == 2 ? "b" : i == 1 ? "a" : "c"));
  table.SetTick(1, true);
  const std::vector<QString> models = {"a", "b", "c"};
  EXPECT_FALSE(table.SortOrder(kColumnNumber, models)) << "column 0 never sorts";

  const auto selection = table.SelectRow(0);
  ASSERT_TRUE(selection.device);
  EXPECT_EQ(selection.cells.size(), 4u);
  EXPECT_EQ(selection.cells.back(), (CellUpdate{0, kColumnNumber, std::nullopt, kCurrentRowColours}));

  const auto descending = table.SortOrder(kColumnModel, models);
  EXPECT_EQ(*descending, (std::vector<int>{2, 1, 0})) << "the first sort is descending";
  // The grid now shows c, b, a with b's tick travelling along.
  std::vector<QString> macs;
  for (int from : *descending) macs.push_back(FormatListMac(Device(static_cast<uint8_t>(from + 1), "0.0.0.0").mac));
  const auto numbers = table.RekeyRows(macs, {false, true, false});
  EXPECT_EQ(numbers[2], (CellUpdate{2, kColumnNumber, QStringLiteral("   3"), std::nullopt}));
  EXPECT_STREQ(table.SelectedDevice()->modelName, "a");
  EXPECT_STREQ(inventory->lock().table().Find(2)->info->modelName, "a");
  EXPECT_TRUE(inventory->lock().IsTicked(1));

  EXPECT_EQ(*table.SortOrder(kColumnAddress, {"x", "y", "z"}), (std::vector<int>{0, 1, 2}))
      << "the next click, on any column, sorts ascending";

  const auto missing = table.SelectRow(7);
  EXPECT_FALSE(missing.device);
  EXPECT_EQ(missing.cells.size(), 3u) << "rows lose their mark even when the new row has no entry";
  EXPECT_STREQ(table.SelectedDevice()->modelName, "a") << "the selection stays";
  table.Clear();
  EXPECT_FALSE(table.SelectedDevice());
  EXPECT_EQ(inventory->lock().RowCount(), 0);
}

}  // namespace
