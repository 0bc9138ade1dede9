// The "NVT Setting" dialog, where the operator prepares a batch: an address list file ("Select",
// "View") or a range the ticked devices get in list order.
//
// One object lives as long as the main window. Each showing starts from the file way with the
// path box empty, yet the chosen file and the typed range stay for the program's run; the two
// radio groups (file/UI, Static/DHCP) are independent. A file the reader refuses opens a warning,
// never the viewer, and Select keeps the previous path. In the UI way "View" and OK plan the range
// against a fresh snapshot: a refused range warns and keeps the dialog open, and the plan OK
// accepted is what the batch sends. The dialog knows no inventory: its owner hands it providers
// that take their snapshots under the inventory's lock.
#pragma once

#include <QButtonGroup>
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "batch/address_list_check.h"
#include "batch/range_plan.h"

namespace Ui {
class NvtSettingDialog;
}

enum class BatchMode { kThroughUi, kThroughFile };
// A longer path is refused rather than cut: a cut path names another file.
inline constexpr int kMaxBatchFilePathLength = 255;
inline constexpr const char* kFileDialogFilter = QT_TRANSLATE_NOOP("Tavrix", "텍스트(*.txt);;모든파일(*.*)");
inline constexpr const char* kFilePathTooLongText =
    QT_TRANSLATE_NOOP("Tavrix", "The file path is too long (at most 255 characters).");

class CDBViewer;
class DeviceInventory;

using ListedDevicesProvider = std::function<std::vector<ListedDevice>()>;
using AdaptersProvider = std::function<std::vector<UsableAdapter>()>;

// The listed devices in row order with their ticks, taken under one lock.
std::vector<ListedDevice> ListedDevicesOf(DeviceInventory& inventory);

class CNVTSettingDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CNVTSettingDlg(QWidget* parent = nullptr);
  ~CNVTSettingDlg() override;

  // Read after OK.
  BatchMode mode() const { return mode_; }
  const QString& filePath() const { return filePath_; }
  // With the UI way: the lines OK planned.
  const std::vector<BatchLine>& plan() const { return plan_; }
  // With the UI way: the ticked devices on another network, left alone.
  const std::vector<MacAddress>& otherNetwork() const { return otherNetwork_; }

  // Without one, the viewer checks against no devices.
  void setListedDevicesProvider(ListedDevicesProvider provider) { listedDevices_ = std::move(provider); }
  // The PC's usable adapters, whose subnets place a range; none without one.
  void setAdaptersProvider(AdaptersProvider provider) { adapters_ = std::move(provider); }

  void setVisible(bool visible) override;

 public slots:
  void accept() override;

 private:
  void PrepareOpening();
  void SwitchToFileWay();
  void SwitchToUiWay();
  void SetAddressDetailsEnabled(bool enabled);
  void SelectFile();
  void View();
  bool WarnUnlessReadable(const CDBViewer& viewer);
  RangeSettings TypedRange() const;
  // The typed range planned against `devices`; a refusal is shown instead.
  std::optional<RangePlan> PlanTypedRange(const std::vector<ListedDevice>& devices);
  std::vector<ListedDevice> ListedDevices() const;

  std::unique_ptr<Ui::NvtSettingDialog> ui_;
  QButtonGroup wayGroup_;
  QButtonGroup typeGroup_;
  BatchMode mode_ = BatchMode::kThroughFile;
  QString filePath_;
  std::vector<BatchLine> plan_;
  std::vector<MacAddress> otherNetwork_;
  ListedDevicesProvider listedDevices_;
  AdaptersProvider adapters_;
};
