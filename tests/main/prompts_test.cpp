// The scripted prompts where nothing is scripted, and the installer's scope.
// Scripted answers are what every window test runs on.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>

#include "tests/support/scripted_prompts.h"

namespace {

TEST(PromptsTest, UnscriptedPromptsTakeTheFirstButtonRejectAndCancel) {
  static int argc = 1;
  static char name[] = "tavrix-test";
  static char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  Prompts* before = &Prompts::current();
  ScriptedPrompts scripted;
  {
    PromptsInstaller installed(scripted);
    Prompts& prompts = Prompts::current();
    ASSERT_EQ(&prompts, &scripted);
    EXPECT_EQ(prompts.showMessage(nullptr, QMessageBox::Question, "?", QMessageBox::Cancel | QMessageBox::Ok),
              QMessageBox::Ok);

    QDialog dialog;
    scripted.queueDialogScript([](QDialog& shown) { return shown.isVisible() ? 7 : 0; });
    EXPECT_EQ(prompts.runModal(dialog), 7) << "shown while its script runs";
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(prompts.runModal(dialog), QDialog::Rejected);
    EXPECT_EQ(scripted.dialogsRun(), 2);

    scripted.queueFileName("/tmp/list.txt");
    EXPECT_EQ(prompts.openFileName(nullptr, "*.txt"), QStringLiteral("/tmp/list.txt"));
    EXPECT_TRUE(prompts.openFileName(nullptr, "*.txt").isEmpty());
  }
  EXPECT_EQ(&Prompts::current(), before);
}

}  // namespace
