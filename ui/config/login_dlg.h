// The administrator login asked for before one device's settings change.
//
// Refuses OK while a field is empty: the ID is checked before the password,
// each refusal is a message box (through the Prompts seam) and puts the focus
// in the empty field. Text is taken exactly as typed, blanks included. The
// dialog sends nothing; after OK the caller reads the ID and takes the
// password. Every showing starts with the focus in the ID field. The
// "Guest" box of the template stays hidden: there is no guest login.
//
// The password is kept in no string of the dialog's own: it stays in its
// edit until handed out, once, as bytes for the request, and the edit's
// text is then wiped; a dialog closed without handing it out wipes it when
// it goes.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <string>

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
  // The password as typed (UTF-8), handed out once and left empty in the
  // dialog; the caller wipes it when done (WipeSecret).
  std::string takePassword();

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::LoginDialog> ui_;
  QString userId_;
};

inline constexpr const char* kLoginIdRequiredText = QT_TRANSLATE_NOOP("Tavrix", "Admin ID is required");
inline constexpr const char* kLoginPasswordRequiredText = QT_TRANSLATE_NOOP("Tavrix", "Admin Password is required");
