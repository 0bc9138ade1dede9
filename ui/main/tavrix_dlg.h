// The main window: command buttons, the device list, the local network panel
// and the selected device's settings panel, laid out from tavrix_dialog.ui.
// It owns the device inventory (shared with the batch worker behind its one
// lock), the table core that decides what each arriving device means, and
// the discovery controller; it only copies the core's decisions into the grid.
// Invariants: workers reach it only through its mailbox; one endpoint at a
// time holds the local port, so a running batch keeps "NVT Scan" and "Apply"
// ignored until its end is handled; only the close box ends the window;
// destruction closes the mailbox and stops the re-scan timer and both workers
// while the window is still whole, so no worker can reach it afterwards.
#pragma once

#include <QDialog>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "discovery/discovery_worker.h"
#include "discovery/window_mailbox.h"
#include "discovery/worker_events.h"
#include "discovery/worker_thread.h"
#include "protocol/encp_client.h"
#include "protocol/encp_timing.h"
#include "table/device_table.h"
#include "ui/config/batch_worker.h"
#include "ui/main/main_window_seams.h"

class CNVTSettingDlg;
class CXListCtrl;
class QComboBox;
class QLabel;
class QMenu;
class QMenuBar;
namespace Ui {
class TavrixDialog;
}

inline constexpr const char* kAllAdaptersText = QT_TRANSLATE_NOOP("Tavrix", "All adapters");

class CTavrixDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kRescanPeriodMs = static_cast<int>(kRescanPeriod.count());

  // The application passes nothing: default endpoint settings and the real
  // system. Initialisation runs here; without a network adapter the window
  // reports it and is closed at once.
  explicit CTavrixDlg(EncpEndpointSettings endpointSettings = {}, MainWindowSeams seams = {},
                      QWidget* parent = nullptr);
  ~CTavrixDlg() override;

  // A window closed during its initialisation ends its modal run at once.
  int exec() override;

  WindowState GetState() const { return table_.GetState(); }

  // Marks the row current and fills the settings panel from its record.
  void SelectRow(int row);
  // The panel's editable set: Static, DHCP, the four addresses and Apply.
  void EnableSettingsPanel(bool enable);
  // Chooses the usable adapter of that name ("" for all); false when there
  // is none such, and nothing changes.
  bool ChooseAdapter(const QString& name);

  // A single change was accepted: the device's row shows "Checking ip
  // address ...", the window awaits the device (from `givenAddress` after a
  // static change) and re-scans at once, then every 3000 ms until the device
  // answers so or "Clear".
  void BeginVerification(const uint8_t mac[6], std::optional<uint32_t> givenAddress);

  // The device shown in the settings panel, by its current table record.
  std::optional<DeviceInfo> SelectedDevice() const { return table_.SelectedDevice(); }

  CXListCtrl* DeviceList() const;
  // The inventory the workers read: records, ticks and awaited changes.
  const std::shared_ptr<DeviceInventory>& Inventory() const { return inventory_; }
  // From "NVT setting" until the window has handled the run's end.
  bool IsBatchRunning() const { return batchController_.IsRunning(); }

 signals:
  // A discovery worker began `cycle`; worker events of any other cycle are
  // dropped from then on.
  void discoveryCycleStarted(DiscoveryCycle cycle);
  // The re-scan timer was armed to tick after `delayMs`; each tick starts a
  // discovery cycle and re-arms it with kRescanPeriodMs.
  void rescanScheduled(int delayMs);
  // An armed re-scan timer was stopped.
  void rescanCancelled();

 protected:
  void customEvent(QEvent* event) override;
  // The close box ends the window (and the program).
  void closeEvent(QCloseEvent* event) override;
  // The list's tool tips, which name the adapter of the row's device.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Esc would reject a dialog and lose the list: here it ends nothing. Enter
  // cannot end it either, as the OK button is hidden, disabled and no default.
  void reject() override {}

 private slots:
  void OnScan();
  void OnClear();
  void OnDeleteArpTable();
  // Single-device change from the settings panel.
  void OnApply();
  // Batch change from an address list file.
  void OnNvtSetting();
  void OnRowClicked();
  void OnRowDoubleClicked();
  void OnListContextMenu(const QPoint& position);
  void OnColumnClicked(int column);
  void OnCheckStatesChanged(int column);
  void OnRescanTimer();
  void OnWebPage();
  void OnAbout();
  // Every row as the list shows it, in its current order, to a CSV file.
  void OnExportList();

 private:
  void SetupColumns();
  // Fills the adapter panel; without an adapter says so and closes the window.
  void LoadAdapters();
  // Going idle from a verification or a batch stops the re-scan timer.
  void EnterState(WindowState state);
  void StartRescanTimer(int delayMs);
  void KillRescanTimer();
  // Starts the next discovery cycle; false when no worker could start.
  bool StartDiscovery();
  void SetupAdapterChoice();
  void OnAdapterChosen(int item);
  // The chosen adapter's settings, the first adapter's with "All adapters".
  void ShowLocalNetworkTexts();
  // Says once per command that the chosen adapter has gone.
  void WarnIfChosenAdapterGone();
  void AddTavrixMenu();
  void OnDevicesFound(std::span<const DeviceInfo> devices);
  void OnDiscoveryEnded();
  void OnBatchEnded();
  void SetupBatchProgress();
  void OnBatchProgress(const BatchTally& tally);
  void OnChangeOutcome(const ChangeOutcomeReport& report);
  void ShowBatchTally();
  void HideBatchProgress();
  // Only one endpoint may hold the local port: a change about to be sent
  // first ends the discovery cycle and the re-scan timer, and drops what
  // that cycle posted (an old reply must not pass for a moved device).
  void ReleaseDiscoveryPort();
  // Resumes what ReleaseDiscoveryPort interrupted when no batch started.
  void ResumeAfterRefusedStart();
  // New rows enter the grid in one insertion, so listing a device costs the
  // same on an empty list and on 16 000 rows.
  void ApplyTableChanges(const TableChanges& changes);
  void ApplyCells(const std::vector<CellUpdate>& cells);
  void ForgetSelection();
  void OpenWebPage(const DeviceInfo& device);
  std::optional<DeviceInfo> RowRecord(int row) const;
  void MirrorTicks();
  void ShowWorkerFault(const WorkerFault& fault);

  // Closed first thing in the destructor body (and again, harmlessly, when
  // this member goes), so no worker posts to a window being torn down.
  MailboxOwner mailboxOwner_{this};
  std::unique_ptr<Ui::TavrixDialog> ui_;
  QMenuBar* menuBar_ = nullptr;
  EncpEndpointSettings endpointSettings_;
  MainWindowSeams seams_;
  std::shared_ptr<DeviceInventory> inventory_;
  DeviceTableCore table_;
  DiscoveryController discovery_;
  // The one batch worker; started by "NVT setting", stopped with the window.
  BatchController batchController_;
  // Made once, after the template's controls have moved under the menu bar,
  // so that the move never places it; it keeps its chosen file path.
  std::unique_ptr<CNVTSettingDlg> nvtSettingDlg_;
  QLabel* batchProgressLabel_ = nullptr;
  // False once "Clear" or the operator's next command has put the progress
  // (or, after the run, its tally) away.
  bool batchProgressWanted_ = false;
  BatchTally batchTally_;
  QTimer rescanTimer_;
  std::vector<AdapterInfo> adapters_;
  std::vector<UsableAdapter> usableAdapters_;
  QComboBox* adapterCombo_ = nullptr;
  // Rows being inserted, reordered or removed: their check boxes change in
  // bulk, and the inventory's ticks are set together with the records.
  bool applyingRows_ = false;
  bool closedAtStart_ = false;
  // Each kind of worker fault is said once per operator command: re-scan
  // cycles that fail again would otherwise stack one message box on another.
  std::set<WorkerFaultKind> faultsShown_;
};
