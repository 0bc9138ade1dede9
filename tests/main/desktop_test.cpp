// Every window as a keyboard or screen-reader user meets it: each button
// reachable by a key, each field named by its label, each control named for
// accessibility; and the windows in the user's language.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "tests/support/qt_test_app.h"
#include "tests/support/scripted_prompts.h"
#include "ui/common/translation.h"
#include "ui/config/db_viewer.h"
#include "ui/config/login_dlg.h"
#include "ui/config/nvt_setting_dlg.h"
#include "ui/main/about_box.h"
#include "ui/main/tavrix_dlg.h"

namespace {

MainWindowSeams FixedAdapter() {
  MainWindowSeams seams;
  AdapterInfo adapter;
  adapter.adapterName = "lan0";
  adapter.ipAddresses = {{"192.168.0.5", "255.255.255.0"}};
  seams.readAdapters = [adapter] { return std::vector<AdapterInfo>{adapter}; };
  seams.openUrl = [](const QUrl&) {};
  return seams;
}

QString SpokenName(QWidget* widget) { return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name); }

// What a keyboard or screen-reader user would miss in `window`, one line each.
std::vector<std::string> Gaps(QWidget& window) {
  std::vector<std::string> gaps;
  const auto gap = [&gaps](QWidget* widget, const char* what) {
    gaps.push_back(widget->objectName().toStdString() + ": " + what);
  };
  for (QWidget* widget : window.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&window) || qobject_cast<QHeaderView*>(widget)) continue;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      // Enter presses a dialog's default button and Esc is its Cancel (id 2).
      const auto* push = qobject_cast<QPushButton*>(button);
      const bool enterOrEsc = push && (push->isDefault() || push->property("controlId").toInt() == 2);
      if (QKeySequence::mnemonic(button->text()).isEmpty() && !enterOrEsc) gap(widget, "no key");
    }
    const bool control = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
                         qobject_cast<QAbstractItemView*>(widget) || qobject_cast<QGroupBox*>(widget);
    if (control && SpokenName(widget).trimmed().isEmpty()) gap(widget, "no accessible name");
    if (auto* field = qobject_cast<QLineEdit*>(widget)) {
      bool labelled = !field->accessibleName().isEmpty();
      for (QLabel* label : window.findChildren<QLabel*>()) labelled = labelled || label->buddy() == field;
      if (!labelled) gap(widget, "no label");
    }
  }
  return gaps;
}

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override { TestApplication(); }
  ScriptedPrompts prompts;
  PromptsInstaller installer{prompts};
};

TEST_F(DesktopTest, EveryWindowHasKeysForItsButtonsAndNamesForItsControls) {
  CTavrixDlg window({}, FixedAdapter());
  EXPECT_EQ(Gaps(window), std::vector<std::string>{});
  CLoginDlg login;
  EXPECT_EQ(Gaps(login), std::vector<std::string>{});
  CNVTSettingDlg setting;
  EXPECT_EQ(Gaps(setting), std::vector<std::string>{});
  CDBViewer viewer(nullptr, std::vector<BatchLine>{}, std::vector<ListedDevice>{});
  EXPECT_EQ(Gaps(viewer), std::vector<std::string>{});
  std::vector<std::string> aboutGaps{"not shown"};
  prompts.queueDialogScript([&aboutGaps](QDialog& about) {
    aboutGaps = Gaps(about);
    return QDialog::Accepted;
  });
  ShowAboutBox(nullptr);
  EXPECT_EQ(aboutGaps, std::vector<std::string>{});
}

TEST_F(DesktopTest, AnAltKeyMovesToTheFieldItsLabelNames) {
  CTavrixDlg window({}, FixedAdapter());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.activateWindow();
  window.EnableSettingsPanel(true);
  QTest::keyClick(&window, Qt::Key_U, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), window.findChild<QWidget*>("subnetMaskEdit"));
}

TEST_F(DesktopTest, EnglishOutsideKoreaAndTheWindowsOwnTextsInKorea) {
  // OK and Cancel of a dialog, and the About entry, as a newly opened window shows them.
  const auto shown = [] {
    CNVTSettingDlg setting;
    CTavrixDlg window({}, FixedAdapter());
    return std::vector{setting.findChild<QPushButton*>("okButton")->text(),
                       setting.findChild<QPushButton*>("cancelButton")->text(), window.actions().value(1)->text()};
  };
  UseLanguageOf(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(shown(), (std::vector<QString>{"OK", "Cancel", "&About Tavrix..."}));
  UseLanguageOf(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(shown().front(), "OK") << "a locale without a translation of its own reads English";
  UseLanguageOf(QLocale(QLocale::Korean, QLocale::SouthKorea));
  EXPECT_EQ(shown(), (std::vector<QString>{"확인", "취소", "Tavrix 정보(&A)..."}));
}

}  // namespace
