// The configuration dialogs on real offscreen widgets, every modal run and
// message answered through scripted prompts.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "tests/config/config_test_support.h"
#include "ui/common/ip_address_edit.h"
#include "ui/common/prompts.h"
#include "ui/config/db_viewer.h"
#include "ui/config/login_dlg.h"
#include "ui/config/nvt_setting_dlg.h"
#include "ui/controls/xlist_ctrl.h"

using config_test::App;
using config_test::TempFiles;

namespace {

template <typename T>
T* Child(QWidget& dialog, const char* name) {
  T* child = dialog.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

const char kList[] =
    "00:1A:2B:3C:4D:5E STATIC 192.168.1.20 255.255.255.0 192.168.1.1 168.126.63.1 trailing\n"
    "\n"
    "garbage\n"
    "00:1a:2b:3c:4d:5f dhcp 0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0\r\n"
    "00:1A:2B:3C:4D:60 STATIC 192.168.1.300 255.255.255.0 192.168.1.1 168.126.63.1\n"
    "00-1A-2B-3C-4D-61 Static 010.0.0.1 255.0.0.0 10.0.0.254 10.0.0.253\n";

TEST(DbViewer, ShowsUsableLinesNumberedWithoutGaps) {
  App();
  TempFiles files;
  CDBViewer viewer(nullptr, QString::fromStdString(files.Write(kList)));
  EXPECT_EQ(viewer.windowTitle(), "DB Viewer");
  CXListCtrl* list = viewer.list();
  ASSERT_EQ(list->GetColumns(), 8);
  EXPECT_EQ(list->model()->headerData(1, Qt::Horizontal).toString(), "MAC address");
  EXPECT_EQ(list->model()->headerData(7, Qt::Horizontal).toString(), "State");
  EXPECT_EQ(list->GetHeaderCheckedState(0), 0);
  // Shares add up to 79/64 of the inner width: the last columns need scrolling.
  int total = 0;
  for (int column = 0; column < 8; ++column) total += list->columnWidth(column);
  EXPECT_GT(total, list->width());

  ASSERT_EQ(list->GetItemCount(), 3);
  EXPECT_EQ(list->GetItemText(0, 0), "   1");
  EXPECT_EQ(list->GetItemText(1, 0), "   2") << "skipped lines leave no gap";
  EXPECT_EQ(list->GetItemText(2, 0), "   3");
  EXPECT_EQ(list->GetItemText(0, 1), "00:1A:2B:3C:4D:5E");
  EXPECT_EQ(list->GetItemText(0, 6), "168.126.63.1") << "the seventh token is not shown";
  EXPECT_EQ(list->GetItemText(0, 7), "");
  EXPECT_EQ(list->GetItemText(1, 1), "00:1a:2b:3c:4d:5f") << "shown as written";
  EXPECT_EQ(list->GetItemText(1, 2), "DHCP");
  EXPECT_EQ(list->GetItemText(2, 1), "00-1A-2B-3C-4D-61");
  EXPECT_EQ(list->GetItemText(2, 2), "STATIC");
  EXPECT_EQ(list->GetItemText(2, 3), "010.0.0.1") << "as written, read as 10.0.0.1";
  EXPECT_TRUE(Child<QLineEdit>(viewer, "pathEdit")->text().isEmpty());

  CDBViewer missing(nullptr, "/nonexistent/list.txt");
  EXPECT_EQ(missing.list()->GetItemCount(), 0);
}

TEST(LoginDlg, RefusesEmptyFieldsIdFirstAndKeepsTextAsTyped) {
  App();
  ScriptedPrompts prompts;
  PromptsInstaller installed(prompts);
  CLoginDlg login;
  EXPECT_EQ(login.windowTitle(), "Authentication");
  auto* id = Child<QLineEdit>(login, "userIdEdit");
  auto* password = Child<QLineEdit>(login, "passwordEdit");
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);

  prompts.queueDialogScript([&](QDialog& dialog) {
    EXPECT_FALSE(Child<QCheckBox>(dialog, "guestCheck")->isVisible());
    EXPECT_EQ(dialog.focusWidget(), id) << "focus starts in the ID";
    password->setFocus();
    QTest::mouseClick(Child<QPushButton>(dialog, "okButton"), Qt::LeftButton);
    EXPECT_EQ(prompts.messages().size(), 1u) << "both empty: the ID message only";
    EXPECT_EQ(dialog.focusWidget(), id);
    EXPECT_TRUE(dialog.isVisible());

    id->setText(" ");
    QTest::mouseClick(Child<QPushButton>(dialog, "okButton"), Qt::LeftButton);
    EXPECT_EQ(prompts.messages().size(), 2u);
    EXPECT_EQ(dialog.focusWidget(), password);
    EXPECT_TRUE(dialog.isVisible());

    password->setText("pa%ss ");
    QTest::mouseClick(Child<QPushButton>(dialog, "okButton"), Qt::LeftButton);
    return dialog.result();
  });
  EXPECT_EQ(Prompts::current().runModal(login), QDialog::Accepted);
  ASSERT_EQ(prompts.messages().size(), 2u);
  EXPECT_EQ(prompts.messages()[0].text, "Admin ID is required");
  EXPECT_EQ(prompts.messages()[0].buttons, QMessageBox::Ok);
  EXPECT_EQ(prompts.messages()[1].text, "Admin Password is required");
  EXPECT_EQ(login.userId(), " ") << "no trimming";
  EXPECT_EQ(login.password(), "pa%ss ");

  // Shown again: focus back in the ID; Cancel checks nothing.
  prompts.queueDialogScript([&](QDialog& dialog) {
    EXPECT_EQ(dialog.focusWidget(), id);
    id->clear();
    QTest::mouseClick(Child<QPushButton>(dialog, "cancelButton"), Qt::LeftButton);
    return dialog.result();
  });
  EXPECT_EQ(Prompts::current().runModal(login), QDialog::Rejected);
  EXPECT_EQ(prompts.messages().size(), 2u);
}

void ExpectOpeningState(QDialog& dialog) {
  EXPECT_TRUE(Child<QRadioButton>(dialog, "throughFileRadio")->isChecked());
  EXPECT_FALSE(Child<QRadioButton>(dialog, "throughUiRadio")->isChecked());
  EXPECT_FALSE(Child<QRadioButton>(dialog, "throughUiRadio")->isEnabled());
  EXPECT_TRUE(Child<QPushButton>(dialog, "selectButton")->isEnabled());
  EXPECT_TRUE(Child<QPushButton>(dialog, "viewButton")->isEnabled());
  EXPECT_TRUE(Child<QRadioButton>(dialog, "staticRadio")->isChecked());
  EXPECT_FALSE(Child<QRadioButton>(dialog, "dhcpRadio")->isChecked());
  const std::pair<const char*, const char*> defaults[] = {
      {"startAddressEdit", "192.168.1.2"}, {"endAddressEdit", "192.168.1.255"},
      {"subnetMaskEdit", "255.255.255.0"}, {"gatewayEdit", "192.168.1.1"},
      {"dnsServerEdit", "168.126.63.1"}};
  for (const auto& [name, text] : defaults) {
    auto* edit = Child<IpAddressEdit>(dialog, name);
    EXPECT_EQ(edit->text(), text) << name;
    EXPECT_FALSE(edit->isEnabled()) << name;
  }
  EXPECT_FALSE(Child<QRadioButton>(dialog, "staticRadio")->isEnabled());
  EXPECT_FALSE(Child<QRadioButton>(dialog, "dhcpRadio")->isEnabled());
  EXPECT_TRUE(Child<QLineEdit>(dialog, "pathEdit")->text().isEmpty());
}

TEST(NvtSettingDlg, EveryOpeningStartsOverWhileThePathIsKept) {
  App();
  TempFiles files;
  const QString listPath = QString::fromStdString(files.Write(kList));
  ScriptedPrompts prompts;
  PromptsInstaller installed(prompts);
  CNVTSettingDlg dialog;
  EXPECT_EQ(dialog.windowTitle(), "NVT Setting");

  // First opening: View without a path does nothing; Select cancelled keeps
  // nothing; Select with a file shows it and opens the viewer at once.
  int viewerRows = -1;
  prompts.queueDialogScript([&](QDialog& shown) {
    ExpectOpeningState(shown);
    // Both groups are independent: the type radios leave the file way alone.
    Child<QRadioButton>(shown, "dhcpRadio")->setEnabled(true);
    QTest::mouseClick(Child<QRadioButton>(shown, "dhcpRadio"), Qt::LeftButton);
    EXPECT_TRUE(Child<QRadioButton>(shown, "dhcpRadio")->isChecked());
    EXPECT_FALSE(Child<QRadioButton>(shown, "staticRadio")->isChecked());
    EXPECT_TRUE(Child<QRadioButton>(shown, "throughFileRadio")->isChecked());

    QTest::mouseClick(Child<QPushButton>(shown, "viewButton"), Qt::LeftButton);
    EXPECT_EQ(prompts.dialogsRun(), 1) << "no path: no viewer";
    QTest::mouseClick(Child<QPushButton>(shown, "selectButton"), Qt::LeftButton);
    EXPECT_EQ(prompts.dialogsRun(), 1) << "cancelled: no viewer";
    EXPECT_TRUE(dialog.filePath().isEmpty());

    prompts.queueFileName(listPath);
    prompts.queueDialogScript([&](QDialog& viewer) {
      viewerRows = static_cast<CDBViewer&>(viewer).list()->GetItemCount();
      return int(QDialog::Accepted);
    });
    QTest::mouseClick(Child<QPushButton>(shown, "selectButton"), Qt::LeftButton);
    EXPECT_EQ(Child<QLineEdit>(shown, "pathEdit")->text(), listPath);
    QTest::mouseClick(Child<QPushButton>(shown, "okButton"), Qt::LeftButton);
    return shown.result();
  });
  EXPECT_EQ(Prompts::current().runModal(dialog), QDialog::Accepted);
  EXPECT_EQ(viewerRows, 3);
  EXPECT_EQ(dialog.mode(), kBatchModeThroughFile);
  EXPECT_EQ(dialog.filePath(), listPath);

  // Reopened: defaults again, path box empty, but View still shows the file;
  // a cancelled Select and a refused overlong path keep it.
  prompts.queueDialogScript([&](QDialog& shown) {
    ExpectOpeningState(shown);
    viewerRows = -1;
    prompts.queueDialogScript([&](QDialog& viewer) {
      viewerRows = static_cast<CDBViewer&>(viewer).list()->GetItemCount();
      return int(QDialog::Rejected);
    });
    QTest::mouseClick(Child<QPushButton>(shown, "viewButton"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>(shown, "selectButton"), Qt::LeftButton);
    prompts.queueFileName("/tmp/" + QString(300, 'x') + ".txt");
    QTest::mouseClick(Child<QPushButton>(shown, "selectButton"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>(shown, "cancelButton"), Qt::LeftButton);
    return shown.result();
  });
  EXPECT_EQ(Prompts::current().runModal(dialog), QDialog::Rejected);
  EXPECT_EQ(viewerRows, 3);
  EXPECT_EQ(dialog.filePath(), listPath);
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text, kFilePathTooLongText);
}

}  // namespace
