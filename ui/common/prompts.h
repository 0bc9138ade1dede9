// The one door through which every message box, modal dialog and file
// picker of the application passes, so tests can answer them instead of
// hanging on a modal loop.
//
// Code asks Prompts::current(); the application uses the default
// implementation (message boxes captioned "Tavrix", QDialog::exec,
// QFileDialog). A test installs a ScriptedPrompts with a PromptsInstaller for
// its own scope: every message is recorded and answered from a queue, and a
// modal dialog is shown non-modally and handed to a callback that fills and
// clicks it, the callback's result standing for exec()'s.
//
// Window thread only, like the widgets it shows.
#pragma once

#include <QMessageBox>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

class QDialog;
class QWidget;

class Prompts {
 public:
  using Icon = QMessageBox::Icon;
  using Buttons = QMessageBox::StandardButtons;

  virtual ~Prompts() = default;
  // Returns the QMessageBox::StandardButton pressed.
  virtual int showMessage(QWidget* parent, Icon icon, const QString& text,
                          Buttons buttons = QMessageBox::Ok) = 0;
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

class ScriptedPrompts : public Prompts {
 public:
  struct Message {
    Icon icon;
    QString text;
    Buttons buttons;
  };
  using DialogScript = std::function<int(QDialog& dialog)>;

  int showMessage(QWidget* parent, Icon icon, const QString& text, Buttons buttons) override;
  int runModal(QDialog& dialog) override;
  QString openFileName(QWidget* parent, const QString& filter) override;
  QString saveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix) override;

  // Answers are used in order; without one, a message is answered with its
  // first offered button (OK for a plain box), a dialog is rejected and a
  // file picker is cancelled.
  void queueMessageAnswer(int button) { messageAnswers_.push_back(button); }
  void queueDialogScript(DialogScript script) { dialogScripts_.push_back(std::move(script)); }
  void queueFileName(QString path) { fileNames_.push_back(std::move(path)); }
  void queueSaveFileName(QString path) { saveFileNames_.push_back(std::move(path)); }

  const std::vector<Message>& messages() const { return messages_; }
  int dialogsRun() const { return dialogsRun_; }

 private:
  std::vector<Message> messages_;
  std::deque<int> messageAnswers_;
  std::deque<DialogScript> dialogScripts_;
  std::deque<QString> fileNames_;
  std::deque<QString> saveFileNames_;
  int dialogsRun_ = 0;
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
