// The configuration dialogs on real offscreen widgets, every modal run and
// message answered through scripted prompts. The viewer scrolled to its
// "Check" column, the README's picture, lands in the build directory.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <functional>
#include <tuple>

#include "tests/support/qt_test_app.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/temp_files.h"
#include "ui/common/ip_address_edit.h"
#include "ui/config/db_viewer.h"
#include "ui/config/login_dlg.h"
#include "ui/config/nvt_setting_dlg.h"
#include "ui/controls/grid_model.h"
#include "ui/controls/xlist_ctrl.h"

namespace {

uint32_t Ip(const char* text) { return inet_addr(text); }

template <typename T = QAbstractButton>
T* Child(QWidget& dialog, const char* name) {
  T* child = dialog.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

void Click(QWidget& dialog, const char* button) { QTest::mouseClick(Child(dialog, button), Qt::LeftButton); }

const char kList[] =
    "00:1A:2B:3C:4D:5E STATIC 192.168.1.20 255.255.255.0 192.168.1.1 168.126.63.1 trailing\n"
    "\n"
    "garbage\n"
    "00:1a:2b:3c:4d:5f dhcp 0.0.0.0 0.0.0.0 0.0.0.0 0.0.0.0\r\n"
    "00:1A:2B:3C:4D:60 STATIC 192.168.1.300 255.255.255.0 192.168.1.1 168.126.63.1\n"
    "00-1A-2B-3C-4D-61 Static 010.0.0.1 255.0.0.0 10.0.0.254 10.0.0.253\n";

// Usable lines numbered without gaps, as written; unusable ones greyed and
// unnumbered with their reason; the check against the devices passed in.
TEST(DbViewer, ShowsEveryLineAsWrittenWithItsCheck) {
  TestApplication();
  TempFiles files;
  const std::vector<ListedDevice> devices = {{{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, Ip("192.168.1.7"), true}};
  CDBViewer viewer(nullptr, QString::fromStdString(files.Write(kList)), devices);
  CXListCtrl* list = viewer.list();
  ASSERT_EQ(std::pair(list->GetColumns(), list->GetItemCount()), std::pair(9, 5));
  EXPECT_EQ(list->model()->headerData(8, Qt::Horizontal).toString(), "Check");
  const char* rows[] = {
      "   1|00:1A:2B:3C:4D:5E|STATIC|192.168.1.20|255.255.255.0|192.168.1.1|168.126.63.1||ready",
      "|garbage|||||||one token",
      "   2|00:1a:2b:3c:4d:5f|DHCP|0.0.0.0|0.0.0.0|0.0.0.0|0.0.0.0||not listed",
      "|00:1A:2B:3C:4D:60|STATIC|192.168.1.300|255.255.255.0|192.168.1.1|168.126.63.1||192.168.1.300 is not an address",
      "   3|00-1A-2B-3C-4D-61|STATIC|010.0.0.1|255.0.0.0|10.0.0.254|10.0.0.253||not listed",
  };
  const auto* model = static_cast<const GridModel*>(list->model());
  for (int row = 0; row < 5; ++row) {
    const QStringList cells = QString(rows[row]).split('|');
    for (int column = 0; column < 9; ++column) {
      EXPECT_EQ(list->GetItemText(row, column), cells[column]) << row << "," << column;
      EXPECT_EQ(model->cell(row, column)->textColour == QColor(128, 128, 128), cells[0].isEmpty())
          << row << "," << column;
    }
  }
  EXPECT_EQ(Child<QLabel>(viewer, "summaryLabel")->text(), "3 usable lines: 1 ready, 2 not listed; 2 lines skipped");
  list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
  const QString dir = qEnvironmentVariable("TAVRIX_BUILD_DIR", QDir::tempPath());
  EXPECT_TRUE(viewer.grab().save(dir + "/tavrix_db_viewer_check.png"));

  EXPECT_EQ(CDBViewer(nullptr, "/nonexistent/list.txt").list()->GetItemCount(), 0);
}

TEST(LoginDlg, RefusesEmptyFieldsIdFirstAndKeepsTextAsTyped) {
  TestApplication();
  ScriptedPrompts prompts;
  PromptsInstaller installed(prompts);
  CLoginDlg login;
  auto* id = Child<QLineEdit>(login, "userIdEdit");
  auto* password = Child<QLineEdit>(login, "passwordEdit");
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  // Cancel checks nothing (there is no message below for it).
  prompts.queueDialogScript([&](QDialog& dialog) {
    password->setFocus();
    Click(dialog, "cancelButton");
    return dialog.result();
  });
  EXPECT_EQ(Prompts::current().runModal(login), QDialog::Rejected);

  prompts.queueDialogScript([&](QDialog& dialog) {
    EXPECT_EQ(dialog.focusWidget(), id) << "every showing starts in the ID";
    password->setFocus();
    Click(dialog, "okButton");
    EXPECT_EQ(prompts.messages().size(), 1u) << "both empty: the ID message only";
    EXPECT_EQ(dialog.focusWidget(), id);

    id->setText(" ");
    Click(dialog, "okButton");
    EXPECT_EQ((std::tuple{prompts.messages().size(), dialog.focusWidget(), dialog.isVisible()}),
              std::tuple(2u, password, true));

    id->setText("admin ");
    password->setText("pa%ss ");
    Click(dialog, "okButton");
    return dialog.result();
  });
  EXPECT_EQ(Prompts::current().runModal(login), QDialog::Accepted);
  ASSERT_EQ(prompts.messages().size(), 2u);
  EXPECT_EQ(prompts.messages()[0].text + "|" + prompts.messages()[1].text,
            "Admin ID is required|Admin Password is required");
  // No trimming; the password is handed out once and kept nowhere.
  EXPECT_EQ((std::tuple{login.userId(), login.takePassword(), password->text(), login.takePassword()}),
            std::tuple("admin ", "pa%ss ", "", ""));
}

// Every opening starts from the file way, the range controls disabled and
// holding the defaults until something else is typed.
const char* const kRangeEdits[] = {"startAddressEdit", "endAddressEdit", "subnetMaskEdit", "gatewayEdit",
                                   "dnsServerEdit"};

void ExpectFileWay(QDialog& dialog, const char* start = "192.168.1.2") {
  EXPECT_EQ((std::tuple{Child<QLineEdit>(dialog, "pathEdit")->text(), Child(dialog, "throughFileRadio")->isChecked(),
                        Child(dialog, "selectButton")->isEnabled(), Child(dialog, "staticRadio")->isChecked(),
                        Child(dialog, "staticRadio")->isEnabled()}),
            std::tuple(QString(), true, true, true, false));
  QStringList texts;  // each edit's text, "+" marking an enabled one
  for (const char* name : kRangeEdits)
    texts << Child<IpAddressEdit>(dialog, name)->text() + (Child<IpAddressEdit>(dialog, name)->isEnabled() ? "+" : "");
  EXPECT_EQ(texts.join(' '), QString(start) + " 192.168.1.255 255.255.255.0 192.168.1.1 168.126.63.1");
}

// The dialog before a scripted operator, with kList's file to choose; each
// viewer opened records its rows, first IP and first check in `viewed`.
class NvtSettingDlgTest : public ::testing::Test {
 protected:
  // One opening of the dialog, driven by `script`.
  int Open(std::function<int(QDialog&)> script) {
    prompts.queueDialogScript(std::move(script));
    return Prompts::current().runModal(dialog);
  }
  void QueueViewer(int answer = QDialog::Accepted) {
    prompts.queueDialogScript([this, answer](QDialog& viewer) {
      const CXListCtrl* list = static_cast<CDBViewer&>(viewer).list();
      viewed = QString("%1 %2 %3").arg(list->GetItemCount()).arg(list->GetItemText(0, 3), list->GetItemText(0, 8));
      return answer;
    });
  }
  // Select with kList's file, which opens the viewer at once; then OK.
  int ChooseTheList() {
    return Open([this](QDialog& shown) {
      prompts.queueFileName(listPath);
      QueueViewer();
      Click(shown, "selectButton");
      EXPECT_EQ(Child<QLineEdit>(shown, "pathEdit")->text(), listPath);
      Click(shown, "okButton");
      return shown.result();
    });
  }
  // The device of kList's first line is listed and ticked.
  void ListTheFirstLinesDevice() {
    dialog.setListedDevicesProvider([] {
      return std::vector<ListedDevice>{{{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, Ip("192.168.1.7"), true}};
    });
  }

  QApplication& app = TestApplication();
  TempFiles files;
  const QString listPath = QString::fromStdString(files.Write(kList));
  ScriptedPrompts prompts;
  PromptsInstaller installed{prompts};
  CNVTSettingDlg dialog;
  QString viewed;
};

TEST_F(NvtSettingDlgTest, WithoutAFileViewAndACancelledSelectOpenNoViewer) {
  Open([](QDialog& shown) {
    Click(shown, "viewButton");
    Click(shown, "selectButton");
    return int(QDialog::Rejected);
  });
  EXPECT_EQ(prompts.dialogsRun(), 1);
}

TEST_F(NvtSettingDlgTest, ASelectedFileIsShownAndViewedAtOnce) {
  EXPECT_EQ((std::tuple{ChooseTheList(), viewed, dialog.mode()}),
            std::tuple(QDialog::Accepted, "5 192.168.1.20 not listed", BatchMode::kThroughFile))
      << "no provider, no devices";
}

TEST_F(NvtSettingDlgTest, AReopenedDialogStartsOverYetViewsTheKeptFileAgainstTheDevices) {
  ChooseTheList();
  ListTheFirstLinesDevice();
  Open([this](QDialog& shown) {
    ExpectFileWay(shown);
    QueueViewer();
    Click(shown, "viewButton");
    return int(QDialog::Rejected);
  });
  EXPECT_EQ(viewed, "5 192.168.1.20 ready");
}

TEST_F(NvtSettingDlgTest, ACancelledOrOverlongSelectKeepsTheChosenFile) {
  ChooseTheList();
  Open([this](QDialog& shown) {
    Click(shown, "selectButton");
    prompts.queueFileName("/tmp/" + QString(300, 'x') + ".txt");
    Click(shown, "selectButton");
    return int(QDialog::Rejected);
  });
  EXPECT_EQ(std::tuple(prompts.dialogsRun(), dialog.filePath()), std::tuple(3, listPath)) << "no viewer";
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text, kFilePathTooLongText);
}

TEST_F(NvtSettingDlgTest, AnEndlessDeviceIsRefusedWithAWarningNeverRead) {
  Open([this](QDialog& shown) {
    prompts.queueFileName("/dev/zero");
    Click(shown, "selectButton");
    EXPECT_TRUE(Child<QLineEdit>(shown, "pathEdit")->text().isEmpty());
    return int(QDialog::Rejected);
  });
  EXPECT_EQ(std::tuple(prompts.dialogsRun(), dialog.filePath()), std::tuple(1, QString())) << "no viewer";
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(std::tie(prompts.messages()[0].text, prompts.messages()[0].icon),
            std::tuple(AddressListStatusText(AddressListStatus::kNotRegularFile), QMessageBox::Warning));
}

TEST_F(NvtSettingDlgTest, TheNetworkTypeIsChosenApartFromTheWayAndOutlivesTheOpening) {
  Open([](QDialog& shown) {
    Child(shown, "dhcpRadio")->setEnabled(true);
    Click(shown, "dhcpRadio");
    EXPECT_TRUE(Child(shown, "throughFileRadio")->isChecked());
    return int(QDialog::Rejected);
  });
  Open([](QDialog& shown) {
    Click(shown, "throughUiRadio");
    EXPECT_TRUE(Child(shown, "dhcpRadio")->isChecked());
    return int(QDialog::Rejected);
  });
}

TEST_F(NvtSettingDlgTest, TheUiWayTradesSelectForTheRangeControls) {
  Open([](QDialog& shown) {
    Click(shown, "throughUiRadio");
    EXPECT_FALSE(Child(shown, "selectButton")->isEnabled());
    for (const char* name : kRangeEdits) EXPECT_TRUE(Child<IpAddressEdit>(shown, name)->isEnabled()) << name;
    return int(QDialog::Rejected);
  });
}

TEST_F(NvtSettingDlgTest, ARangeEndingBelowItsStartIsRefusedAndTheDialogStaysOpen) {
  Open([](QDialog& shown) {
    Click(shown, "throughUiRadio");
    Child<IpAddressEdit>(shown, "endAddressEdit")->setText("192.168.1.1");
    Click(shown, "okButton");
    EXPECT_TRUE(shown.isVisible());
    return int(QDialog::Rejected);
  });
  ASSERT_EQ(prompts.messages().size(), 1u);
  EXPECT_EQ(prompts.messages()[0].text, "The end address 192.168.1.1 is below the start address 192.168.1.2.");
}

TEST_F(NvtSettingDlgTest, TheRangeIsViewedAndAcceptedAsPlannedAgainstTheDevices) {
  ListTheFirstLinesDevice();
  const int result = Open([this](QDialog& shown) {
    Click(shown, "throughUiRadio");
    Child<IpAddressEdit>(shown, "startAddressEdit")->setText("192.168.1.7");
    QueueViewer();
    Click(shown, "viewButton");
    Click(shown, "okButton");
    return shown.result();
  });
  EXPECT_EQ((std::tuple{result, viewed, dialog.mode()}),
            std::tuple(QDialog::Accepted, "1 192.168.1.7 ready", BatchMode::kThroughUi));
  ASSERT_EQ(dialog.plan().size(), 1u);
  EXPECT_EQ(dialog.plan()[0].record.addressTexts[0], "192.168.1.7") << "a ticked device's own address is free";
}

TEST_F(NvtSettingDlgTest, TheFileWayRestoresTheOpeningStateKeepingWhatWasTyped) {
  Open([](QDialog& shown) {
    Click(shown, "throughUiRadio");
    Child<IpAddressEdit>(shown, "startAddressEdit")->setText("192.168.1.7");
    Click(shown, "throughFileRadio");
    ExpectFileWay(shown, "192.168.1.7");
    return int(QDialog::Rejected);
  });
}

}  // namespace
