#include "ui/main/about_box.h"

#include <QDialog>

#include "ui/common/dialog_units.h"
#include "ui/common/prompts.h"
#include "ui_about_dialog.h"

QIcon ProgramIcon() {
  // Resources of a static library must be registered by hand.
  static const bool registered = [] {
    Q_INIT_RESOURCE(tavrix_main);
    return true;
  }();
  (void)registered;
  return QIcon(QStringLiteral(":/tavrix/icon.png"));
}

int ShowAboutBox(QWidget* parent) {
  QDialog dialog(parent);
  Ui::AboutDialog ui;
  ui.setupUi(&dialog);
  ApplyDialogUnits(&dialog);
  const QIcon icon = ProgramIcon();
  dialog.setWindowIcon(icon);
  ui.iconLabel->setPixmap(icon.pixmap(ui.iconLabel->size()));
  QObject::connect(ui.okButton, &QPushButton::clicked, &dialog, &QDialog::accept);
  ui.okButton->setDefault(true);
  return Prompts::current().runModal(dialog);
}
