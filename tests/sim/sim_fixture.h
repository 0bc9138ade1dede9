// Shared by the loopback tests: a simulator child on free loopback ports
// and endpoint settings that point a client at it.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "protocol/encp_client.h"
#include "tests/support/sim_process.h"

class LoopbackSim : public ::testing::Test {
 protected:
  void TearDown() override {
    if (!fleetFile_.empty()) unlink(fleetFile_.c_str());
  }

  // Starts nvtsim on a free port with `args` and, when given, a fleet file
  // that lives as long as the test; the client gets another port.
  void StartSim(std::vector<std::string> args, const std::string& fleet = "") {
    if (!fleet.empty()) {
      char path[] = "/tmp/tavrix-fleet-XXXXXX";
      const int fd = mkstemp(path);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(write(fd, fleet.data(), fleet.size()), ssize_t(fleet.size()));
      close(fd);
      fleetFile_ = path;
      args.insert(args.end(), {"--fleet", fleetFile_});
    }
    const tavrix::lab::UdpPortPair ports = tavrix::lab::FreeUdpPortPair();
    args.insert(args.end(), {"--port", std::to_string(ports.device)});
    ASSERT_TRUE(sim_.Start(args)) << sim_.error();
    settings_.localPort = ports.local;
    settings_.devicePort = sim_.port();
    settings_.destinationAddress = inet_addr("127.0.0.1");
  }

  std::string fleetFile_;
  tavrix::lab::SimProcess sim_;
  EncpEndpointSettings settings_;
};
