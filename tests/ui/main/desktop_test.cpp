// Every window as a keyboard or screen-reader user meets it: each button
// reachable by a key, each field named by its label, each control named for
// accessibility; and the windows in the user's language. The main window's
// picture in English and in Korean (docs/window-*.png) lands in the build
// directory.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <string>
#include <vector>

#include "discovery/worker_events.h"
#include "tests/support/device_builder.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scripted_prompts.h"
#include "ui/common/translation.h"
#include "ui/config/db_viewer.h"
#include "ui/config/login_dlg.h"
#include "ui/config/nvt_setting_dlg.h"
#include "ui/controls/xlist_ctrl.h"
#include "ui/main/about_box.h"
#include "ui/main/tavrix_dlg.h"

// Failures print texts, not their UTF-16 bytes.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

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

// Loopback, on a port nobody serves: nothing these windows do reaches a network.
EncpEndpointSettings Loopback() {
  EncpEndpointSettings settings;
  settings.localPort = 0;
  settings.devicePort = 9;
  settings.destinationAddress = inet_addr("127.0.0.1");
  return settings;
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
    const bool field = qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget);
    const bool control = field || qobject_cast<QAbstractButton*>(widget) || qobject_cast<QAbstractItemView*>(widget) ||
                         qobject_cast<QGroupBox*>(widget);
    if (control && SpokenName(widget).trimmed().isEmpty()) gap(widget, "no accessible name");
    // A combo box's own edit is named by the combo box.
    if (field && !qobject_cast<QComboBox*>(widget->parentWidget())) {
      bool labelled = !widget->accessibleName().isEmpty();
      for (QLabel* label : window.findChildren<QLabel*>()) labelled = labelled || label->buddy() == widget;
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
  CTavrixDlg window(Loopback(), FixedAdapter());
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
  CTavrixDlg window(Loopback(), FixedAdapter());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  window.activateWindow();
  window.EnableSettingsPanel(true);
  QTest::keyClick(&window, Qt::Key_U, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), window.findChild<QWidget*>("subnetMaskEdit"));
}

TEST_F(DesktopTest, EnglishOutsideKoreaAndTheWindowsOwnTextsInKorea) {
  // OK and Cancel of a dialog, the About entry and a state mark, as newly
  // opened windows show them. The picture is the main window with a few
  // devices, its menu open and the "NVT Setting" dialog over it.
  const auto shown = [](const char* picture) {
    CNVTSettingDlg setting;
    CTavrixDlg window(Loopback(), FixedAdapter());
    std::vector<DeviceInfo> devices;
    for (uint8_t i = 1; i <= 3; ++i) devices.push_back(TestDevice(i, i == 3 ? "192.168.0.21" : "192.168.0.20"));
    QSignalSpy cycles(&window, &CTavrixDlg::discoveryCycleStarted);
    window.findChild<QPushButton*>("scanButton")->click();
    WorkerEvent found(DevicesFound{devices}, cycles.value(0).value(0).value<DiscoveryCycle>());
    QApplication::sendEvent(&window, &found);
    WorkerEvent ended(DiscoveryEnded{}, found.cycle());
    QApplication::sendEvent(&window, &ended);
    window.DeviceList()->SetCheckbox(2, 0, CellCheck::kChecked);
    window.SelectRow(2);
    window.EnableSettingsPanel(true);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));

    QImage image = window.grab().toImage();
    QPainter painter(&image);
    QMenu* menu = window.findChild<QMenuBar*>("menuBar")->actions().value(0)->menu();
    menu->adjustSize();
    painter.drawPixmap(4, window.findChild<QMenuBar*>("menuBar")->height(), menu->grab());
    const QPixmap dialog = setting.grab();
    const QRect frame(QPoint(40, image.height() - dialog.height() - 60), dialog.size() + QSize(0, 24));
    painter.fillRect(frame, QColor(60, 60, 60));
    painter.setPen(Qt::white);
    painter.drawText(frame.adjusted(8, 0, 0, -dialog.height()), Qt::AlignVCenter, setting.windowTitle());
    painter.drawPixmap(frame.left(), frame.top() + 24, dialog);
    painter.end();
    const QString dir = qEnvironmentVariable("TAVRIX_BUILD_DIR", QDir::tempPath());
    EXPECT_TRUE(image.save(dir + "/" + picture));
    return std::vector{setting.findChild<QPushButton*>("okButton")->text(),
                       setting.findChild<QPushButton*>("cancelButton")->text(), window.actions().value(1)->text(),
                       window.DeviceList()->GetItemText(0, kColumnState)};
  };
  UseLanguageOf(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(shown("tavrix_window_en.png"),
            (std::vector<QString>{"OK", "Cancel", "&About Tavrix...", "IP address collision"}));
  UseLanguageOf(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(shown("tavrix_window_de.png").front(), "OK") << "a locale without a translation of its own reads English";
  UseLanguageOf(QLocale(QLocale::Korean, QLocale::SouthKorea));
  EXPECT_EQ(shown("tavrix_window_ko.png"),
            (std::vector<QString>{"확인", "취소", "Tavrix 정보(&A)...", "IP address collision"}));
}

}  // namespace
