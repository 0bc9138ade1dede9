#include "ui/config/login_dlg.h"

#include <string.h>

#include "protocol/secret_wipe.h"
#include "ui/common/dialog_units.h"
#include "ui/common/prompts.h"
#include "ui/common/translation.h"
#include "ui_login_dialog.h"

CLoginDlg::CLoginDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::LoginDialog>()) {
  ui_->setupUi(this);
  ApplyDialogUnits(this);
  setWindowTitle(tr("Authentication"));
  ui_->idLabel->setText(tr("&User ID :"));
  ui_->passwordLabel->setText(tr("&Password :"));
  ui_->okButton->setText(tr("OK"));
  ui_->cancelButton->setText(tr("Cancel"));
  ui_->guestCheck->hide();
  connect(ui_->okButton, &QPushButton::clicked, this, &CLoginDlg::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &CLoginDlg::reject);
}

CLoginDlg::~CLoginDlg() {
  std::string untaken = takePassword();
  WipeSecret(untaken);
}

std::string CLoginDlg::takePassword() {
  QString typed = ui_->passwordEdit->text();
  // setText, unlike clear(), also drops the undo history of the typing. The
  // edit then lets go of its buffer, which `typed` shared and now owns
  // alone, so wiping `typed` wipes the edit's copy.
  ui_->passwordEdit->setText(QString());
  QByteArray utf8 = typed.toUtf8();
  std::string password(utf8.constData(), static_cast<size_t>(utf8.size()));
  explicit_bzero(typed.data(), static_cast<size_t>(typed.size()) * sizeof(QChar));
  explicit_bzero(utf8.data(), static_cast<size_t>(utf8.size()));
  return password;
}

void CLoginDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ui_->userIdEdit->setFocus(Qt::OtherFocusReason);
}

void CLoginDlg::accept() {
  userId_ = ui_->userIdEdit->text();
  if (userId_.isEmpty()) {
    Prompts::current().showMessage(this, QMessageBox::NoIcon, UiText(kLoginIdRequiredText));
    ui_->userIdEdit->setFocus(Qt::OtherFocusReason);
    return;
  }
  if (ui_->passwordEdit->text().isEmpty()) {
    Prompts::current().showMessage(this, QMessageBox::NoIcon, UiText(kLoginPasswordRequiredText));
    ui_->passwordEdit->setFocus(Qt::OtherFocusReason);
    return;
  }
  QDialog::accept();
}
