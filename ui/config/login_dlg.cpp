#include "ui/config/login_dlg.h"

#include "ui/common/dialog_units.h"
#include "ui/common/prompts.h"
#include "ui_login_dialog.h"

CLoginDlg::CLoginDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::LoginDialog>()) {
  ui_->setupUi(this);
  ApplyDialogUnits(this);
  setWindowTitle(QStringLiteral("Authentication"));
  ui_->idLabel->setText(QStringLiteral("User ID :"));
  ui_->passwordLabel->setText(QStringLiteral("Password :"));
  ui_->okButton->setText(QStringLiteral("OK"));
  ui_->cancelButton->setText(QStringLiteral("Cancel"));
  ui_->guestCheck->hide();
  connect(ui_->okButton, &QPushButton::clicked, this, &CLoginDlg::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &CLoginDlg::reject);
}

CLoginDlg::~CLoginDlg() = default;

void CLoginDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ui_->userIdEdit->setFocus(Qt::OtherFocusReason);
}

void CLoginDlg::accept() {
  userId_ = ui_->userIdEdit->text();
  if (userId_.isEmpty()) {
    Prompts::current().showMessage(this, QMessageBox::NoIcon, QString::fromLatin1(kLoginIdRequiredText));
    ui_->userIdEdit->setFocus(Qt::OtherFocusReason);
    return;
  }
  password_ = ui_->passwordEdit->text();
  if (password_.isEmpty()) {
    Prompts::current().showMessage(this, QMessageBox::NoIcon,
                                   QString::fromLatin1(kLoginPasswordRequiredText));
    ui_->passwordEdit->setFocus(Qt::OtherFocusReason);
    return;
  }
  QDialog::accept();
}
