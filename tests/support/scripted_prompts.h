// The prompts tests install: every message is recorded and answered from a
// queue, and a modal dialog is shown non-modally and handed to a callback
// that fills and clicks it, the callback's result standing for exec()'s.
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
    Buttons buttons;
  };
  using DialogScript = std::function<int(QDialog& dialog)>;

  int showMessage(QWidget*, Icon icon, const QString& text, Buttons buttons) override {
    messages_.push_back({icon, text, buttons});
    if (!messageAnswers_.empty()) {
      const int answer = messageAnswers_.front();
      messageAnswers_.pop_front();
      return answer;
    }
    // The lowest set flag is the first offered button in QMessageBox's order.
    const unsigned flags = static_cast<unsigned>(buttons.toInt());
    return flags == 0 ? int(QMessageBox::Ok) : int(flags & (~flags + 1));
  }
  int runModal(QDialog& dialog) override {
    ++dialogsRun_;
    if (dialogScripts_.empty()) return QDialog::Rejected;
    DialogScript script = std::move(dialogScripts_.front());
    dialogScripts_.pop_front();
    dialog.show();
    const int result = script(dialog);
    dialog.hide();
    return result;
  }
  QString openFileName(QWidget*, const QString&) override { return TakeFirst(fileNames_); }
  QString saveFileName(QWidget*, const QString&, const QString&) override { return TakeFirst(saveFileNames_); }

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
  static QString TakeFirst(std::deque<QString>& queue) {
    if (queue.empty()) return QString();
    QString first = std::move(queue.front());
    queue.pop_front();
    return first;
  }

  std::vector<Message> messages_;
  std::deque<int> messageAnswers_;
  std::deque<DialogScript> dialogScripts_;
  std::deque<QString> fileNames_;
  std::deque<QString> saveFileNames_;
  int dialogsRun_ = 0;
};
