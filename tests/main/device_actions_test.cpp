// Running commands without a shell, clearing the neighbour table judged by
// the command's real outcome, and web addresses.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <QElapsedTimer>

#include "tests/support/netns_gtest.h"
#include "ui/main/device_actions.h"

namespace {

using std::chrono::milliseconds;

TEST(CommandRunnerTest, OutcomesAreReportedAsTheyHappened) {
  PosixCommandRunner runner;
  const auto ok = runner.run({"true"}, milliseconds(5000));
  EXPECT_TRUE(ok.started);
  EXPECT_TRUE(ok.succeeded());

  const auto failed = runner.run({"sh", "-c", "exit 3"}, milliseconds(5000));
  EXPECT_TRUE(failed.started);
  EXPECT_EQ(failed.exitCode, 3);
  EXPECT_FALSE(failed.succeeded());

  const auto missing = runner.run({"tavrix-no-such-command"}, milliseconds(5000));
  EXPECT_FALSE(missing.started);
  EXPECT_NE(missing.startError, 0);
  EXPECT_FALSE(missing.succeeded());

  // Arguments are never read by a shell.
  EXPECT_TRUE(runner.run({"test", "a;b", "=", "a;b"}, milliseconds(5000)).succeeded());
}

TEST(CommandRunnerTest, DeadlineKillsTheCommandAndWhatItStarted) {
  PosixCommandRunner runner;
  QElapsedTimer clock;
  clock.start();
  const auto slow = runner.run({"sh", "-c", "sleep 30 & sleep 30"}, milliseconds(300));
  EXPECT_TRUE(slow.started);
  EXPECT_TRUE(slow.timedOut);
  EXPECT_FALSE(slow.succeeded());
  EXPECT_LT(clock.elapsed(), 10000);
}

TEST(CommandRunnerTest, LargeOutputIsDrainedSoTheCommandFinishes) {
  PosixCommandRunner runner;
  // 8 MiB: far beyond a pipe's buffer, so an undrained pipe would stall it.
  const auto chatty = runner.run({"head", "-c", "8388608", "/dev/zero"}, milliseconds(20000));
  EXPECT_TRUE(chatty.succeeded()) << "timed out: " << chatty.timedOut;
}

class ScriptedRunner : public CommandRunner {
 public:
  explicit ScriptedRunner(ProcessOutcome outcome) : outcome_(outcome) {}
  ProcessOutcome run(const std::vector<std::string>& argv, milliseconds deadline) override {
    lastArgv = argv;
    lastDeadline = deadline;
    return outcome_;
  }
  std::vector<std::string> lastArgv;
  milliseconds lastDeadline{0};

 private:
  ProcessOutcome outcome_;
};

TEST(ArpTableTest, OnlyACleanExitIsReportedAsCleared) {
  ProcessOutcome success;
  success.started = true;
  success.exitCode = 0;
  ScriptedRunner fine(success);
  const Notice cleared = ClearArpTable(fine);
  EXPECT_EQ(cleared.text, QStringLiteral("Delete ARP table."));
  EXPECT_EQ(cleared.icon, QMessageBox::Information);
  EXPECT_EQ(fine.lastArgv, (std::vector<std::string>{"ip", "-s", "-s", "neigh", "flush", "all"}));
  EXPECT_LE(fine.lastDeadline, milliseconds(10000));

  ProcessOutcome refused = success;
  refused.exitCode = 2;  // e.g. not permitted
  ScriptedRunner denied(refused);
  const Notice failed = ClearArpTable(denied);
  EXPECT_EQ(failed.text, QStringLiteral("Failed to delete ARP table."));
  EXPECT_EQ(failed.icon, QMessageBox::Critical);

  ProcessOutcome hung = success;
  hung.timedOut = true;
  ScriptedRunner slow(hung);
  EXPECT_EQ(ClearArpTable(slow).text, QStringLiteral("Failed to delete ARP table."));

  ScriptedRunner absent{ProcessOutcome{}};
  EXPECT_EQ(ClearArpTable(absent).text, QStringLiteral("Failed to execute CreateProcess()."));
}

// The real flush, where it can only touch a namespace made for it.
TEST(ArpTableTest, RealFlushEmptiesTheNeighbourTableOfItsNamespace) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  tavrix::lab::Namespace lab("arp");
  ASSERT_TRUE(lab.ok()) << lab.error();
  ASSERT_TRUE(lab.Ip({"link", "add", "dummy0", "type", "veth", "peer", "name", "peer0"}));
  ASSERT_TRUE(lab.Ip({"addr", "add", "10.78.1.5/24", "dev", "dummy0"}));
  ASSERT_TRUE(lab.Ip({"link", "set", "dummy0", "up"}));
  ASSERT_TRUE(lab.Ip({"link", "set", "peer0", "up"}));
  ASSERT_TRUE(lab.Ip({"neigh", "add", "10.78.1.9", "lladdr", "02:00:00:00:00:09", "dev", "dummy0", "nud", "stale"}));
  std::string before;
  lab.Ip({"neigh", "show", "dev", "dummy0"}, &before);
  ASSERT_NE(before.find("10.78.1.9"), std::string::npos);

  // `ip netns exec` in front of the very command the window runs.
  class InNamespace : public CommandRunner {
   public:
    explicit InNamespace(std::string name) : name_(std::move(name)) {}
    ProcessOutcome run(const std::vector<std::string>& argv, milliseconds deadline) override {
      std::vector<std::string> wrapped = {"ip", "netns", "exec", name_};
      wrapped.insert(wrapped.end(), argv.begin(), argv.end());
      return real_.run(wrapped, deadline);
    }

   private:
    std::string name_;
    PosixCommandRunner real_;
  } runner(lab.name());
  EXPECT_EQ(ClearArpTable(runner).text, QStringLiteral("Delete ARP table."));
  std::string after;
  lab.Ip({"neigh", "show", "dev", "dummy0"}, &after);
  EXPECT_EQ(after.find("10.78.1.9"), std::string::npos) << after;
}

TEST(WebAddressTest, PortIsWrittenWheneverItIsNotZero) {
  DeviceInfo device{};
  device.sourceAddress = inet_addr("192.168.0.20");
  EXPECT_EQ(WebAddress(device), QStringLiteral("http://192.168.0.20"));
  device.webPort = 80;
  EXPECT_EQ(WebAddress(device), QStringLiteral("http://192.168.0.20:80"));
  device.webPort = 8080;
  EXPECT_EQ(WebAddress(device), QStringLiteral("http://192.168.0.20:8080"));
}

}  // namespace
