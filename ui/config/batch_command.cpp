#include "ui/config/batch_command.h"

#include <QFile>

#include "ui/common/prompts.h"
#include "ui/common/translation.h"

namespace {

bool AnyRowTicked(DeviceInventory& inventory) {
  auto access = inventory.lock();
  const int rows = access.table().GetCount();
  for (int row = 0; row < rows; ++row) {
    if (access.IsTicked(row)) return true;
  }
  return false;
}

}  // namespace

BatchCommandOutcome RunBatchCommand(const BatchCommandSeams& seams) {
  Prompts& prompts = Prompts::current();
  if (seams.controller->IsRunning()) {
    prompts.showMessage(seams.parent, QMessageBox::Warning, UiText(kBatchAlreadyRunningText));
    return BatchCommandOutcome::kAlreadyRunning;
  }
  if (!AnyRowTicked(*seams.inventory)) {
    prompts.showMessage(seams.parent, QMessageBox::NoIcon, UiText(kBatchNothingTickedText));
    return BatchCommandOutcome::kNothingTicked;
  }
  if (prompts.runModal(*seams.dialog) != QDialog::Accepted) return BatchCommandOutcome::kDialogCancelled;
  if (seams.dialog->mode() == BatchMode::kThroughFile && seams.dialog->filePath().isEmpty()) {
    return BatchCommandOutcome::kNoFile;
  }
  if (prompts.showMessage(seams.parent, QMessageBox::NoIcon, UiText(kBatchConfirmText),
                          QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok) {
    return BatchCommandOutcome::kNotConfirmed;
  }
  if (seams.beforeStart) seams.beforeStart();

  BatchRunContext context;
  context.mailbox = seams.mailbox;
  context.inventory = seams.inventory;
  context.settings = seams.settings;
  context.mode = seams.dialog->mode();
  context.filePath = QFile::encodeName(seams.dialog->filePath()).toStdString();
  context.plan = seams.dialog->plan();
  return seams.controller->Start(std::move(context)) ? BatchCommandOutcome::kStarted
                                                     : BatchCommandOutcome::kStartFailed;
}
