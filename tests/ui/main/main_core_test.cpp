// The window's core without widgets: adapters from fixture texts, commands
// run without a shell, the way the flush gets root's rights, the prompts'
// installer and the application's own message box and save dialog, and the
// live system in a namespace of its own. Flush notices and web addresses
// are checked in the window.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <future>
#include <optional>

#include "tests/support/netns_gtest.h"
#include "tests/support/qt_test_app.h"
#include "tests/support/scripted_prompts.h"
#include "ui/main/device_actions.h"
#include "ui/main/local_adapters.h"

namespace {

using Strings = std::vector<std::string>;
using std::chrono::milliseconds;

// /proc/net/route as the kernel writes it: addresses are the raw
// network-order words printed as host integers (little-endian here).
constexpr const char* kRouteTable =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth1\t00000000\t0100000A\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
    "eth0\t00000000\t0100A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
    "eth0\t00000000\t0100A8C0\t0003\t0\t0\t200\t00000000\t0\t0\t0\n"
    "eth0\t00000000\t0200A8C0\t0003\t0\t0\t300\t00000000\t0\t0\t0\n"
    "eth0\t0000000A\t0300A8C0\t0003\t0\t0\t0\t000000FF\t0\t0\t0\n"
    "eth0\t00000000\t0900A8C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n"
    "broken line\n";

// Each adapter as "name/number of addresses", then the panel's four texts.
Strings Seen(const std::vector<AdapterInfo>& adapters) {
  Strings seen;
  for (const AdapterInfo& adapter : adapters)
    seen.push_back(adapter.adapterName + "/" + std::to_string(adapter.ipAddresses.size()));
  const LocalNetworkTexts texts = PanelTexts(adapters);
  seen.insert(seen.end(), {texts.ipAddress, texts.subnetMask, texts.gateway, texts.dnsServer});
  return seen;
}

TEST(LocalAdaptersTest, RoutesAndResolverFilesGiveGatewaysAndDnsServers) {
  EXPECT_EQ(ParseRouteGateways(kRouteTable, "eth0"), (Strings{"192.168.0.1", "192.168.0.2"}))
      << "default routes only, each gateway once, routes that are down left out";
  EXPECT_EQ(ParseRouteGateways(kRouteTable, "eth1"), (Strings{"10.0.0.1"}));
  EXPECT_TRUE(ParseRouteGateways(kRouteTable, "eth").empty());

  const char* resolv =
      "# comment\nsearch lan\nnameserver 192.168.0.2\nnameserver fe80::1\n nameserver\t8.8.8.8 \nnameserver bogus\n";
  const char* stub = "nameserver 127.0.0.53\noptions edns0\n";
  EXPECT_EQ(ChooseDnsServers(resolv, "nameserver 10.9.9.9\n"), (Strings{"192.168.0.2", "8.8.8.8"}));
  EXPECT_EQ(ChooseDnsServers(stub, "nameserver 10.9.9.9\n"), (Strings{"10.9.9.9"}));
  EXPECT_EQ(ChooseDnsServers(stub, ""), (Strings{"127.0.0.53"}));
}

TEST(LocalAdaptersTest, AdaptersInIndexOrderWithoutLoopbackAndTheFirstFillsThePanel) {
  const std::vector<InterfaceAddress> addresses = {{"eth0", "192.168.0.5", "255.255.255.0"},
                                                   {"eth1", "10.0.0.7", "255.0.0.0"},
                                                   {"lo", "127.0.0.1", "255.0.0.0"},
                                                   {"eth0", "192.168.7.5", "255.255.0.0"}};
  EXPECT_EQ(Seen(BuildAdapters({{"eth1", 3, false}, {"lo", 1, true}, {"eth0", 2, false}, {"wlan0", 4, false}},
                               addresses, kRouteTable, {"192.168.0.2", "8.8.8.8"})),
            (Strings{"eth0/2", "eth1/1", "wlan0/0", "192.168.0.5", "255.255.255.0", "192.168.0.1", "192.168.0.2"}));
  // A first adapter without address, gateway or DNS server.
  EXPECT_EQ(Seen(BuildAdapters({{"wlan0", 4, false}, {"eth0", 9, false}}, addresses, kRouteTable, {})),
            (Strings{"wlan0/0", "eth0/2", "0.0.0.0", "0.0.0.0", "", ""}));
}

TEST(CommandRunnerTest, OutcomesAreReportedAsTheyHappened) {
  PosixCommandRunner runner;
  EXPECT_TRUE(runner.run({"true"}, milliseconds(5000)).succeeded());
  EXPECT_EQ(runner.run({"sh", "-c", "exit 3"}, milliseconds(5000)).exitCode, 3);
  const auto missing = runner.run({"tavrix-no-such-command"}, milliseconds(5000));
  EXPECT_EQ(std::tuple(missing.started, missing.startError != 0, missing.pipeFailed), std::tuple(false, true, false));

  // With no descriptor to spare not even the pipe for its output is made,
  // which is told apart from a command that cannot be run.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  const rlimit none{0, saved.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
  const auto noPipe = runner.run({"true"}, milliseconds(5000));
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(std::pair(noPipe.started, noPipe.pipeFailed), std::pair(false, true));
  EXPECT_TRUE(runner.run({"test", "a;b", "=", "a;b"}, milliseconds(5000)).succeeded())
      << "an argument was read by a shell";
  // 8 MiB: far beyond a pipe's buffer, so an undrained pipe would stall it.
  EXPECT_TRUE(runner.run({"head", "-c", "8388608", "/dev/zero"}, milliseconds(20000)).succeeded());

  const auto start = std::chrono::steady_clock::now();
  const auto hung = runner.run({"sh", "-c", "sleep 30 & sleep 30"}, milliseconds(300));
  EXPECT_TRUE(hung.started && hung.timedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << "it waited for the background job";
}

// Answers every command with one scripted outcome and keeps what was run.
struct ScriptedRunner : CommandRunner {
  ProcessOutcome run(const std::vector<std::string>& argv, milliseconds deadline) override {
    commands.push_back(argv);
    lastDeadline = deadline;
    return outcome;
  }
  ProcessOutcome outcome{true, false, 0, 0};
  std::vector<Strings> commands;
  milliseconds lastDeadline{};
};

TEST(ArpFlushRightsTest, RootFlushesDirectlyAUserThroughPkexecAndARefusalSaysWhy) {
  ScriptedRunner runner;
  EXPECT_EQ(ClearArpTable(runner, true).text, QStringLiteral("Delete ARP table."));
  EXPECT_EQ(runner.commands.back(), (Strings{"ip", "-s", "-s", "neigh", "flush", "all"}));
  EXPECT_EQ(ClearArpTable(runner, false).text, QStringLiteral("Delete ARP table."));
  EXPECT_EQ(runner.commands.back(), (Strings{"pkexec", "/usr/libexec/tavrix/tavrix-flush-neigh"}));
  EXPECT_GE(runner.lastDeadline, std::chrono::seconds(60)) << "too short to type a password";

  // Dismissed, refused: the one thing said, and nothing run after pkexec.
  for (const int refused : {126, 127}) {
    runner.commands.clear();
    runner.outcome = {true, false, refused, 0};
    const Notice notice = ClearArpTable(runner, false);
    EXPECT_EQ(
        std::pair(notice.icon, notice.text),
        std::pair(QMessageBox::Warning, QStringLiteral("Administrator rights are needed to delete the ARP table.")))
        << refused;
    EXPECT_EQ(runner.commands.size(), 1u);
  }
  // The same codes from `ip` itself, as root, are a failed flush.
  EXPECT_EQ(ClearArpTable(runner, true).text, QStringLiteral("Failed to delete ARP table."));
  runner.outcome = {true, false, 1, 0};  // the helper's own failure
  EXPECT_EQ(ClearArpTable(runner, false).text, QStringLiteral("Failed to delete ARP table."));
}

// An installer makes its prompts current for its own scope only, so that a
// test's scripted answers never outlive it.
TEST(PromptsTest, AnInstallerRestoresThePromptsBeforeIt) {
  Prompts* before = &Prompts::current();
  ScriptedPrompts outer, inner;
  std::optional<PromptsInstaller> installedOuter(std::in_place, outer), installedInner(std::in_place, inner);
  EXPECT_EQ(&Prompts::current(), &inner);
  installedInner.reset();
  EXPECT_EQ(&Prompts::current(), &outer);
  installedOuter.reset();
  EXPECT_EQ(&Prompts::current(), before);
}

// Answers the modal window that the next call opens, as a person would.
// Any other window, or none, fails the test and is closed instead, so that
// the call never waits for ever.
template <typename Window>
void AnswerNextModal(const std::function<void(Window&)>& answer) {
  QTimer::singleShot(0, [answer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* window = qobject_cast<Window*>(modal)) return answer(*window);
    ADD_FAILURE() << "no " << Window::staticMetaObject.className() << " to answer";
    if (modal != nullptr) modal->close();
    QCoreApplication::exit();
  });
}

// The message box is the application's own, and a device's text in it is
// shown as written, never read as markup.
TEST(PromptsTest, TheMessageBoxShowsTextAsWrittenAndReturnsTheButtonPressed) {
  TestApplication();
  std::string caption;
  Qt::TextFormat format = Qt::AutoText;
  AnswerNextModal<QMessageBox>([&](QMessageBox& box) {
    caption = box.windowTitle().toStdString();
    format = box.textFormat();
    box.button(QMessageBox::No)->click();
  });
  DefaultPrompts prompts;
  EXPECT_EQ(prompts.showMessage(nullptr, QMessageBox::Question, QStringLiteral("<b>CAM</b>"),
                                QMessageBox::Yes | QMessageBox::No),
            QMessageBox::No);
  EXPECT_EQ(caption, "Tavrix");
  EXPECT_EQ(format, Qt::PlainText);
}

TEST(PromptsTest, ASaveNameTypedWithoutSuffixGetsTheOneAskedFor) {
  TestApplication();
  const std::string name = "tavrix-test-" + std::to_string(getpid());
  AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
    dialog.setDirectory(QDir::tempPath());
    dialog.selectFile(QString::fromStdString(name));
    static_cast<QDialog&>(dialog).accept();  // as the Save button does
  });
  DefaultPrompts prompts;
  EXPECT_EQ(prompts.saveFileName(nullptr, QStringLiteral("CSV files (*.csv)"), QStringLiteral("csv")).toStdString(),
            QDir::tempPath().toStdString() + "/" + name + ".csv");
}

// The live system, where it can only be a namespace made for it: a veth pair
// beside its loopback (the peer end is created first and so has the lower
// index) and a neighbour entry. The reader, and a command started, in a
// thread inside the namespace see and touch only the namespace.
TEST(LiveSystemTest, AdaptersAndTheRealFlushAreThoseOfTheOwnNamespace) {
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  tavrix::lab::Namespace lab("adapters");
  ASSERT_TRUE(lab.ok()) << lab.error();
  ASSERT_TRUE(lab.Ip({"link", "add", "a0", "type", "veth", "peer", "name", "b0"}));
  ASSERT_TRUE(lab.Ip({"addr", "add", "10.77.1.5/24", "dev", "b0"}));
  ASSERT_TRUE(lab.Ip({"addr", "add", "10.77.2.5/16", "dev", "b0"}));
  ASSERT_TRUE(lab.Ip({"link", "set", "b0", "up"}));
  ASSERT_TRUE(lab.Ip({"link", "set", "a0", "up"}));
  ASSERT_TRUE(lab.Ip({"route", "add", "default", "via", "10.77.1.1", "dev", "b0"}));
  ASSERT_TRUE(lab.Ip({"neigh", "add", "10.77.1.9", "lladdr", "02:00:00:00:00:09", "dev", "b0", "nud", "stale"}));
  PosixCommandRunner real;
  const auto [adapters, notice] = std::async(std::launch::async, [&] {
                                    tavrix::lab::ScopedNetns inside(lab);
                                    if (!inside.ok()) return std::pair(std::vector<AdapterInfo>{}, Notice{});
                                    return std::pair(ReadLocalAdapters(), ClearArpTable(real, true));
                                  }).get();
  Strings seen = Seen(adapters);
  seen.pop_back();  // the resolver's servers are the machine's
  EXPECT_EQ(seen, (Strings{"b0/2", "a0/0", "10.77.1.5", "255.255.255.0", "10.77.1.1"}))
      << "loopback is no adapter, and the routes are the namespace's, not this machine's";
  EXPECT_EQ(notice.text, QStringLiteral("Delete ARP table."));
  std::string neighbours;
  lab.Ip({"neigh", "show", "dev", "b0"}, &neighbours);
  EXPECT_EQ(neighbours.find("10.77.1.9"), std::string::npos) << neighbours;
}

}  // namespace
