// The real window against the device simulator: a simulator started per
// test (on a free loopback port, or in a namespace by the test itself),
// fleet and address-list files written to /tmp and removed afterwards, and
// the operator's answers to "Apply" and "NVT setting" queued on the
// scripted prompts.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <string>
#include <vector>

#include "tests/main/window_fixture.h"
#include "tests/support/operator_answers.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_files.h"

// Failures print texts, not their UTF-16 bytes.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

class WindowSimFixture : public WindowTest {
 protected:
  void TearDown() override { window.reset(); }

  std::string WriteFile(const std::string& text) { return files_.Write(text); }

  // The simulator on a free loopback port, and settings that search it.
  EncpEndpointSettings StartLoopbackSim(std::vector<std::string> args) {
    const tavrix::lab::UdpPortPair ports = tavrix::lab::FreeUdpPortPair();
    args.insert(args.end(), {"--port", std::to_string(ports.device)});
    EXPECT_TRUE(sim.Start(args)) << sim.error();
    EncpEndpointSettings settings;
    settings.localPort = ports.local;
    settings.devicePort = sim.port();
    settings.destinationAddress = inet_addr("127.0.0.1");
    return settings;
  }
  // Devices take an accepted change before they answer anything else, so
  // the first answer after a change comes from the new settings.
  EncpEndpointSettings StartFleetSim(const std::string& fleet) {
    return StartLoopbackSim({"--fleet", WriteFile(fleet), "--move-delay", "0"});
  }

  bool ScanToTheEnd() {
    Click("scanButton");
    return window->GetState() == WindowState::kScanning &&
           PumpUntil([&] { return window->GetState() == WindowState::kIdle; });
  }

  QString Cell(int row, int column) { return List().GetItemText(row, column); }
  QString StateOf(int device) { return Cell(RowOfMac(static_cast<uint8_t>(device)), 6); }
  QString AddressOf(int device) { return Cell(RowOfMac(static_cast<uint8_t>(device)), 3); }
  QLabel* Progress() { return window->findChild<QLabel*>("batchProgressLabel"); }
  QLineEdit* Edit(const char* name) { return window->findChild<QLineEdit*>(name); }
  std::vector<QString> Texts() {
    std::vector<QString> texts;
    for (const auto& message : prompts.messages()) texts.push_back(message.text);
    return texts;
  }

  // Selects the device's row and puts a static address into the panel.
  void FillPanel(int device, const char* address, const char* mask = "255.255.255.0") {
    ClickRow(RowOfMac(static_cast<uint8_t>(device)));
    window->findChild<QRadioButton*>("staticRadio")->setChecked(true);
    Edit("ipAddressEdit")->setText(address);
    Edit("subnetMaskEdit")->setText(mask);
  }

  void QueueApplyAnswers(const QString& user = "root", const QString& password = "kefo") {
    ::QueueApplyAnswers(prompts, user, password);
  }

  // The answers to one "NVT setting": the file chosen in the dialog (whose
  // viewer then opens and is closed), OK, and the confirmation.
  void QueueBatchAnswers(const std::string& path) {
    prompts.queueDialogScript([this, path](QDialog& dialog) {
      prompts.queueFileName(QString::fromStdString(path));
      QTest::mouseClick(dialog.findChild<QPushButton*>("selectButton"), Qt::LeftButton);
      QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
      return dialog.result();
    });
    prompts.queueMessageAnswer(QMessageBox::Ok);
  }

  void Tick(std::initializer_list<int> devices) {
    for (int device : devices) List().SetCheckbox(RowOfMac(static_cast<uint8_t>(device)), 0, 1);
  }

  // A picture for a person to look at, in the build directory.
  bool SaveShot(QWidget& widget, const char* name) {
    return widget.grab().save(qEnvironmentVariable("TAVRIX_BUILD_DIR", ".") + "/" + name);
  }

  tavrix::lab::SimProcess sim;
  TempFiles files_;
};
