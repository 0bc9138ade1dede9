#include "ui/main/tavrix_dlg.h"

#include <arpa/inet.h>

#include <QCloseEvent>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <variant>

#include "discovery/worker_events.h"
#include "protocol/address_text.h"
#include "protocol/device_csv.h"
#include "ui/common/dialog_units.h"
#include "ui/common/prompts.h"
#include "ui/common/translation.h"
#include "ui/config/nvt_setting_dlg.h"
#include "ui/controls/xlist_ctrl.h"
#include "ui/main/about_box.h"
#include "ui/main/column_layout.h"
#include "ui/main/device_actions.h"
#include "ui_tavrix_dialog.h"

namespace {

QColor ToQColor(const Rgb& colour) { return QColor(colour.red, colour.green, colour.blue); }

}  // namespace

CTavrixDlg::CTavrixDlg(EncpEndpointSettings endpointSettings, MainWindowSeams seams, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TavrixDialog>()),
      endpointSettings_(endpointSettings),
      seams_(std::move(seams)),
      inventory_(std::make_shared<DeviceInventory>()),
      table_(inventory_),
      discovery_(mailboxOwner_.mailbox(), endpointSettings) {
  ui_->setupUi(this);
  // A fixed frame with a close box, no minimise or maximise box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setWindowIcon(ProgramIcon());
  for (QPushButton* hidden : {ui_->okButton, ui_->cancelButton}) {
    hidden->setDefault(false);
    hidden->setAutoDefault(false);
    hidden->hide();
  }
  ApplyDialogUnits(this);
  AddTavrixMenu();
  SetupBatchProgress();
  nvtSettingDlg_ = std::make_unique<CNVTSettingDlg>(this);
  nvtSettingDlg_->setListedDevicesProvider([inventory = inventory_] { return ListedDevicesOf(*inventory); });
  nvtSettingDlg_->setAdaptersProvider([this] { return usableAdapters_; });

  CXListCtrl* list = DeviceList();
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  SetupColumns();
  SetupAdapterChoice();

  connect(ui_->scanButton, &QPushButton::clicked, this, &CTavrixDlg::OnScan);
  connect(ui_->clearButton, &QPushButton::clicked, this, &CTavrixDlg::OnClear);
  connect(ui_->deleteArpButton, &QPushButton::clicked, this, &CTavrixDlg::OnDeleteArpTable);
  connect(ui_->nvtSettingButton, &QPushButton::clicked, this, &CTavrixDlg::OnNvtSetting);
  connect(ui_->applyButton, &QPushButton::clicked, this, &CTavrixDlg::OnApply);
  // "Firmware update" stays disabled and has no command.
  connect(list, &CXListCtrl::rowClicked, this, &CTavrixDlg::OnRowClicked);
  connect(list, &CXListCtrl::rowDoubleClicked, this, &CTavrixDlg::OnRowDoubleClicked);
  connect(list, &CXListCtrl::customContextMenuRequested, this, &CTavrixDlg::OnListContextMenu);
  connect(list, &CXListCtrl::columnClicked, this, &CTavrixDlg::OnColumnClicked);
  connect(list, &CXListCtrl::checkStatesChanged, this, &CTavrixDlg::OnCheckStatesChanged);
  rescanTimer_.setSingleShot(true);
  connect(&rescanTimer_, &QTimer::timeout, this, &CTavrixDlg::OnRescanTimer);

  OnClear();
  LoadAdapters();
  EnableSettingsPanel(false);
  EnterState(WindowState::kIdle);
}

CTavrixDlg::~CTavrixDlg() {
  mailboxOwner_.mailbox()->close();
  rescanTimer_.stop();
  discovery_.StopDiscoveryWorker();
  batchController_.Stop();
  adapters_.clear();
}

int CTavrixDlg::exec() {
  if (closedAtStart_) return QDialog::Rejected;
  return QDialog::exec();
}

CXListCtrl* CTavrixDlg::DeviceList() const { return ui_->deviceList; }

// The desktop's window manager owns the title bar and its menu, so the
// window's own items (export, About) live in a menu bar of the window's own
// and in the context menu of the window's background. The template's
// controls move down to make room.
void CTavrixDlg::AddTavrixMenu() {
  auto* exportList = new QAction(tr("Export list..."), this);
  connect(exportList, &QAction::triggered, this, &CTavrixDlg::OnExportList);
  auto* about = new QAction(UiText(kAboutMenuText), this);
  connect(about, &QAction::triggered, this, &CTavrixDlg::OnAbout);
  addActions({exportList, about});
  setContextMenuPolicy(Qt::ActionsContextMenu);

  menuBar_ = new QMenuBar(this);
  menuBar_->setObjectName(QStringLiteral("menuBar"));
  QMenu* menu = menuBar_->addMenu(tr("&Tavrix"));
  menu->addAction(exportList);
  menu->addSeparator();
  menu->addAction(about);
  const int barHeight = menuBar_->sizeHint().height();
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child != menuBar_) child->move(child->x(), child->y() + barHeight);
  }
  setFixedSize(width(), height() + barHeight);
  menuBar_->setGeometry(0, 0, width(), barHeight);
}

void CTavrixDlg::SetupColumns() {
  CXListCtrl* list = DeviceList();
  const int scrollBar = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
  const auto widths = DeviceColumnWidths(list->width(), scrollBar);
  for (int column = 0; column < kDeviceColumnCount; ++column) {
    // Column 0 carries the check boxes and, in its header, an unchecked check-all box.
    list->InsertColumn(column, UiText(kDeviceColumnTitles[column]), widths[column], Qt::AlignLeft,
                       column == kColumnNumber ? HeaderCheck::kUnchecked : HeaderCheck::kNone);
  }
}

void CTavrixDlg::LoadAdapters() {
  adapters_ = seams_.readAdapters ? seams_.readAdapters() : std::vector<AdapterInfo>{};
  if (adapters_.empty()) {
    Prompts::current().showMessage(this, QMessageBox::Critical, UiText(kNoAdapterText), QMessageBox::Ok);
    closedAtStart_ = true;
    return;
  }
  usableAdapters_ = seams_.readUsableAdapters ? seams_.readUsableAdapters() : std::vector<UsableAdapter>{};
  const QSignalBlocker quiet(adapterCombo_);
  adapterCombo_->clear();
  adapterCombo_->addItem(UiText(kAllAdaptersText), QString());
  for (const UsableAdapter& adapter : usableAdapters_) {
    adapterCombo_->addItem(QString::fromStdString(adapter.name + " (" + DottedAddressText(adapter.address) + ")"),
                           QString::fromStdString(adapter.name));
  }
  ShowLocalNetworkTexts();
}

void CTavrixDlg::EnableSettingsPanel(bool enable) {
  for (QWidget* control :
       std::initializer_list<QWidget*>{ui_->staticRadio, ui_->dhcpRadio, ui_->ipAddressEdit, ui_->subnetMaskEdit,
                                       ui_->gatewayEdit, ui_->dnsServerEdit, ui_->applyButton}) {
    control->setEnabled(enable);
  }
}

void CTavrixDlg::EnterState(WindowState state) {
  if (table_.SetState(state).stopRescanTimer) KillRescanTimer();
}

void CTavrixDlg::StartRescanTimer(int delayMs) {
  rescanTimer_.start(delayMs);
  emit rescanScheduled(delayMs);
}

void CTavrixDlg::KillRescanTimer() {
  if (!rescanTimer_.isActive()) return;
  rescanTimer_.stop();
  emit rescanCancelled();
}

bool CTavrixDlg::StartDiscovery() {
  if (!discovery_.StartDiscoveryWorker()) return false;
  emit discoveryCycleStarted(discovery_.CurrentCycle());
  return true;
}

void CTavrixDlg::BeginVerification(const uint8_t mac[6], std::optional<uint32_t> givenAddress) {
  ApplyCells(table_.BeginVerification(mac, givenAddress));
  StartRescanTimer(0);
}

// ---- Buttons ------------------------------------------------------------

void CTavrixDlg::OnScan() {
  if (GetState() != WindowState::kIdle || IsBatchRunning()) return;
  faultsShown_.clear();
  HideBatchProgress();
  if (StartDiscovery()) EnterState(WindowState::kScanning);
}

void CTavrixDlg::OnClear() {
  faultsShown_.clear();
  EnableSettingsPanel(false);
  discovery_.StopDiscoveryWorker();
  applyingRows_ = true;
  DeviceList()->DeleteAllItems();
  applyingRows_ = false;
  if (table_.Clear().stopRescanTimer) KillRescanTimer();
  HideBatchProgress();
}

void CTavrixDlg::OnDeleteArpTable() {
  const Notice notice = ClearArpTable(*seams_.commandRunner, seams_.runsAsRoot);
  Prompts::current().showMessage(this, notice.icon, UiText(notice.text), QMessageBox::Ok);
}

void CTavrixDlg::OnAbout() { ShowAboutBox(this); }

// The grid's texts are what the operator sees, state marks included; the
// record adds what the list has no column for. The number is the row's
// position, its padding only aligns the grid.
void CTavrixDlg::OnExportList() {
  static_assert(kCsvListColumns == kDeviceColumnCount);
  const QString path = Prompts::current().saveFileName(this, tr("CSV files (*.csv)"), QStringLiteral("csv"));
  if (path.isEmpty()) return;
  CXListCtrl* list = DeviceList();
  std::vector<DeviceCsvRow> rows;
  for (int row = 0; row < list->GetItemCount(); ++row) {
    const std::optional<DeviceInfo> device = RowRecord(row);
    if (!device) continue;
    DeviceCsvRow& csv = rows.emplace_back(DeviceCsvRow{{}, *device});
    for (int column = 0; column < kDeviceColumnCount; ++column) {
      const QString text = list->GetItemText(row, column);
      csv.listTexts[column] = (column == kColumnNumber ? text.trimmed() : text).toStdString();
    }
  }
  const QString failure = SaveWholeFile(path, DeviceListCsv(rows));
  if (!failure.isEmpty()) Prompts::current().showMessage(this, QMessageBox::Critical, failure, QMessageBox::Ok);
}

// ---- Device list ----------------------------------------------------------

void CTavrixDlg::SelectRow(int row) {
  const RowSelection selection = table_.SelectRow(row);
  ApplyCells(selection.cells);
  if (!selection.device) return;
  const DeviceInfo& device = *selection.device;
  // Checking one auto-exclusive radio button unchecks the other two, the
  // disabled "PPPoE" included.
  switch (device.networkType) {
    case kNetworkDhcp:
      ui_->dhcpRadio->setChecked(true);
      break;
    case kNetworkStatic:
      ui_->staticRadio->setChecked(true);
      break;
    default:
      ui_->pppoeRadio->setChecked(true);
      break;
  }
  ui_->macEdit->setText(DeviceList()->GetItemText(row, kColumnMac));
  ui_->ipAddressEdit->setAddress(ntohl(device.sourceAddress));
  ui_->subnetMaskEdit->setAddress(ntohl(device.subnetMask));
  ui_->gatewayEdit->setAddress(ntohl(device.gateway));
  ui_->dnsServerEdit->setAddress(ntohl(device.dnsServer));
}

void CTavrixDlg::ForgetSelection() { table_.ForgetSelection(); }

std::optional<DeviceInfo> CTavrixDlg::RowRecord(int row) const {
  auto access = inventory_->lock();
  const DeviceInfo* device = access.table().Find(row);
  if (device == nullptr) return std::nullopt;
  return *device;
}

// Whichever row was clicked, the topmost selected row is the one shown.
void CTavrixDlg::OnRowClicked() {
  const int row = DeviceList()->GetCurSel();
  if (row < 0) {
    EnableSettingsPanel(false);
    ForgetSelection();
    return;
  }
  SelectRow(row);
  EnableSettingsPanel(true);
}

void CTavrixDlg::OnRowDoubleClicked() {
  const int row = DeviceList()->GetCurSel();
  if (row < 0) {
    EnableSettingsPanel(false);
    ForgetSelection();
    return;
  }
  const std::optional<DeviceInfo> device = RowRecord(row);
  if (!device) return;
  OpenWebPage(*device);
  EnableSettingsPanel(true);
}

void CTavrixDlg::OnListContextMenu(const QPoint& position) {
  const int row = DeviceList()->GetCurSel();
  if (row < 0) {
    EnableSettingsPanel(false);
    ForgetSelection();
    return;
  }
  if (!RowRecord(row)) return;
  SelectRow(row);

  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("deviceMenu"));
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->addAction(tr("Monitoring"))->setEnabled(false);
  menu->addAction(tr("Web page"), this, &CTavrixDlg::OnWebPage);
  menu->popup(DeviceList()->viewport()->mapToGlobal(position));
}

void CTavrixDlg::OnWebPage() {
  if (const std::optional<DeviceInfo> device = SelectedDevice()) OpenWebPage(*device);
}

void CTavrixDlg::OpenWebPage(const DeviceInfo& device) {
  const QString address = WebAddress(device);
  if (!address.isEmpty() && seams_.openUrl) seams_.openUrl(QUrl(address));
}

// Column 0 holds the check boxes and never sorts. The core reorders the
// records and their ticks under the inventory's lock; the grid then moves
// its rows (texts, colours, check boxes, selection) by the same order.
void CTavrixDlg::OnColumnClicked(int column) {
  CXListCtrl* list = DeviceList();
  const int rows = list->GetItemCount();
  std::vector<QString> keys(rows);
  for (int row = 0; row < rows; ++row) keys[row] = list->GetItemText(row, column);
  const std::optional<std::vector<int>> order = table_.SortRows(column, keys);
  if (!order) return;

  list->setUpdatesEnabled(false);
  applyingRows_ = true;
  list->ReorderRows(*order);
  ApplyCells(DeviceTableCore::RowNumbers(rows));
  applyingRows_ = false;
  list->setUpdatesEnabled(true);
}

void CTavrixDlg::OnCheckStatesChanged(int column) {
  if (column != kColumnNumber || applyingRows_) return;
  MirrorTicks();
}

// Workers cannot read the grid; they read the inventory's copy of the ticks.
void CTavrixDlg::MirrorTicks() {
  CXListCtrl* list = DeviceList();
  const int rows = list->GetItemCount();
  std::vector<bool> ticks(rows);
  for (int row = 0; row < rows; ++row) ticks[row] = list->GetCheckbox(row, kColumnNumber) == CellCheck::kChecked;
  auto access = inventory_->lock();
  for (int row = 0; row < rows && row < access.RowCount(); ++row) access.SetTicked(row, ticks[row]);
}

// ---- Worker events ----------------------------------------------------------

void CTavrixDlg::customEvent(QEvent* event) {
  const auto* worker = dynamic_cast<const WorkerEvent*>(event);
  if (worker == nullptr) return QDialog::customEvent(event);
  // A stopped cycle's worker, even one let go at its stop wait, is no longer
  // heard: its replies are out of date and its "ended" would cut a new scan short.
  if (worker->cycle() != kNoDiscoveryCycle && worker->cycle() != discovery_.CurrentCycle()) return;
  std::visit(Overloaded{
                 [this](const DevicesFound& found) { OnDevicesFound(found.devices); },
                 [this](const DiscoveryEnded&) { OnDiscoveryEnded(); },
                 [this](const BatchEnded&) { OnBatchEnded(); },
                 [this](const BatchProgress& progress) { OnBatchProgress(progress.tally); },
                 [this](const ChangeOutcomeReport& report) { OnChangeOutcome(report); },
                 [this](const WorkerFault& fault) { ShowWorkerFault(fault); },
             },
             worker->message());
}

void CTavrixDlg::ShowWorkerFault(const WorkerFault& fault) {
  // Recorded before the box opens: its modal loop runs the re-scan timer.
  if (!faultsShown_.insert(fault.kind).second) return;
  const bool warning = fault.kind != WorkerFaultKind::kFault;
  Prompts::current().showMessage(this, warning ? QMessageBox::Warning : QMessageBox::NoIcon, fault.text,
                                 QMessageBox::Ok);
}

void CTavrixDlg::OnDevicesFound(std::span<const DeviceInfo> devices) {
  const TableChanges changes = table_.OnDevicesFound(devices);
  ApplyTableChanges(changes);
  if (changes.verified > 0 && batchProgressWanted_ && !IsBatchRunning()) {
    batchTally_.verified += changes.verified;
    ShowBatchTally();
  }
}

void CTavrixDlg::OnDiscoveryEnded() {
  WarnIfChosenAdapterGone();
  // Outside a scan the next re-scan tick replaces the ended worker.
  if (table_.OnDiscoveryEnded()) discovery_.StopDiscoveryWorker();
}

// The run is over and its endpoint closed: the port is free for the
// verification. A batch cleared meanwhile has nothing left to verify, and a
// re-scan loop in the idle state would never end.
void CTavrixDlg::OnBatchEnded() {
  batchController_.OnBatchEnded();
  WarnIfChosenAdapterGone();
  if (batchProgressWanted_) ShowBatchTally();
  if (GetState() != WindowState::kBatch) return;
  ApplyCells(table_.OnBatchEnded());
  if (StartDiscovery()) StartRescanTimer(kRescanPeriodMs);
}

// A tick whose worker could not start tries again at the next one, 3000 ms
// on, rather than spinning at the 0 ms of a first tick.
void CTavrixDlg::OnRescanTimer() {
  StartDiscovery();
  StartRescanTimer(kRescanPeriodMs);
}

void CTavrixDlg::ApplyTableChanges(const TableChanges& changes) {
  if (!changes.insertedRows.empty()) {
    std::vector<QStringList> rows;
    rows.reserve(changes.insertedRows.size());
    for (const auto& texts : changes.insertedRows) rows.emplace_back(texts.begin(), texts.end());
    applyingRows_ = true;
    DeviceList()->AppendItems(rows, kColumnNumber);
    applyingRows_ = false;
  }
  ApplyCells(changes.cells);
  if (changes.stopRescanTimer) KillRescanTimer();
}

void CTavrixDlg::ApplyCells(const std::vector<CellUpdate>& cells) {
  CXListCtrl* list = DeviceList();
  for (const CellUpdate& cell : cells) {
    // The table writes state marks as marked constants; they show translated.
    const std::optional<QString> text =
        cell.text && cell.column == kColumnState ? std::optional(UiText(*cell.text)) : cell.text;
    if (!cell.colours) {
      if (text) list->SetItemText(cell.row, cell.column, *text);
      continue;
    }
    const QColor textColour = ToQColor(cell.colours->text);
    const QColor background = ToQColor(cell.colours->background);
    if (text) {
      list->SetItemText(cell.row, cell.column, *text, textColour, background);
    } else {
      list->SetItemText(cell.row, cell.column, nullptr, textColour, background);
    }
  }
}

void CTavrixDlg::closeEvent(QCloseEvent* event) {
  done(QDialog::Accepted);
  event->accept();
}
