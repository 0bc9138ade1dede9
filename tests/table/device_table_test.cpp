// What the device table decides, without widgets: row texts of odd device
// data, sort keys and directions, the rescan timer, which answers end a
// verification and what they mark, the marks of failed changes, and
// selection of a row without an entry.
#include "table/device_table.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <map>

#include "table/column_sort.h"
#include "tests/support/device_builder.h"
#include "tools/cli/device_text.h"

namespace {

TEST(RowTextsTest, EveryOutputDecodesDeviceTextsAlikeAndAvPorts) {
  for (const char* sent : {"\xEC\xB9\xB4\xEB\xA9\x94\xEB\x9D\xBC", "IPCam\xE9"}) {
    const DeviceInfo device = TestDevice(0x5E, "192.168.0.10").withModel(sent);
    const std::string shown = RowTexts(0, device)[kColumnModel].toStdString();
    EXPECT_NE(FormatDevicesJson({device}).find("{\"model\": \"" + shown + "\","), std::string::npos) << shown;
    EXPECT_NE(FormatDevicesCsv({device}).find("\r\n1," + shown + ",00:1A:2B - 3C:4D:5E,"), std::string::npos);
  }
  EXPECT_EQ(FormatAvPorts(4000, 0, 5000), QStringLiteral("4000")) << "a third port after no second is not shown";
}

TEST(ColumnSortTest, NumbersSaturateAndEqualKeysKeepTheirOrder) {
  EXPECT_EQ(LeadingInteger(QStringLiteral("  8080abc")), 8080);
  EXPECT_EQ(LeadingInteger(QStringLiteral("99999999999")), 2147483647);
  EXPECT_EQ(ColumnSortOrder(kColumnAvPort, {"80", "8080", "443"}, true), (std::vector<int>{2, 0, 1})) << "as text";
  EXPECT_EQ(ColumnSortOrder(kColumnWebPort, {"8080", "-", "443"}, true), (std::vector<int>{1, 2, 0})) << "as numbers";
  EXPECT_EQ(ColumnSortOrder(kColumnModel, {"beta", "Alpha", "ALPHA", "alpha"}, true), (std::vector<int>{1, 2, 3, 0}))
      << "case is ignored and equal keys keep their order";
}

class DeviceTableTest : public ::testing::Test {
 protected:
  std::shared_ptr<DeviceInventory> inventory = std::make_shared<DeviceInventory>();
  DeviceTableCore table{inventory};
};

TEST_F(DeviceTableTest, OnlyLeavingAWaitStopsTheRescanTimerAndIdleForgetsTheAwaitedDevices) {
  table.SetState(WindowState::kScanning);
  EXPECT_FALSE(table.SetState(WindowState::kIdle).stopRescanTimer) << "a scan has no timer to stop";
  table.SetState(WindowState::kVerifying);
  EXPECT_TRUE(table.SetState(WindowState::kIdle).stopRescanTimer);

  table.SetState(WindowState::kBatch);
  inventory->lock().awaited().Await(TestDevice(1, "10.0.0.1").mac, std::nullopt);
  table.SetState(WindowState::kBatch);
  EXPECT_EQ(inventory->lock().awaited().size(), 1u);
  EXPECT_TRUE(table.SetState(WindowState::kIdle).stopRescanTimer);
  EXPECT_TRUE(inventory->lock().awaited().empty());
}

// Devices 1 and 2 moved to 10.1.0.x; which answers count a device off is
// the awaited set's rule. Each one counted off is marked, in a batch or a
// single change, and the last one ends the wait.
TEST_F(DeviceTableTest, AnAwaitedDeviceAtItsNewAddressIsMarkedAndTheLastEndsTheWait) {
  table.SetState(WindowState::kScanning);
  for (const DeviceInfo& device : {TestDevice(1, "10.0.0.5"), TestDevice(2, "10.0.0.6")}) table.OnDeviceFound(device);
  table.SetState(WindowState::kBatch);
  inventory->lock().awaited().Await(TestDevice(1).mac, inet_addr("10.1.0.5"));
  inventory->lock().awaited().Await(TestDevice(2).mac, inet_addr("10.1.0.6"));
  // Device 9 was accepted, then cleared from the list.
  inventory->lock().awaited().Await(TestDevice(9).mac, std::nullopt);
  EXPECT_EQ(table.OnBatchEnded().size(), 2u) << "\"Checking ip address ...\" on the two listed rows";

  EXPECT_FALSE(table.OnDeviceFound(TestDevice(1, "10.1.0.5")).cells.empty());
  EXPECT_FALSE(table.OnDeviceFound(TestDevice(2, "10.1.0.6")).stopRescanTimer);
  const auto last = table.OnDeviceFound(TestDevice(9, "10.1.0.9"));
  EXPECT_EQ(std::pair(last.cells.empty(), last.stopRescanTimer), std::pair(true, true)) << "no row to mark; done";
  EXPECT_EQ(table.GetState(), WindowState::kIdle);

  EXPECT_EQ(table.BeginVerification(TestDevice(2).mac, inet_addr("10.2.0.6")).size(), 1u);
  EXPECT_TRUE(table.OnDeviceFound(TestDevice(2, "10.1.0.6")).cells.empty()) << "not moved yet";
  EXPECT_TRUE(table.OnDeviceFound(TestDevice(2, "10.2.0.6")).stopRescanTimer);
  EXPECT_EQ(inventory->lock().table().Find(1)->sourceAddress, inet_addr("10.2.0.6"));
}

// Batches as a scan's worker posts them, each device judged in turn: a MAC
// is listed once, rows keep their arrival order, and a collision inside a
// batch is marked against the rows the grid will have when cells apply.
TEST_F(DeviceTableTest, BatchesListEachMacOnceInArrivalOrder) {
  // The rows a batch inserts, as number and model, then the rows its cells mark.
  const auto shown = [this](const std::vector<DeviceInfo>& batch) {
    const TableChanges changes = table.OnDevicesFound(batch);
    QString text;
    for (const auto& row : changes.insertedRows) text += row[kColumnNumber] + row[kColumnModel] + ",";
    for (const CellUpdate& cell : changes.cells) text += QString(" %1").arg(cell.row);
    return text;
  };
  table.SetState(WindowState::kScanning);
  EXPECT_EQ(shown({TestDevice(1, "10.0.0.1").withModel("a"), TestDevice(2, "10.0.0.2").withModel("b"),
                   TestDevice(1, "10.0.0.9").withModel("again"), TestDevice(3, "10.0.0.1").withModel("c")}),
            "   1a,   2b,   3c, 2 0 2 0")
      << "the pair's address and state are marked";
  EXPECT_EQ(shown({TestDevice(2, "10.0.0.2"), TestDevice(4, "10.0.0.4").withModel("d")}), "   4d,")
      << "listed in the first batch: not again";
  EXPECT_EQ(inventory->lock().RowCount(), 4);
}

// The last state text each row is given, as the grid ends up showing it.
std::map<int, QString> States(const TableChanges& changes) {
  std::map<int, QString> states;
  for (const CellUpdate& cell : changes.cells)
    if (cell.column == kColumnState && cell.text) states[cell.row] = *cell.text;
  return states;
}

// A changed device landing on another device's address marks both rows; one
// whose address stayed (only its mask changed) does not collide with itself.
TEST_F(DeviceTableTest, AVerifiedDeviceCollidesOnlyWithOtherRows) {
  table.SetState(WindowState::kScanning);
  for (uint8_t i = 1; i <= 3; ++i) table.OnDeviceFound(TestDevice(i, ("10.0.0." + std::to_string(i)).c_str()));
  table.BeginVerification(TestDevice(1).mac, inet_addr("10.0.0.3"));
  EXPECT_EQ(States(table.OnDeviceFound(TestDevice(1, "10.0.0.3"))),
            (std::map<int, QString>{{0, kStateChangedWithCollision}, {2, kStateChangedWithCollision}}));
  table.BeginVerification(TestDevice(2).mac, inet_addr("10.0.0.2"));
  EXPECT_EQ(States(table.OnDeviceFound(TestDevice(2, "10.0.0.2"))), (std::map<int, QString>{{1, kStateChanged}}));
}

// A change that failed is marked with why, a clash of addresses in the
// collision colours; a verified change is marked once it answers, and an
// unsent one or a device without a row leaves the list as it is.
TEST_F(DeviceTableTest, EachFailedChangeIsMarkedWithItsOwnText) {
  table.SetState(WindowState::kScanning);
  table.OnDeviceFound(TestDevice(1, "10.0.0.1"));
  const auto mark = [this](ChangeOutcome outcome) { return table.MarkOutcome(TestDevice(1).mac, outcome); };
  const auto state = [](const char* text, CellColours colours) {
    return std::vector<CellUpdate>{{0, kColumnState, QString::fromLatin1(text), colours}};
  };
  EXPECT_EQ(mark(ChangeOutcome::kRefusedCredential), state(kStateRefusedCredential, kFailedChangeColours));
  EXPECT_EQ(mark(ChangeOutcome::kRefused), state(kStateRefused, kFailedChangeColours));
  EXPECT_EQ(mark(ChangeOutcome::kNoAnswer), state(kStateNoAnswer, kFailedChangeColours));
  EXPECT_EQ(mark(ChangeOutcome::kAcceptedNotSeen), state(kStateChecking, kCheckingColours));
  EXPECT_EQ(mark(ChangeOutcome::kConflict), state(kStateMacConflict, kCollisionColours));
  EXPECT_EQ(mark(ChangeOutcome::kOtherNetwork), state(kStateOtherNetwork, kFailedChangeColours));
  for (const ChangeOutcome unmarked : {ChangeOutcome::kVerified, ChangeOutcome::kNotFound, ChangeOutcome::kNotSent})
    EXPECT_TRUE(mark(unmarked).empty()) << OutcomeCode(unmarked);
  EXPECT_TRUE(table.MarkOutcome(TestDevice(2).mac, ChangeOutcome::kRefused).empty()) << "no row, no cell";
}

// Sorts turn the direction every time and never sort by number; selecting a
// row without an entry keeps the selected device.
TEST_F(DeviceTableTest, SortsAndSelection) {
  EXPECT_FALSE(table.SortRows(kColumnModel, {})) << "empty list";
  table.SetState(WindowState::kScanning);
  for (const char* model : {"b", "a", "c"}) table.OnDeviceFound(TestDevice(model[0], "10.0.0.1").withModel(model));
  EXPECT_FALSE(table.SortRows(kColumnNumber, {"1", "2", "3"}));
  EXPECT_EQ(table.SortRows(kColumnModel, {"b", "a", "c"}), (std::vector<int>{2, 0, 1})) << "descending first";
  EXPECT_EQ(table.SortRows(kColumnAddress, {"c", "b", "a"}), (std::vector<int>{2, 1, 0})) << "any column turns it";
  EXPECT_STREQ(inventory->lock().table().Find(0)->modelName, "a");

  ASSERT_TRUE(table.SelectRow(1).device);
  const auto missing = table.SelectRow(7);
  EXPECT_FALSE(missing.device);
  EXPECT_EQ(missing.cells.size(), 3u) << "rows lose their mark even when the new row has no entry";
  EXPECT_STREQ(table.SelectedDevice()->modelName, "b");
  table.Clear();
  EXPECT_FALSE(table.SelectedDevice());
}

}  // namespace
