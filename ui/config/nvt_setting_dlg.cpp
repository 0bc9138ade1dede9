#include "ui/config/nvt_setting_dlg.h"

#include <arpa/inet.h>

#include <cstring>

#include "table/device_inventory.h"
#include "ui/common/dialog_units.h"
#include "ui/common/prompts.h"
#include "ui/common/translation.h"
#include "ui/config/db_viewer.h"
#include "ui_nvt_setting_dialog.h"

namespace {

// Host byte order, as the address edits take them.
constexpr uint32_t Address(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  return (a << 24) | (b << 16) | (c << 8) | d;
}

}  // namespace

std::vector<ListedDevice> ListedDevicesOf(DeviceInventory& inventory) {
  auto access = inventory.lock();
  std::vector<ListedDevice> devices(static_cast<size_t>(access.RowCount()));
  for (int row = 0; row < access.RowCount(); ++row) {
    const DeviceInfo& info = *access.table().Find(row);
    ListedDevice& device = devices[static_cast<size_t>(row)];
    std::memcpy(device.mac.data(), info.mac, device.mac.size());
    device.sourceAddress = info.sourceAddress;
    device.ticked = access.IsTicked(row);
    device.interfaceIndex = info.interfaceIndex;
  }
  return devices;
}

CNVTSettingDlg::CNVTSettingDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::NvtSettingDialog>()) {
  ui_->setupUi(this);
  ApplyDialogUnits(this);
  setWindowTitle(tr("NVT Setting"));
  wayGroup_.addButton(ui_->throughFileRadio);
  wayGroup_.addButton(ui_->throughUiRadio);
  typeGroup_.addButton(ui_->staticRadio);
  typeGroup_.addButton(ui_->dhcpRadio);

  connect(ui_->throughFileRadio, &QRadioButton::clicked, this, &CNVTSettingDlg::SwitchToFileWay);
  connect(ui_->throughUiRadio, &QRadioButton::clicked, this, &CNVTSettingDlg::SwitchToUiWay);
  connect(ui_->staticRadio, &QRadioButton::clicked, this, [this] { SetAddressDetailsEnabled(true); });
  connect(ui_->dhcpRadio, &QRadioButton::clicked, this, [this] { SetAddressDetailsEnabled(false); });
  connect(ui_->selectButton, &QPushButton::clicked, this, &CNVTSettingDlg::SelectFile);
  connect(ui_->viewButton, &QPushButton::clicked, this, &CNVTSettingDlg::View);
  connect(ui_->okButton, &QPushButton::clicked, this, &CNVTSettingDlg::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &CNVTSettingDlg::reject);

  ui_->staticRadio->setChecked(true);
  ui_->startAddressEdit->setAddress(Address(192, 168, 1, 2));
  ui_->endAddressEdit->setAddress(Address(192, 168, 1, 255));
  ui_->subnetMaskEdit->setAddress(Address(255, 255, 255, 0));
  ui_->gatewayEdit->setAddress(Address(192, 168, 1, 1));
  ui_->dnsServerEdit->setAddress(Address(168, 126, 63, 1));
}

CNVTSettingDlg::~CNVTSettingDlg() = default;

void CNVTSettingDlg::setVisible(bool visible) {
  // Every showing (a modal run or a plain show) starts from the defaults.
  if (visible && !isVisible()) PrepareOpening();
  QDialog::setVisible(visible);
}

void CNVTSettingDlg::PrepareOpening() {
  ui_->pathEdit->clear();
  SwitchToFileWay();
}

void CNVTSettingDlg::SwitchToFileWay() {
  ui_->throughFileRadio->setChecked(true);
  ui_->selectButton->setEnabled(true);
  ui_->viewButton->setEnabled(true);
  for (QWidget* control : {static_cast<QWidget*>(ui_->staticRadio), static_cast<QWidget*>(ui_->dhcpRadio),
                           static_cast<QWidget*>(ui_->startAddressEdit), static_cast<QWidget*>(ui_->endAddressEdit)}) {
    control->setEnabled(false);
  }
  SetAddressDetailsEnabled(false);
}

void CNVTSettingDlg::SwitchToUiWay() {
  ui_->throughUiRadio->setChecked(true);
  ui_->selectButton->setEnabled(false);
  ui_->viewButton->setEnabled(true);
  for (QWidget* control : {static_cast<QWidget*>(ui_->staticRadio), static_cast<QWidget*>(ui_->dhcpRadio),
                           static_cast<QWidget*>(ui_->startAddressEdit), static_cast<QWidget*>(ui_->endAddressEdit)}) {
    control->setEnabled(true);
  }
  SetAddressDetailsEnabled(ui_->staticRadio->isChecked());
}

void CNVTSettingDlg::SetAddressDetailsEnabled(bool enabled) {
  ui_->subnetMaskEdit->setEnabled(enabled);
  ui_->gatewayEdit->setEnabled(enabled);
  ui_->dnsServerEdit->setEnabled(enabled);
}

void CNVTSettingDlg::SelectFile() {
  const QString path = Prompts::current().openFileName(this, UiText(kFileDialogFilter));
  if (path.isEmpty()) return;
  if (path.size() > kMaxBatchFilePathLength) {
    Prompts::current().showMessage(this, QMessageBox::Warning, UiText(kFilePathTooLongText));
    return;
  }
  CDBViewer viewer(this, path, ListedDevices());
  if (!WarnUnlessReadable(viewer)) return;
  filePath_ = path;
  ui_->pathEdit->setText(filePath_);
  Prompts::current().runModal(viewer);
}

void CNVTSettingDlg::View() {
  if (ui_->throughUiRadio->isChecked()) {
    const std::vector<ListedDevice> devices = ListedDevices();
    if (const std::optional<RangePlan> plan = PlanTypedRange(devices)) {
      CDBViewer viewer(this, plan->lines, devices);
      Prompts::current().runModal(viewer);
    }
    return;
  }
  if (filePath_.isEmpty()) return;
  CDBViewer viewer(this, filePath_, ListedDevices());
  if (WarnUnlessReadable(viewer)) Prompts::current().runModal(viewer);
}

bool CNVTSettingDlg::WarnUnlessReadable(const CDBViewer& viewer) {
  if (viewer.status() == AddressListStatus::kRead) return true;
  Prompts::current().showMessage(this, QMessageBox::Warning,
                                 QString::fromLatin1(AddressListStatusText(viewer.status())));
  return false;
}

RangeSettings CNVTSettingDlg::TypedRange() const {
  const auto typed = [](const IpAddressEdit* edit) {
    uint32_t hostOrder = 0;
    edit->address(&hostOrder);
    return htonl(hostOrder);
  };
  RangeSettings range;
  range.networkType = ui_->staticRadio->isChecked() ? kNetworkStatic : kNetworkDhcp;
  range.start = typed(ui_->startAddressEdit);
  range.end = typed(ui_->endAddressEdit);
  range.subnetMask = typed(ui_->subnetMaskEdit);
  range.gateway = typed(ui_->gatewayEdit);
  range.dnsServer = typed(ui_->dnsServerEdit);
  return range;
}

std::optional<RangePlan> CNVTSettingDlg::PlanTypedRange(const std::vector<ListedDevice>& devices) {
  const RangeSettings range = TypedRange();
  RangePlan plan = PlanAddressRange(range, devices, adapters_ ? adapters_() : std::vector<UsableAdapter>{},
                                    RangeDevices::kTickedRows);
  if (plan.refusal == RangeRefusal::kNone) return plan;
  Prompts::current().showMessage(this, QMessageBox::Warning, QString::fromStdString(RangeRefusalText(range, plan)));
  return std::nullopt;
}

std::vector<ListedDevice> CNVTSettingDlg::ListedDevices() const {
  return listedDevices_ ? listedDevices_() : std::vector<ListedDevice>{};
}

void CNVTSettingDlg::accept() {
  plan_.clear();
  otherNetwork_.clear();
  if (ui_->throughUiRadio->isChecked()) {
    std::optional<RangePlan> plan = PlanTypedRange(ListedDevices());
    if (!plan) return;
    plan_ = std::move(plan->lines);
    otherNetwork_ = std::move(plan->otherNetwork);
  }
  mode_ = ui_->throughFileRadio->isChecked() ? BatchMode::kThroughFile : BatchMode::kThroughUi;
  QDialog::accept();
}
