// Shared by the main-window tests: a window with stand-ins for the outside
// world (a fixed adapter, a browser that records addresses, a scripted
// command runner and dialogs), driven by clicks and by worker events.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "discovery/worker_events.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scripted_prompts.h"
#include "ui/controls/grid_model.h"
#include "ui/controls/xheader_ctrl.h"
#include "ui/controls/xlist_ctrl.h"
#include "ui/main/tavrix_dlg.h"

class ScriptedRunner : public CommandRunner {
 public:
  ProcessOutcome run(const std::vector<std::string>& argv, std::chrono::milliseconds) override {
    commands.push_back(argv);
    return outcome;
  }
  ProcessOutcome outcome;
  std::vector<std::vector<std::string>> commands;
};

inline AdapterInfo TestAdapter() {
  AdapterInfo adapter;
  adapter.adapterName = "lan0";
  adapter.ipAddresses = {{"192.168.0.5", "255.255.255.0"}, {"192.168.9.9", "255.255.0.0"}};
  adapter.gateways = {"192.168.0.1"};
  adapter.dnsServers = {"192.168.0.2"};
  return adapter;
}

// A device record as a decoded search reply would fill it.
inline DeviceInfo MakeDevice(uint8_t macLast, const char* address, const char* model = "NVT-100",
                             uint16_t webPort = 80) {
  DeviceInfo device{};
  const uint8_t mac[6] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, macLast};
  std::memcpy(device.mac, mac, 6);
  std::strncpy(device.modelName, model, sizeof device.modelName - 1);
  device.networkType = 1;
  device.selector = 1;
  device.sourceAddress = inet_addr(address);
  device.ipAddress = device.sourceAddress;
  device.subnetMask = inet_addr("255.255.255.0");
  device.gateway = inet_addr("10.0.0.1");
  device.dnsServer = inet_addr("10.0.0.2");
  device.webPort = webPort;
  device.avPort1 = 4000;
  device.avPort2 = 4001;
  return device;
}

// Endpoint settings whose cycles find nothing: loopback, a port nobody serves.
inline EncpEndpointSettings SilentLoopback() {
  EncpEndpointSettings settings;
  settings.localPort = 0;
  settings.devicePort = 9;  // discard
  settings.destinationAddress = inet_addr("127.0.0.1");
  return settings;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { TestApplication(); }

  CTavrixDlg& Open(EncpEndpointSettings settings = SilentLoopback()) {
    MainWindowSeams seams;
    seams.readAdapters = [] { return std::vector<AdapterInfo>{TestAdapter(), AdapterInfo{}}; };
    seams.openUrl = [this](const QUrl& address) { openedUrls.push_back(address.toString()); };
    seams.commandRunner = runner;
    window = std::make_unique<CTavrixDlg>(settings, seams);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return *window;
  }

  CXListCtrl& List() { return *window->DeviceList(); }

  QPushButton* Button(const char* name) { return window->findChild<QPushButton*>(name); }

  void Click(const char* button) { QTest::mouseClick(Button(button), Qt::LeftButton); }

  // "NVT Scan": the window is then scanning until its worker's cycle ends.
  void StartScan() {
    Click("scanButton");
    ASSERT_EQ(window->GetState(), WindowState::kScanning);
  }

  // The way a worker's events reach the window (delivered at once), from
  // the current cycle unless the test names another.
  void Deliver(const DeviceInfo& device, std::optional<DiscoveryCycle> cycle = {}) {
    DeviceFoundEvent event({device}, cycle.value_or(window->CurrentDiscoveryCycle()));
    QApplication::sendEvent(window.get(), &event);
  }
  void DeliverEnded(std::optional<DiscoveryCycle> cycle = {}) {
    WorkerEvent event(WM_DISCOVERY_ENDED, cycle.value_or(window->CurrentDiscoveryCycle()));
    QApplication::sendEvent(window.get(), &event);
  }

  QPoint CellPoint(int row, int column) { return List().visualRect(List().model()->index(row, column)).center(); }
  void ClickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier, int column = 2) {
    QTest::mouseClick(List().viewport(), Qt::LeftButton, modifiers, CellPoint(row, column));
  }
  void ClickHeader(int column) {
    CXHeaderCtrl* header = List().headerCtrl();
    QTest::mouseClick(
        header->viewport(), Qt::LeftButton, Qt::NoModifier,
        QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2));
  }

  int RowOfMac(uint8_t macLast) {
    const QString suffix = QString::asprintf(":%02X", macLast);
    for (int row = 0; row < List().GetItemCount(); ++row)
      if (List().GetItemText(row, 2).endsWith(suffix)) return row;
    return -1;
  }

  ScriptedPrompts prompts;
  PromptsInstaller promptsInstaller{prompts};
  std::shared_ptr<ScriptedRunner> runner = std::make_shared<ScriptedRunner>();
  std::vector<QString> openedUrls;
  std::unique_ptr<CTavrixDlg> window;
};

// A cell's colours as the grid holds them: "text/background" in 0xRRGGBB,
// "default" for the list's own colours.
inline std::string LookOf(CXListCtrl& list, int row, int column) {
  const GridCell* cell = static_cast<const GridModel*>(list.model())->cell(row, column);
  if (cell == nullptr) return "none";
  auto name = [](GridColour c) { return c < 0 ? std::string("default") : QString::asprintf("%06X", c).toStdString(); };
  return name(cell->textColour) + "/" + name(cell->backColour);
}
inline constexpr const char* kWhiteOnRed = "FFFFFF/FF0000";
inline constexpr const char* kBlackOnYellow = "000000/FFFF00";
inline constexpr const char* kBlackOnGreen = "000000/00FF00";
inline constexpr const char* kBlackOnWhite = "000000/FFFFFF";
inline constexpr const char* kBlackOnOrange = "000000/FFA500";
inline constexpr const char* kWhiteOnBlue = "FFFFFF/316AC5";
