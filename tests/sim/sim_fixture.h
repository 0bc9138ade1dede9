// Shared by the loopback tests: a simulator child on free loopback ports
// and endpoint settings that point a client at it.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "protocol/encp_client.h"
#include "tests/support/sim_process.h"
#include "tools/cli/scan_cycle.h"

class LoopbackSim : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const std::string& path : files_) unlink(path.c_str());
  }

  // A fleet file that lives as long as the test.
  std::string WriteTempFile(const std::string& content) {
    char path[] = "/tmp/tavrix-fleet-XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0) {
      (void)!write(fd, content.data(), content.size());
      close(fd);
      files_.push_back(path);
    }
    return path;
  }

  // Starts nvtsim on a free port with `args`; the client gets another port.
  void StartSim(std::vector<std::string> args) {
    ports_ = tavrix::lab::FreeUdpPortPair();
    args.insert(args.end(), {"--port", std::to_string(ports_.device)});
    ASSERT_TRUE(sim_.Start(args)) << sim_.error();
    settings_.localPort = ports_.local;
    settings_.devicePort = sim_.port();
    settings_.destinationAddress = inet_addr("127.0.0.1");
  }

  const DeviceInfo* FindModel(const std::vector<DeviceInfo>& devices, const std::string& prefix) {
    for (const DeviceInfo& d : devices)
      if (std::string(d.modelName).rfind(prefix, 0) == 0) return &d;
    return nullptr;
  }

  // Scans until `accept` holds or a generous deadline passes (a device
  // moves after a delay; tests never depend on timing).
  template <typename Accept>
  std::vector<DeviceInfo> ScanUntil(Accept accept) {
    std::vector<DeviceInfo> devices;
    for (int attempt = 0; attempt < 20; ++attempt) {
      devices = UniqueByMac(RunScanCycle(settings_).replies);
      if (accept(devices)) break;
    }
    return devices;
  }

  std::vector<std::string> files_;
  tavrix::lab::UdpPortPair ports_;
  tavrix::lab::SimProcess sim_;
  EncpEndpointSettings settings_;
};
