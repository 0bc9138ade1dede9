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
