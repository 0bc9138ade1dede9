// Running commands without a shell, and the real neighbour-table flush. How
// its outcomes are reported, and web addresses, are checked in the window.
#include "ui/main/device_actions.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QElapsedTimer>
#include <future>

#include "tests/support/netns_gtest.h"

namespace {

using std::chrono::milliseconds;

TEST(CommandRunnerTest, OutcomesAreReportedAsTheyHappened) {
  PosixCommandRunner runner;
  EXPECT_TRUE(runner.run({"true"}, milliseconds(5000)).succeeded());
  EXPECT_EQ(runner.run({"sh", "-c", "exit 3"}, milliseconds(5000)).exitCode, 3);
  const auto missing = runner.run({"tavrix-no-such-command"}, milliseconds(5000));
  EXPECT_FALSE(missing.started);
  EXPECT_NE(missing.startError, 0);
  EXPECT_FALSE(missing.pipeFailed);

  // With no descriptor to spare not even the pipe for its output is made,
  // which is told apart from a command that cannot be run.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit none = saved;
  none.rlim_cur = 0;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
  const auto noPipe = runner.run({"true"}, milliseconds(5000));
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_FALSE(noPipe.started);
  EXPECT_TRUE(noPipe.pipeFailed);
  EXPECT_TRUE(runner.run({"test", "a;b", "=", "a;b"}, milliseconds(5000)).succeeded())
      << "an argument was read by a shell";
  // 8 MiB: far beyond a pipe's buffer, so an undrained pipe would stall it.
  EXPECT_TRUE(runner.run({"head", "-c", "8388608", "/dev/zero"}, milliseconds(20000)).succeeded());

  QElapsedTimer clock;
  clock.start();
  const auto hung = runner.run({"sh", "-c", "sleep 30 & sleep 30"}, milliseconds(300));
  EXPECT_TRUE(hung.started);
  EXPECT_TRUE(hung.timedOut);
  EXPECT_LT(clock.elapsed(), 10000);
}

// The real flush, where it can only touch a namespace made for it; a
// command started from a thread inside the namespace runs in it.
TEST(ArpTableTest, RealFlushEmptiesTheNeighbourTableOfItsNamespace) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  tavrix::lab::Namespace lab("arp");
  ASSERT_TRUE(lab.ok()) << lab.error();
  ASSERT_TRUE(lab.Ip({"link", "add", "dummy0", "type", "veth", "peer", "name", "peer0"}));
  ASSERT_TRUE(lab.Ip({"addr", "add", "10.78.1.5/24", "dev", "dummy0"}));
  ASSERT_TRUE(lab.Ip({"link", "set", "dummy0", "up"}));
  ASSERT_TRUE(lab.Ip({"link", "set", "peer0", "up"}));
  ASSERT_TRUE(lab.Ip({"neigh", "add", "10.78.1.9", "lladdr", "02:00:00:00:00:09", "dev", "dummy0", "nud", "stale"}));
  std::string before, after;
  lab.Ip({"neigh", "show", "dev", "dummy0"}, &before);
  ASSERT_NE(before.find("10.78.1.9"), std::string::npos);
  const Notice notice = std::async(std::launch::async, [&] {
                          tavrix::lab::ScopedNetns inside(lab);
                          PosixCommandRunner real;
                          return inside.ok() ? ClearArpTable(real) : Notice{QMessageBox::NoIcon, "not inside"};
                        }).get();
  EXPECT_EQ(notice.text, QStringLiteral("Delete ARP table."));
  lab.Ip({"neigh", "show", "dev", "dummy0"}, &after);
  EXPECT_EQ(after.find("10.78.1.9"), std::string::npos) << after;
}

}  // namespace
