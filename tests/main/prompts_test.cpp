// The scripted prompts that keep widget tests off modal loops.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>

#include "ui/common/prompts.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "tavrix-test";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

TEST(PromptsTest, ScriptedPromptsRecordAnswerAndRestore) {
  App();
  Prompts* before = &Prompts::current();
  ScriptedPrompts scripted;
  {
    PromptsInstaller installed(scripted);
    ASSERT_EQ(&Prompts::current(), &scripted);
    scripted.queueMessageAnswer(QMessageBox::Cancel);
    EXPECT_EQ(Prompts::current().showMessage(nullptr, QMessageBox::Question, "Do you want to change?",
                                             QMessageBox::Ok | QMessageBox::Cancel),
              QMessageBox::Cancel);
    EXPECT_EQ(Prompts::current().showMessage(nullptr, QMessageBox::Question, "again",
                                             QMessageBox::Ok | QMessageBox::Cancel),
              QMessageBox::Ok)
        << "unscripted: the first offered button";
    ASSERT_EQ(scripted.messages().size(), 2u);
    EXPECT_EQ(scripted.messages()[0].text, QStringLiteral("Do you want to change?"));
    EXPECT_EQ(scripted.messages()[0].icon, QMessageBox::Question);

    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    scripted.queueDialogScript([edit](QDialog& shown) {
      EXPECT_TRUE(shown.isVisible());
      edit->setText("root");
      return int(QDialog::Accepted);
    });
    EXPECT_EQ(Prompts::current().runModal(dialog), QDialog::Accepted);
    EXPECT_EQ(edit->text(), QStringLiteral("root"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Prompts::current().runModal(dialog), QDialog::Rejected) << "unscripted dialogs are rejected";
    EXPECT_EQ(scripted.dialogsRun(), 2);

    scripted.queueFileName("/tmp/list.txt");
    EXPECT_EQ(Prompts::current().openFileName(nullptr, "*.txt"), QStringLiteral("/tmp/list.txt"));
    EXPECT_TRUE(Prompts::current().openFileName(nullptr, "*.txt").isEmpty());
  }
  EXPECT_EQ(&Prompts::current(), before);
}

}  // namespace
