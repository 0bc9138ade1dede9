// The main window's two network-configuration commands, "Apply" (one device
// from the settings panel) and "NVT setting" (a batch from an address list
// file), and the progress of a batch run.
//
// Both commands send from the local port that discovery cycles bind, so
// each first takes the port from discovery: the cycle is stopped (at most
// 3000 ms), the re-scan timer killed and the cycle's undelivered replies
// dropped - in the verifying and batch states an old reply of a device
// would otherwise pass for its answer from the new address. While a batch
// worker runs, the port is its own: "Apply" is ignored until the run has
// ended, even after "Clear" has made the window idle.
//
// Progress sits in a label beside the command buttons, in space the
// template leaves free, so no list cell and no control moves.
#include <arpa/inet.h>

#include <QLabel>

#include "discovery/worker_events.h"
#include "ui/common/translation.h"
#include "ui/config/apply_command.h"
#include "ui/config/batch_command.h"
#include "ui/config/nvt_setting_dlg.h"
#include "ui/main/tavrix_dlg.h"
#include "ui_tavrix_dialog.h"

namespace {

constexpr const char* kBatchRunningText = QT_TRANSLATE_NOOP("Tavrix", "NVT setting in progress");
constexpr const char* kBatchEndedText = QT_TRANSLATE_NOOP("Tavrix", "NVT setting ended");

SettingsPanelValues PanelValues(const Ui::TavrixDialog& controls) {
  SettingsPanelValues panel;
  panel.staticChecked = controls.staticRadio->isChecked();
  panel.dhcpChecked = controls.dhcpRadio->isChecked();
  controls.ipAddressEdit->address(&panel.ipAddress);
  controls.subnetMaskEdit->address(&panel.subnetMask);
  controls.gatewayEdit->address(&panel.gateway);
  controls.dnsServerEdit->address(&panel.dnsServer);
  return panel;
}

}  // namespace

void CTavrixDlg::OnApply() {
  if (GetState() != WindowState::kIdle || IsBatchRunning()) return;
  const std::optional<DeviceInfo> selected = SelectedDevice();
  if (!selected) return;
  // Idle: a cycle still recorded is the tail of an ended verification.
  ReleaseDiscoveryPort();
  faultsShown_.clear();
  HideBatchProgress();
  const SettingsPanelValues panel = PanelValues(*ui_);
  switch (RunApplyCommand(this, *selected, panel, endpointSettings_)) {
    case ApplyCommandOutcome::kAccepted:
      // The same choice of type as the request: Static first, then DHCP.
      BeginVerification(selected->mac,
                        panel.staticChecked ? std::optional<uint32_t>(htonl(panel.ipAddress)) : std::nullopt);
      break;
    case ApplyCommandOutcome::kRefusedCredential:
      ApplyCells(table_.MarkOutcome(selected->mac, ChangeOutcome::kRefusedCredential));
      break;
    case ApplyCommandOutcome::kRefused:
      ApplyCells(table_.MarkOutcome(selected->mac, ChangeOutcome::kRefused));
      break;
    case ApplyCommandOutcome::kNoAnswer:
      ApplyCells(table_.MarkOutcome(selected->mac, ChangeOutcome::kNoAnswer));
      break;
    default:
      break;
  }
}

void CTavrixDlg::OnNvtSetting() {
  bool portReleased = false;
  BatchCommandSeams seams;
  seams.parent = this;
  seams.dialog = nvtSettingDlg_.get();
  seams.controller = &batchController_;
  seams.inventory = inventory_;
  seams.mailbox = mailboxOwner_.mailbox();
  seams.settings = endpointSettings_;
  seams.beforeStart = [&] {
    HideBatchProgress();
    ReleaseDiscoveryPort();
    faultsShown_.clear();
    portReleased = true;
  };

  const BatchCommandOutcome outcome = RunBatchCommand(seams);
  if (outcome == BatchCommandOutcome::kStarted) {
    EnterState(WindowState::kBatch);
    batchProgressWanted_ = true;
    batchTally_ = BatchTally{};
    batchProgressLabel_->setText(UiText(kBatchRunningText));
    batchProgressLabel_->show();
    for (const MacAddress& mac : nvtSettingDlg_->otherNetwork())
      ApplyCells(table_.MarkOutcome(mac.data(), ChangeOutcome::kOtherNetwork));
  } else if (portReleased) {
    ResumeAfterRefusedStart();
  }
}

void CTavrixDlg::ReleaseDiscoveryPort() {
  KillRescanTimer();
  discovery_.StopDiscoveryWorker();
}

// No thread could be made: a scan whose cycle was stopped is over, a
// verification searches again at once.
void CTavrixDlg::ResumeAfterRefusedStart() {
  if (GetState() == WindowState::kScanning) {
    EnterState(WindowState::kIdle);
  } else if (GetState() == WindowState::kVerifying || GetState() == WindowState::kBatch) {
    StartRescanTimer(0);
  }
}

// ---- Progress ---------------------------------------------------------------

// To the right of the last command button, as tall as the buttons, up to
// the right margin: the template leaves that strip empty.
void CTavrixDlg::SetupBatchProgress() {
  const QRect last = ui_->firmwareUpdateButton->geometry();
  const int gap = ui_->clearButton->x() - ui_->scanButton->geometry().right() - 1;
  const int left = last.right() + 1 + gap;
  const int rightMargin = ui_->scanButton->x();
  batchProgressLabel_ = new QLabel(this);
  batchProgressLabel_->setObjectName(QStringLiteral("batchProgressLabel"));
  batchProgressLabel_->setTextFormat(Qt::PlainText);
  batchProgressLabel_->setAlignment(Qt::AlignCenter);
  batchProgressLabel_->setWordWrap(true);
  batchProgressLabel_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  batchProgressLabel_->setGeometry(left, last.y(), width() - rightMargin - left, last.height());
  batchProgressLabel_->hide();
}

void CTavrixDlg::OnBatchProgress(const BatchTally& tally) {
  if (!batchProgressWanted_) return;
  batchTally_ = tally;
  ShowBatchTally();
}

void CTavrixDlg::OnChangeOutcome(const ChangeOutcomeReport& report) {
  ApplyCells(table_.MarkOutcome(report.mac.data(), report.outcome));
}

// While the run goes on: how far it has got. Once it has ended the line
// stays as the run's tally, counting the devices seen changed, until
// "Clear" or the operator's next command.
void CTavrixDlg::ShowBatchTally() {
  const BatchTally& t = batchTally_;
  const QString counts = tr("%1 accepted, %2 refused, %3 no answer").arg(t.accepted).arg(t.refused).arg(t.noAnswer);
  if (IsBatchRunning()) {
    batchProgressLabel_->setText(
        tr("%1\n%2 / %3 sent, %4").arg(UiText(kBatchRunningText)).arg(t.sent).arg(t.matchingLines).arg(counts));
  } else {
    batchProgressLabel_->setText(
        tr("%1\n%2 sent, %3, %4 verified").arg(UiText(kBatchEndedText)).arg(t.sent).arg(counts).arg(t.verified));
  }
  batchProgressLabel_->show();
}

void CTavrixDlg::HideBatchProgress() {
  batchProgressWanted_ = false;
  batchProgressLabel_->hide();
  batchProgressLabel_->clear();
}
