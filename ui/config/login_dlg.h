// The administrator login asked for before one device's settings change.
//
// Refuses OK while a field is empty: the ID is checked before the password,
// each refusal is a message box (through the Prompts seam) and puts the focus
// in the empty field. Text is taken exactly as typed, blanks included. The
// dialog sends nothing; the caller reads the two texts after OK. Every
// showing starts with the focus in the ID field. The "Guest" box of the
// template stays hidden: there is no guest login.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class LoginDialog;
}

class CLoginDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CLoginDlg(QWidget* parent = nullptr);
  ~CLoginDlg() override;

  // Valid after the dialog closed with OK.
  const QString& userId() const { return userId_; }
  const QString& password() const { return password_; }

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::LoginDialog> ui_;
  QString userId_;
  QString password_;
};

inline constexpr const char* kLoginIdRequiredText = "Admin ID is required";
inline constexpr const char* kLoginPasswordRequiredText = "Admin Password is required";
