// The one door through which every message box, modal dialog and file picker passes, so tests
// answer them instead of hanging on a modal loop. Code asks Prompts::current(): the default shows
// the real dialogs (message boxes captioned "Tavrix"); a test installs its own for its scope with
// a PromptsInstaller. Window thread only, like the widgets it shows.
#pragma once

#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

class Prompts {
 public:
  using Icon = QMessageBox::Icon;
  using Buttons = QMessageBox::StandardButtons;

  virtual ~Prompts() = default;
  // Returns the QMessageBox::StandardButton pressed.
  virtual int showMessage(QWidget* parent, Icon icon, const QString& text, Buttons buttons = QMessageBox::Ok) = 0;
  // Returns what QDialog::exec() would (QDialog::Accepted / Rejected).
  virtual int runModal(QDialog& dialog) = 0;
  // Empty when the operator cancels.
  virtual QString openFileName(QWidget* parent, const QString& filter) = 0;
  // Asks before replacing a file; a name typed without a suffix gets
  // `defaultSuffix`. Empty when the operator cancels.
  virtual QString saveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix) = 0;

  static Prompts& current();

 private:
  friend class PromptsInstaller;
  static Prompts* installed_;
};

class DefaultPrompts : public Prompts {
 public:
  int showMessage(QWidget* parent, Icon icon, const QString& text, Buttons buttons) override;
  int runModal(QDialog& dialog) override;
  QString openFileName(QWidget* parent, const QString& filter) override;
  QString saveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix) override;
};

// Makes `prompts` current for the installer's life, then restores the previous.
class PromptsInstaller {
 public:
  explicit PromptsInstaller(Prompts& prompts) : previous_(Prompts::installed_) { Prompts::installed_ = &prompts; }
  ~PromptsInstaller() { Prompts::installed_ = previous_; }
  PromptsInstaller(const PromptsInstaller&) = delete;
  PromptsInstaller& operator=(const PromptsInstaller&) = delete;

 private:
  Prompts* previous_;
};
