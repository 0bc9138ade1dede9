// The change engine against the simulator on loopback: each device's
// behaviour - answering, late, silent, refusing, lost datagrams, duplicate
// answers, a shared address, a forged reply - settles its line's outcome,
// and only its own answers settle it.
#include "batch/change_engine.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "protocol/address_text.h"
#include "tests/support/loopback_udp.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_files.h"
#include "tools/cli/scan_cycle.h"

namespace {

uint32_t Ip(const char* text) { return inet_addr(text); }

// A fleet line: MAC 00:1A:2B:00:00:<mac> at 127.0.9.<host>.
std::string Device(int mac, int host, const std::string& tail = "root kefo") {
  char line[160];
  std::snprintf(line, sizeof line, "00:1A:2B:00:00:%02X CAM 127.0.9.%d 255.255.0.0 127.0.0.1 127.0.0.1 80 - 3 %s\n",
                mac, host, tail.c_str());
  return line;
}

class ChangeEngineTest : public ::testing::Test {
 protected:
  void StartSim(const std::string& fleet, std::vector<std::string> options = {}) {
    options.insert(options.end(), {"--fleet", files_.Write(fleet), "--port", "0"});
    ASSERT_TRUE(sim_.Start(options)) << sim_.error();
    settings_.localPort = FreeLoopbackPort();
    settings_.devicePort = sim_.port();
    settings_.destinationAddress = Ip("127.0.0.1");
  }

  // Line i moves the device with MAC byte macs[i] to 127.0.10.<its MAC byte>.
  std::vector<PlannedChange> Plan(const std::vector<int>& macs) {
    const std::vector<DeviceInfo> found = UniqueByMac(RunScanCycle(settings_).replies);
    std::vector<PlannedChange> plan;
    for (int mac : macs) {
      PlannedChange change;
      change.mac = {0x00, 0x1A, 0x2B, 0x00, 0x00, static_cast<uint8_t>(mac)};
      for (const DeviceInfo& device : found) {
        if (MacOf(device.mac) == change.mac) change.device = device;
      }
      change.settings = {kNetworkStatic, Ip(("127.0.10." + std::to_string(mac)).c_str()), Ip("255.255.0.0"),
                         Ip("127.0.0.1"), Ip("127.0.0.1")};
      plan.push_back(change);
    }
    return plan;
  }

  ChangeRunResult Run(const std::vector<PlannedChange>& plan) {
    ChangeEngineSeams seams;
    seams.endpoint = settings_;
    seams.verifyFor = std::chrono::seconds(10);
    return RunChangeEngine(plan, {"root", "kefo"}, seams);
  }

  TempFiles files_;
  tavrix::lab::SimProcess sim_;
  EncpEndpointSettings settings_;
};

TEST_F(ChangeEngineTest, EachDevicesBehaviourSettlesItsLine) {
  StartSim(Device(1, 1) + Device(2, 2, "root kefo late-answer") + Device(3, 3, "root kefo ignore-changes") +
           Device(4, 4, "root kefo refuse") + Device(5, 5, "root other"));
  const ChangeRunResult result = Run(Plan({1, 2, 3, 4, 5, 6}));
  ASSERT_EQ(result.end, ChangeRunEnd::kCompleted);
  const std::vector<ChangeReport>& lines = result.lines;
  EXPECT_EQ(lines[0].outcome, ChangeOutcome::kVerified);
  EXPECT_EQ(lines[0].seenAt, Ip("127.0.10.1"));
  // Its answer came after its wait (and after a resend): credited, seen moved.
  EXPECT_EQ(lines[1].outcome, ChangeOutcome::kVerified);
  // Still at its old settings after each wait: sent twice more, then given up.
  EXPECT_EQ(lines[2].outcome, ChangeOutcome::kNoAnswer);
  EXPECT_EQ(lines[2].requests, 1 + kMostResends);
  EXPECT_EQ(lines[3].outcome, ChangeOutcome::kRefused);
  EXPECT_EQ(lines[4].outcome, ChangeOutcome::kRefusedCredential);
  EXPECT_EQ(lines[5].outcome, ChangeOutcome::kNotFound);
  EXPECT_EQ(lines[5].requests, 0);
}

TEST_F(ChangeEngineTest, LostRequestsAndAnswersAreMadeGood) {
  std::string fleet;
  for (int i = 1; i <= 30; ++i) fleet += Device(i, i);
  StartSim(fleet, {"--lose-requests", "0.15", "--lose-answers", "0.1", "--seed", "7"});
  std::vector<int> macs;
  for (int i = 1; i <= 30; ++i) macs.push_back(i);
  const std::vector<PlannedChange> plan = Plan(macs);
  const ChangeRunResult result = Run(plan);
  int requests = 0;
  for (const ChangeReport& line : result.lines) {
    if (!plan[line.line].device) continue;  // its search reply was lost
    EXPECT_EQ(line.outcome, ChangeOutcome::kVerified) << "line " << line.line;
    requests += line.requests;
  }
  EXPECT_GT(requests, result.tally.sent);  // some went a second time
}

// Two devices on one address are never asked together, so neither takes the
// other's answer, even when every answer comes twice.
TEST_F(ChangeEngineTest, ASharedAddressAndDuplicateAnswersCreditEachDeviceOnce) {
  StartSim(Device(1, 7) + Device(2, 7) + Device(3, 3), {"--duplicate", "--move-delay", "600"});
  const ChangeRunResult result = Run(Plan({1, 2, 3}));
  for (const ChangeReport& line : result.lines) {
    EXPECT_EQ(line.outcome, ChangeOutcome::kVerified) << "line " << line.line;
    EXPECT_EQ(line.requests, 1) << "line " << line.line;
  }
}

// The first device's late answer comes while the second's, at the same address,
// is awaited; it carries the first's selector, so the second, which never
// answers nor moves, is not taken to have accepted.
TEST_F(ChangeEngineTest, ALateAnswerIsNotCreditedToAnotherSelectorAtItsAddress) {
  StartSim(Device(1, 7, "root kefo late-answer") + Device(2, 7, "root kefo ignore-changes selector=2"));
  EXPECT_EQ(Run(Plan({1, 2})).lines[1].outcome, ChangeOutcome::kNoAnswer);
}

// Its answer never comes, and while it applies the change it already reports
// the new settings from its old address: watched, not asked again, and
// verified once it answers from its new address.
TEST_F(ChangeEngineTest, ASilentDeviceStillApplyingIsWatchedNotAskedAgain) {
  StartSim(Device(1, 1, "root kefo quiet-accept"), {"--report-before-move", "--move-delay", "2500"});
  std::vector<PlannedChange> plan = Plan({1});
  // So that the new settings show before the move
  plan[0].settings.subnetMask = Ip("255.255.255.0");
  const ChangeReport line = Run(plan).lines[0];
  EXPECT_EQ(line.outcome, ChangeOutcome::kVerified);
  EXPECT_EQ(line.requests, 1);
}

// A stand-in answers every search with the device's MAC from the address the
// device is being given, while the device itself never moves.
TEST_F(ChangeEngineTest, AForgedReplyFromTheNewAddressIsAConflict) {
  StartSim(Device(1, 1, "root kefo ignore-changes") +
           "00:1A:2B:00:00:01 FORGER 127.0.10.1 255.255.0.0 127.0.0.1 "
           "127.0.0.1 80 - 3 root kefo\n");
  std::vector<PlannedChange> plan = Plan({1});
  ASSERT_TRUE(plan[0].device);
  plan[0].device->sourceAddress = Ip("127.0.9.1");  // the search may have listed the forger first
  plan[0].device->ipAddress = Ip("127.0.9.1");
  const ChangeReport line = Run(plan).lines[0];
  EXPECT_EQ(line.outcome, ChangeOutcome::kConflict);
  EXPECT_EQ(std::min(line.seenAt, line.otherAddress), std::min(Ip("127.0.9.1"), Ip("127.0.10.1")));
  EXPECT_EQ(std::max(line.seenAt, line.otherAddress), std::max(Ip("127.0.9.1"), Ip("127.0.10.1")));
}

}  // namespace
