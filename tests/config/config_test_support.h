// Shared by the configuration tests: the offscreen application, temporary
// files, the simulator on free loopback ports, and a stand-in window that
// records what a batch worker posts.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "discovery/window_mailbox.h"
#include "discovery/worker_events.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_files.h"
#include "tools/cli/scan_cycle.h"

namespace config_test {

inline uint32_t Ip(const char* text) { return inet_addr(text); }

inline DeviceInfo Device(const uint8_t (&mac)[6], const char* address) {
  DeviceInfo device{};
  std::memcpy(device.mac, mac, 6);
  device.selector = 1;
  device.networkType = kNetworkStatic;
  device.sourceAddress = device.ipAddress = Ip(address);
  device.subnetMask = Ip("255.255.255.0");
  return device;
}

class LoopbackSim {
 public:
  bool Start(std::vector<std::string> args) {
    ports_ = tavrix::lab::FreeUdpPortPair();
    args.insert(args.end(), {"--port", std::to_string(ports_.device), "--move-delay", "50"});
    if (!sim_.Start(args)) return false;
    settings_.localPort = ports_.local;
    settings_.devicePort = sim_.port();
    settings_.destinationAddress = Ip("127.0.0.1");
    return true;
  }
  const std::string& error() const { return sim_.error(); }
  const EncpEndpointSettings& settings() const { return settings_; }

  // The device with `mac` once `accept` holds for it, scanning again and
  // again within a bound (devices move after a delay).
  std::optional<DeviceInfo> ScanFor(const uint8_t (&mac)[6], const std::function<bool(const DeviceInfo&)>& accept) {
    std::optional<DeviceInfo> last;
    for (int attempt = 0; attempt < 20; ++attempt) {
      for (const DeviceInfo& device : UniqueByMac(RunScanCycle(settings_).replies)) {
        if (std::memcmp(device.mac, mac, 6) != 0) continue;
        last = device;
        if (accept(device)) return device;
      }
    }
    return last;
  }

 private:
  tavrix::lab::UdpPortPair ports_;
  tavrix::lab::SimProcess sim_;
  EncpEndpointSettings settings_;
};

// Stands in for the main window: records what a batch worker posts to it.
class BatchSink : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() == BatchProgressEventType()) {
      const auto* progress = static_cast<BatchProgressEvent*>(event);
      progressEvents.push_back(progress->tally());
    } else if (event->type() == WorkerFaultEventType()) {
      faults.push_back(static_cast<WorkerFaultEvent*>(event)->text());
    } else if (event->type() == WM_BATCH_ENDED) {
      ++ended;
    } else {
      return QObject::event(event);
    }
    return true;
  }

  std::vector<BatchTally> progressEvents;
  std::vector<QString> faults;
  int ended = 0;
  MailboxOwner mailbox{this};
};

}  // namespace config_test
