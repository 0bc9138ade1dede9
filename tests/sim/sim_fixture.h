// Shared by the loopback tests: a simulator child on free loopback ports
// and endpoint settings that point a client at it.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/encp_client.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_files.h"

class LoopbackSim : public ::testing::Test {
 protected:
  // Starts nvtsim on a free port with `args` and, when given, a fleet file
  // that lives as long as the test; the client gets another port.
  void StartSim(std::vector<std::string> args, const std::string& fleet = "") {
    if (!fleet.empty()) {
      const std::string path = files_.Write(fleet);
      ASSERT_FALSE(path.empty());
      args.insert(args.end(), {"--fleet", path});
    }
    const tavrix::lab::UdpPortPair ports = tavrix::lab::FreeUdpPortPair();
    args.insert(args.end(), {"--port", std::to_string(ports.device)});
    ASSERT_TRUE(sim_.Start(args)) << sim_.error();
    settings_.localPort = ports.local;
    settings_.devicePort = sim_.port();
    settings_.destinationAddress = inet_addr("127.0.0.1");
  }

  TempFiles files_;
  tavrix::lab::SimProcess sim_;
  EncpEndpointSettings settings_;
};
