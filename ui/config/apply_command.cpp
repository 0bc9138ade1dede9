#include "ui/config/apply_command.h"

#include "ui/common/prompts.h"
#include "ui/common/translation.h"
#include "ui/config/login_dlg.h"

ApplyCommandOutcome RunApplyCommand(QWidget* parent, const DeviceInfo& device, const SettingsPanelValues& panel,
                                    const EncpEndpointSettings& settings) {
  Prompts& prompts = Prompts::current();
  if (prompts.showMessage(parent, QMessageBox::NoIcon, UiText(kApplyConfirmText),
                          QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok) {
    return ApplyCommandOutcome::kNotConfirmed;
  }
  // No parent, as a login box of its own; it lives for this press only.
  CLoginDlg login(nullptr);
  if (prompts.runModal(login) != QDialog::Accepted) return ApplyCommandOutcome::kLoginCancelled;

  SettingCredential credential{login.userId().toStdString(), login.takePassword()};
  const ExchangeOutcome outcome = RunSettingExchange(settings, device, PanelSettings(panel), std::move(credential));
  for (const QString& text : ExchangeFailureTexts(outcome)) {
    prompts.showMessage(parent, QMessageBox::Critical, text);
  }
  if (outcome.endpointFault) return ApplyCommandOutcome::kNotSent;
  if (!outcome.answered) return ApplyCommandOutcome::kNoAnswer;
  if (outcome.resultCode == 0) return ApplyCommandOutcome::kAccepted;
  return outcome.resultCode == 2 ? ApplyCommandOutcome::kRefusedCredential : ApplyCommandOutcome::kRefused;
}
