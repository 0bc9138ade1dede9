#include "ui/common/prompts.h"

#include <QDialog>
#include <QFileDialog>

Prompts* Prompts::installed_ = nullptr;

Prompts& Prompts::current() {
  static DefaultPrompts defaults;
  return installed_ != nullptr ? *installed_ : defaults;
}

int DefaultPrompts::showMessage(QWidget* parent, Icon icon, const QString& text, Buttons buttons) {
  QMessageBox box(icon, QStringLiteral("Tavrix"), text, buttons, parent);
  // Texts may quote what a device sent; never let them be read as markup.
  box.setTextFormat(Qt::PlainText);
  return box.exec();
}

int DefaultPrompts::runModal(QDialog& dialog) { return dialog.exec(); }

QString DefaultPrompts::openFileName(QWidget* parent, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

QString DefaultPrompts::saveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix) {
  QFileDialog dialog(parent, QString(), QString(), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(defaultSuffix);
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

int ScriptedPrompts::showMessage(QWidget*, Icon icon, const QString& text, Buttons buttons) {
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

int ScriptedPrompts::runModal(QDialog& dialog) {
  ++dialogsRun_;
  if (dialogScripts_.empty()) return QDialog::Rejected;
  DialogScript script = std::move(dialogScripts_.front());
  dialogScripts_.pop_front();
  dialog.show();
  const int result = script(dialog);
  dialog.hide();
  return result;
}

namespace {

QString TakeFirst(std::deque<QString>& queue) {
  if (queue.empty()) return QString();
  QString first = std::move(queue.front());
  queue.pop_front();
  return first;
}

}  // namespace

QString ScriptedPrompts::openFileName(QWidget*, const QString&) { return TakeFirst(fileNames_); }

QString ScriptedPrompts::saveFileName(QWidget*, const QString&, const QString&) {
  return TakeFirst(saveFileNames_);
}
