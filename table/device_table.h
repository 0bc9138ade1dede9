// The main window's device-table logic without widgets: what an arriving device means in each
// window state, which cells get which texts and colours, sorting, selection and verification.
// Each call decides and the window copies the decisions into its grid and timer. Window thread
// only; each call takes the inventory's lock once, so no batch worker sees a half-applied event.
//
// A device counts as changed only when it answers from the address it was given (after a switch
// to DHCP: when it answers at all); with none awaited any more the window returns to idle. A
// verified device answering from its old address is no collision with itself.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "protocol/setting_exchange.h"
#include "table/device_inventory.h"
#include "table/row_texts.h"

// The window's states; the numbers are those the window's SetState takes.
enum class WindowState { kIdle = 0, kScanning = 1, kVerifying = 2, kBatch = 3 };

// What one device, or a batch of them, changes. Applying the insertions
// first and then the cells gives the grid what device-by-device application
// would: a device's cells only name rows that existed once it was listed.
struct TableChanges {
  // Rows to append at the end in this order, check boxes unchecked, default colours.
  std::vector<std::array<QString, kDeviceColumnCount>> insertedRows;
  // Applied in order, after the insertions; never names row -1.
  std::vector<CellUpdate> cells;
  // A verification or a batch has just ended: kill the re-scan timer.
  bool stopRescanTimer = false;
  // How many awaited devices were seen changed.
  int verified = 0;
};

struct StateChange {
  bool stopRescanTimer = false;
};

struct RowSelection {
  std::vector<CellUpdate> cells;     // column-0 marks: every row plain, the chosen row highlighted
  std::optional<DeviceInfo> device;  // the chosen row's record; none when the row has no entry
};

class DeviceTableCore {
 public:
  explicit DeviceTableCore(std::shared_ptr<DeviceInventory> inventory);

  WindowState GetState() const { return state_; }
  // Leaving a verification or batch for idle asks for the re-scan timer to
  // stop and forgets the awaited devices.
  StateChange SetState(WindowState state);
  // A single change was accepted: await the device (at `givenAddress` for a
  // static change) and enter the verifying state. Returns its "Checking ip
  // address ..." mark.
  std::vector<CellUpdate> BeginVerification(const uint8_t mac[6], std::optional<uint32_t> givenAddress);

  TableChanges OnDeviceFound(const DeviceInfo& device);
  // Each device in turn by the same rule, under one lock.
  TableChanges OnDevicesFound(std::span<const DeviceInfo> devices);
  // True when the window was scanning: it should stop the (ended) worker; the
  // state is idle afterwards. In other states the event changes nothing.
  bool OnDiscoveryEnded();
  // The State mark of a change that was refused, never answered or passed
  // by as another network's; nothing for an accepted one, which is marked
  // when the wait for it begins.
  std::vector<CellUpdate> MarkOutcome(const uint8_t mac[6], ChangeOutcome outcome);
  // "Checking ip address ..." for every awaited device that has a row. A
  // run that ended after "Clear" made the window idle leaves nothing awaited.
  std::vector<CellUpdate> OnBatchEnded();

  // Empties table, awaited set and ticks, forgets the selection, goes idle.
  StateChange Clear();

  // A click on `column` (texts of that column, row by row): the records and
  // ticks are reordered under the lock and the order is returned for the
  // grid to follow; none for column 0 or an empty list. Every sort flips the
  // one direction flag shared by all columns; the first sort is descending.
  std::optional<std::vector<int>> SortRows(int column, const std::vector<QString>& columnTexts);
  // The "No." texts after a reorder.
  static std::vector<CellUpdate> RowNumbers(int rowCount);

  RowSelection SelectRow(int row);
  void ForgetSelection() { selectedMac_.reset(); }
  // The selected device's current record (by MAC, so it survives sorts).
  std::optional<DeviceInfo> SelectedDevice() const;

  void SetTick(int row, bool ticked);
  DeviceInventory& inventory() { return *inventory_; }

 private:
  StateChange SetStateLocked(DeviceInventory::Access& access, WindowState state);
  void OnFoundWhileScanning(DeviceInventory::Access& access, const DeviceInfo& device, TableChanges& changes);
  void OnFoundWhileVerifying(DeviceInventory::Access& access, const DeviceInfo& device, TableChanges& changes);
  void OnFoundInBatch(DeviceInventory::Access& access, const DeviceInfo& device, TableChanges& changes);
  void EndVerificationWhenDone(DeviceInventory::Access& access, TableChanges& changes);

  std::shared_ptr<DeviceInventory> inventory_;
  WindowState state_ = WindowState::kIdle;
  std::optional<MacAddress> selectedMac_;
  bool sortAscending_ = false;
};
