// The administrator login asked for before one device's settings change; it sends nothing.
//
// OK is refused while a field is empty, the ID checked first, each time with a message through
// Prompts and the focus in the empty field; text is taken exactly as typed. The password lives in
// no string of the dialog's own: it stays in its edit until handed out once, as bytes, and the
// edit is then wiped, or wiped when a dialog that never handed it out goes. The template's
// "Guest" box stays hidden: there is no guest login.
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
