// The prompts tests install: messages are recorded and answered from a
// queue (else with their first offered button); a modal dialog is shown and
// handed to a callback whose result stands for exec()'s. Without a script a
// dialog is rejected, and without a queued name a file picker (open or save
// alike) cancelled.
#pragma once

#include <QDialog>
#include <deque>
#include <functional>
#include <vector>

#include "ui/common/prompts.h"

class ScriptedPrompts : public Prompts {
 public:
  struct Message {
    Icon icon;
    QString text;
  };
  using DialogScript = std::function<int(QDialog& dialog)>;

  int showMessage(QWidget*, Icon icon, const QString& text, Buttons buttons) override {
    messages_.push_back({icon, text});
    // The lowest set flag is the first offered button in QMessageBox's order.
    const unsigned flags = static_cast<unsigned>(buttons.toInt());
    return TakeFirst(messageAnswers_, flags == 0 ? int(QMessageBox::Ok) : int(flags & (~flags + 1)));
  }
  int runModal(QDialog& dialog) override {
    ++dialogsRun_;
    const DialogScript script = TakeFirst(dialogScripts_, DialogScript());
    if (!script) return QDialog::Rejected;
    dialog.show();
    const int result = script(dialog);
    dialog.hide();
    return result;
  }
  QString openFileName(QWidget*, const QString&) override { return TakeFirst(fileNames_, QString()); }
  QString saveFileName(QWidget*, const QString&, const QString&) override { return TakeFirst(fileNames_, QString()); }

  void queueMessageAnswer(int button) { messageAnswers_.push_back(button); }
  void queueDialogScript(DialogScript script) { dialogScripts_.push_back(std::move(script)); }
  void queueFileName(QString path) { fileNames_.push_back(std::move(path)); }

  const std::vector<Message>& messages() const { return messages_; }
  int dialogsRun() const { return dialogsRun_; }

 private:
  template <typename T>
  static T TakeFirst(std::deque<T>& queue, T otherwise) {
    if (queue.empty()) return otherwise;
    T first = std::move(queue.front());
    queue.pop_front();
    return first;
  }

  std::vector<Message> messages_;
  std::deque<int> messageAnswers_;
  std::deque<DialogScript> dialogScripts_;
  std::deque<QString> fileNames_;
  int dialogsRun_ = 0;
};
