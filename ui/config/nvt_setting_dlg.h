// The "NVT Setting" dialog, where the operator prepares a batch change: the
// address list file to use (chosen with "Select", reviewed with "View").
//
// One object lives as long as the main window and is shown again for every
// batch. Each showing starts over: the file way chosen, the UI way disabled
// (a range change is not offered), the "Common" group's controls disabled
// with their defaults, Static ticked, and the path box empty. The chosen
// file path itself is kept across showings, so "View" and the batch still
// use the last selected file. The two radio groups (file/UI, Static/DHCP)
// are independent. "Select" and "View" read the file once, through the
// viewer; a file the address list reader refuses (not a regular file, too
// large, unreadable) opens no viewer but a warning, and Select then keeps
// the previous path. Nothing else is validated; OK records the mode.
//
// The viewer checks the file against the listed devices. The dialog knows
// no inventory: its owner hands it a provider that takes a snapshot (under
// the inventory's lock) each time a viewer opens.
#pragma once

#include <QButtonGroup>
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "ui/config/address_list_check.h"

namespace Ui {
class NvtSettingDialog;
}

inline constexpr int kBatchModeThroughUi = 0;
inline constexpr int kBatchModeThroughFile = 1;
// A longer path is refused rather than cut: a cut path names another file.
inline constexpr int kMaxBatchFilePathLength = 255;
inline constexpr const char* kFileDialogFilter = "텍스트(*.txt);;모든파일(*.*)";
inline constexpr const char* kFilePathTooLongText = "The file path is too long (at most 255 characters).";

class CDBViewer;
class DeviceInventory;

using ListedDevicesProvider = std::function<std::vector<ListedDevice>()>;

// The listed devices in row order with their ticks, taken under one lock.
std::vector<ListedDevice> ListedDevicesOf(DeviceInventory& inventory);

class CNVTSettingDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CNVTSettingDlg(QWidget* parent = nullptr);
  ~CNVTSettingDlg() override;

  // Read after OK: kBatchModeThroughFile or kBatchModeThroughUi.
  int mode() const { return mode_; }
  const QString& filePath() const { return filePath_; }

  // Without one, the viewer checks against no devices.
  void setListedDevicesProvider(ListedDevicesProvider provider) { listedDevices_ = std::move(provider); }

  void setVisible(bool visible) override;

 public slots:
  void accept() override;

 private:
  void PrepareOpening();
  void SwitchToFileWay();
  void SwitchToUiWay();
  void SetAddressDetailsEnabled(bool enabled);
  void SelectFile();
  void ViewFile();
  bool WarnUnlessReadable(const CDBViewer& viewer);
  std::vector<ListedDevice> ListedDevices() const;

  std::unique_ptr<Ui::NvtSettingDialog> ui_;
  QButtonGroup wayGroup_;
  QButtonGroup typeGroup_;
  int mode_ = kBatchModeThroughFile;
  QString filePath_;
  ListedDevicesProvider listedDevices_;
};
