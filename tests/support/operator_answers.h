// What an operator answers to one "Apply", queued on the scripted prompts:
// OK to the confirmation, then the login filled in and confirmed. Shared by
// the tests that drive the command alone and those that drive the window.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "tests/support/scripted_prompts.h"

inline void QueueApplyAnswers(ScriptedPrompts& prompts) {
  prompts.queueMessageAnswer(QMessageBox::Ok);
  prompts.queueDialogScript([](QDialog& login) {
    login.findChild<QLineEdit*>("userIdEdit")->setText("root");
    login.findChild<QLineEdit*>("passwordEdit")->setText("kefo");
    QTest::mouseClick(login.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    return login.result();
  });
}
