// The adapter choice of "Local network info.", the panel's texts, and the
// list's tool tips naming each device's adapter.
//
// The choice sits in the group's first row; the four label rows move down
// into the room the template leaves below them, so the group keeps its size
// and nothing outside it moves.
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QToolTip>
#include <algorithm>

#include "discovery/worker_events.h"
#include "protocol/address_text.h"
#include "protocol/device_csv.h"
#include "ui/controls/xlist_ctrl.h"
#include "ui/main/tavrix_dlg.h"
#include "ui_tavrix_dialog.h"

namespace {

// Between the group's title and the choice, and between rows.
constexpr int kTitleRoom = 18;
constexpr int kGap = 4;

QString AdapterGoneText(const std::string& name) {
  return CTavrixDlg::tr(
             "The adapter %1 is gone: nothing can be sent or heard through it, and nothing is sent "
             "through another adapter. Choose an adapter in \"Local network info.\".")
      .arg(QString::fromStdString(name));
}

}  // namespace

void CTavrixDlg::SetupAdapterChoice() {
  const QRect group = ui_->localNetworkGroup->geometry();
  const QRect firstName = ui_->localLabel1007->geometry();
  adapterCombo_ = new QComboBox(this);
  adapterCombo_->setObjectName(QStringLiteral("adapterCombo"));
  // The group's title names the panel, not the field: a screen reader needs its own name.
  adapterCombo_->setAccessibleName(tr("Adapter"));
  const int comboHeight = adapterCombo_->sizeHint().height();
  adapterCombo_->setGeometry(firstName.x(), group.y() + kTitleRoom, group.right() - 9 - firstName.x(), comboHeight);

  const std::pair<QLabel*, QLabel*> rows[] = {{ui_->localLabel1007, ui_->localIpLabel},
                                              {ui_->localLabel1011, ui_->localMaskLabel},
                                              {ui_->localLabel1012, ui_->localGatewayLabel},
                                              {ui_->localLabel1013, ui_->localDnsLabel}};
  const int top = adapterCombo_->geometry().bottom() + 1 + kGap;
  const int rowHeight = firstName.height();
  const int pitch = std::max(rowHeight, (group.bottom() - kGap - top - rowHeight) / 3);
  for (int i = 0; i < 4; ++i) {
    for (QLabel* label : {rows[i].first, rows[i].second}) label->move(label->x(), top + i * pitch);
  }
  connect(adapterCombo_, &QComboBox::currentIndexChanged, this, &CTavrixDlg::OnAdapterChosen);
  DeviceList()->viewport()->installEventFilter(this);
}

bool CTavrixDlg::ChooseAdapter(const QString& name) {
  const int item = name.isEmpty() ? 0 : adapterCombo_->findData(name);
  if (item < 0) return false;
  adapterCombo_->setCurrentIndex(item);
  return true;
}

// A new choice: no row of the old one may stay, and every later endpoint
// (scan, re-scan, change, batch) goes through the new one.
void CTavrixDlg::OnAdapterChosen(int item) {
  OnClear();
  endpointSettings_.adapters.clear();
  if (item > 0 && item <= static_cast<int>(usableAdapters_.size())) {
    endpointSettings_.adapters.push_back(usableAdapters_[static_cast<size_t>(item - 1)].index);
  }
  discovery_.SetEndpointSettings(endpointSettings_);
  ShowLocalNetworkTexts();
}

void CTavrixDlg::ShowLocalNetworkTexts() {
  LocalNetworkTexts texts = PanelTexts(adapters_);
  const int item = adapterCombo_ == nullptr ? 0 : adapterCombo_->currentIndex();
  if (item > 0 && item <= static_cast<int>(usableAdapters_.size())) {
    const UsableAdapter& chosen = usableAdapters_[static_cast<size_t>(item - 1)];
    const auto snapshot = std::find_if(adapters_.begin(), adapters_.end(),
                                       [&](const AdapterInfo& adapter) { return adapter.adapterName == chosen.name; });
    if (snapshot != adapters_.end()) {
      texts = PanelTexts({*snapshot});
    } else {
      texts = {DottedAddressText(chosen.address), DottedAddressText(chosen.mask), {}, {}};
    }
  }
  const std::pair<QLabel*, const std::string*> labels[] = {{ui_->localIpLabel, &texts.ipAddress},
                                                           {ui_->localMaskLabel, &texts.subnetMask},
                                                           {ui_->localGatewayLabel, &texts.gateway},
                                                           {ui_->localDnsLabel, &texts.dnsServer}};
  for (const auto& [label, text] : labels) {
    label->setTextFormat(Qt::PlainText);
    label->setText(QString::fromStdString(*text));
  }
}

void CTavrixDlg::WarnIfChosenAdapterGone() {
  const int item = adapterCombo_->currentIndex();
  if (item <= 0 || item > static_cast<int>(usableAdapters_.size())) return;
  const UsableAdapter& chosen = usableAdapters_[static_cast<size_t>(item - 1)];
  const UsableAdapterSource read = seams_.readUsableAdapters;
  if (!read || VanishedAdapters({chosen}, read()).empty()) return;
  ShowWorkerFault(WorkerFault{AdapterGoneText(chosen.name), WorkerFaultKind::kAdapterGone});
}

bool CTavrixDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched != DeviceList()->viewport() || event->type() != QEvent::ToolTip)
    return QDialog::eventFilter(watched, event);
  const auto* help = static_cast<QHelpEvent*>(event);
  const int row = DeviceList()->indexAt(help->pos()).row();
  const std::optional<DeviceInfo> device = row < 0 ? std::nullopt : RowRecord(row);
  if (!device) {
    QToolTip::hideText();
    return true;
  }
  const std::string adapter = InterfaceNameText(device->interfaceIndex);
  QToolTip::showText(help->globalPos(),
                     adapter.empty() ? tr("Adapter: unknown") : tr("Adapter: %1").arg(QString::fromStdString(adapter)),
                     DeviceList()->viewport());
  return true;
}
