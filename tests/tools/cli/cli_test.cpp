// tavrix-cli: argument checking in-process, and the real program against the
// simulator over loopback (free ports, each device at its own 127.x address).
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <set>
#include <sstream>
#include <thread>

#include "batch/change_engine.h"
#include "tests/support/loopback_udp.h"
#include "tests/support/netns_gtest.h"
#include "tests/support/run_command.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_files.h"
#include "tools/cli/cli_args.h"
#include "tools/cli/cli_main.h"
#include "tools/cli/device_text.h"
#include "tools/cli/set_exchange.h"

using tavrix::lab::RunCommand;

namespace {

class CliAgainstSim : public ::testing::Test {
 protected:
  // Starts nvtsim on a free port with `args` and a fleet file that lives as
  // long as the test; the program gets another port.
  void StartSim(std::vector<std::string> args, const std::string& fleet) {
    args.insert(args.end(), {"--fleet", files_.Write(fleet), "--port", "0"});
    ASSERT_TRUE(sim_.Start(args)) << sim_.error();
  }

  // A fleet line: device `i` (MAC 00:1A:2B:00:00:0i) at 127.0.7.`host`.
  static std::string Device(int i, int host, const std::string& flags = "") {
    return "00:1A:2B:00:00:0" + std::to_string(i) + " CAM 127.0.7." + std::to_string(host) +
           " 255.255.0.0 127.0.0.1 127.0.0.1 80 - 3 root kefo " + flags + "\n";
  }

  // Runs the program pointed at the simulator with `args` (words needing no
  // quotes), and `stdinText` on its input; `output` receives both streams.
  int Cli(const std::string& args, std::string* output, const std::string& stdinText = "") {
    const std::string command = "printf '%s' '" + stdinText + "' | " + TAVRIX_CLI_PATH + " " + args + " --local-port " +
                                std::to_string(FreeLoopbackPort()) + " --device-port " + std::to_string(sim_.port()) +
                                " --destination 127.0.0.1 2>&1";
    output->clear();
    return RunCommand({"sh", "-c", command}, output);
  }

  TempFiles files_;
  tavrix::lab::SimProcess sim_;
};

// One run of the whole program in-process, its report going to `outputPath`.
struct InProcessRun {
  int status = -1;
  std::string stderrText;
};

InProcessRun RunInProcess(const std::vector<std::string>& args, const std::string& outputPath) {
  const int fd = open(outputPath.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return {};
  ReportSink out(fd);
  testing::internal::CaptureStderr();
  InProcessRun run;
  run.status = RunTavrixCli(args, out);
  run.stderrText = testing::internal::GetCapturedStderr();
  close(fd);
  return run;
}

off_t FileSize(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

}  // namespace

// Every way the program fails before it has a report: one message on
// standard error, the documented status, and standard output untouched.
TEST(CliFailures, SayOneMessageExitWithTheirStatusAndLeaveStandardOutputAlone) {
  TempFiles files;
  const std::string output = files.Write("");
  UdpSocket holder(0, "0.0.0.0");
  UdpSocket device, otherDevice;
  const std::string port = std::to_string(holder.port());
  const std::vector<std::string> held = {"--local-port",  port,       "--device-port", std::to_string(device.port()),
                                         "--destination", "127.0.0.1"};
  const std::vector<std::string> free = {"--local-port",  std::to_string(FreeLoopbackPort()),
                                         "--device-port", std::to_string(otherDevice.port()),
                                         "--destination", "127.0.0.1"};
  const std::string list = files.Write("00:1A:2B:00:00:01 DHCP 10.0.0.2 255.0.0.0 10.0.0.1 10.0.0.1\n");
  const std::string loop = "/tmp/tavrix-test-loop-" + std::to_string(getpid());
  ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);
  const std::string heldText = "tavrix-cli: UDP port " + port + " is held by another program; nothing was sent\n";
  const auto with = [](std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
  };

  struct Row {
    std::vector<std::string> args;
    std::string stderrText;  // exactly, or its start when it ends in "..."
    int status;
    std::string outputPath;
  };
  const std::vector<Row> rows = {
      {with({"scan", "--json"}, held), heldText, 1, output},
      {with({"set", "--mac", "00:1A:2B:00:00:01", "--dhcp", "--user", "root", "--password", "x"}, held), heldText, 1,
       output},
      {with({"batch", list, "--user", "root", "--password", "x", "--json"}, held), heldText, 1, output},
      {with({"batch", list, "--dry-run"}, held), heldText, 1, output},
      {with({"batch", "/nonexistent/list.txt", "--dry-run"}, free),
       "tavrix-cli: The address list file cannot be opened (No such file or directory).\n", 1, output},
      {with({"batch", loop, "--user", "root", "--password", "x"}, free),
       "tavrix-cli: The address list file cannot be opened (Too many levels of symbolic links).\n", 1, output},
      {with({"scan", "--json"}, free),
       "tavrix-cli: standard output could not be written (No space left on device); the report is incomplete\n", 1,
       "/dev/full"},
      {{"scan", "--mac"}, "tavrix-cli: unexpected argument '--mac' for scan\n...", 2, output},
  };
  for (const Row& row : rows) {
    const InProcessRun run = RunInProcess(row.args, row.outputPath);
    const std::string trace = ::testing::PrintToString(row.args);
    EXPECT_EQ(run.status, row.status) << trace;
    if (row.stderrText.ends_with("...")) {
      EXPECT_TRUE(run.stderrText.starts_with(row.stderrText.substr(0, row.stderrText.size() - 3))) << run.stderrText;
    } else {
      EXPECT_EQ(run.stderrText, row.stderrText) << trace;
    }
    EXPECT_EQ(FileSize(output), 0) << trace;
  }
  EXPECT_TRUE(device.Receive(std::chrono::milliseconds(0)).empty()) << "a held port sends nothing";
  unlink(loop.c_str());

  // No route: the PC has no network at all, so the search cannot leave.
  TAVRIX_REQUIRE_NETNS_OR_SKIP();
  tavrix::lab::Lab lab;
  ASSERT_TRUE(lab.ok()) << lab.error();
  tavrix::lab::ScopedNetns inPc(lab.pc());
  ASSERT_TRUE(inPc.ok());
  for (const char* command : {"scan", "set"}) {
    std::vector<std::string> args = {command, "--json"};
    if (args[0] == "set") args = {"set", "--mac", "00:1A:2B:00:00:01", "--dhcp", "--user", "root", "--password", "x"};
    const InProcessRun run = RunInProcess(args, output);
    EXPECT_EQ(run.status, 1) << command;
    EXPECT_EQ(run.stderrText,
              "broadcast error\n"
              "tavrix-cli: the search could not be sent (Network is unreachable); no device can have answered\n")
        << command;
    EXPECT_EQ(FileSize(output), 0) << command;
  }
}

TEST(CliArgs, ParsesBothCommandsAndRefusesMistakes) {
  CliArgs args;
  std::string error;
  // Lower-case hex is a MAC too; without --destination a change is broadcast.
  ASSERT_TRUE(
      ParseCliArgs({"set", "--mac", "00:1a:2b:00:00:0F", "--dhcp", "--user", "root", "--password", "x"}, &args, &error))
      << error;
  EXPECT_EQ(args.mac[5], 0x0F);
  EXPECT_EQ(args.endpoint.destinationAddress, kEncpBroadcastAddress);

  const std::string mac = "00:1A:2B:00:00:01";
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"probe"},
      {"scan", "--mac", mac},
      {"scan", "--json", "--csv"},
      {"scan", "--local-port", "0"},
      {"scan", "--device-port", "65536"},
      {"scan", "--destination", "127.0.0"},
      {"scan", "--local-port"},
      {"scan", "--receive-buffer", "0"},
      {"set", "--dhcp", "--user", "root", "--password", "x"},  // no MAC
      {"set", "--mac", "00:1A:2B:00:00", "--dhcp", "--user", "root", "--password", "x"},
      {"set", "--mac", mac, "--user", "root", "--password", "x"},  // no settings
      {"set", "--mac", mac, "--dhcp", "--static", "1.2.3.4", "255.0.0.0", "1.2.3.1", "1.2.3.1", "--user", "r",
       "--password", "x"},
      {"set", "--mac", mac, "--static", "1.2.3.4", "255.0.0.0", "1.2.3.1", "--user", "r", "--password", "x"},
      {"set", "--mac", mac, "--static", "1.2.3.4", "255.0.0.0", "1.2.3.1", "dns", "--user", "r", "--password", "x"},
      {"set", "--mac", mac, "--dhcp", "--password", "x"},  // no user
      {"set", "--mac", mac, "--dhcp", "--user", "root"},   // no password
      {"set", "--mac", mac, "--dhcp", "--user", "root", "--password", "x", "--password-stdin"},
      {"set", "--mac", mac, "--dhcp", "--user", "root", "--password", "x", "--wait", "soon"},
      {"batch"},
      {"batch", "list.txt"},  // no credential for a real run
      {"batch", "list.txt", "--user", "root", "--password", "x", "--timeout", "0"},
      {"batch", "list.txt", "--dhcp", "--dry-run"},  // a file and a range
      // No gateway
      {"batch", "--static", "--range", "10.0.0.2", "10.0.0.9", "--mask", "255.0.0.0", "--dry-run"},
      {"batch", "--range", "10.0.0.2", "10.0.0.9", "--dry-run"},  // neither static nor DHCP
  };
  for (const auto& line : bad) {
    error.clear();
    EXPECT_FALSE(ParseCliArgs(line, &args, &error)) << ::testing::PrintToString(line);
    EXPECT_FALSE(error.empty());
  }
}

TEST(CliProgram, ArgumentErrorsExitWithStatusTwoAndUsage) {
  std::string output;
  EXPECT_EQ(RunCommand({TAVRIX_CLI_PATH, "--version"}, &output), 0);
  EXPECT_EQ(output, "tavrix-cli " TAVRIX_VERSION "\n");
  EXPECT_EQ(RunCommand({TAVRIX_CLI_PATH, "set", "--mac", "nonsense"}, &output), 2);
  EXPECT_NE(output.find("--mac needs a MAC address"), std::string::npos) << output;
  EXPECT_NE(output.find("usage: tavrix-cli"), std::string::npos);
  EXPECT_EQ(RunCommand({TAVRIX_CLI_PATH}), 2);
  EXPECT_EQ(RunCommand({TAVRIX_CLI_PATH, "--help"}), 0);
}

// A reader that went away: the report's write fails with EPIPE, which the
// program says and fails with, instead of dying of SIGPIPE unheard.
TEST(CliProgram, ClosedPipeOnStandardOutputIsSaidAndFails) {
  int report[2], errors[2];
  ASSERT_EQ(pipe(report), 0);
  ASSERT_EQ(pipe(errors), 0);
  close(report[0]);
  const pid_t pid = fork();
  if (pid == 0) {
    signal(SIGPIPE, SIG_DFL);
    dup2(report[1], STDOUT_FILENO);
    dup2(errors[1], STDERR_FILENO);
    execl(TAVRIX_CLI_PATH, TAVRIX_CLI_PATH, "--version", nullptr);
    _exit(127);
  }
  close(report[1]);
  close(errors[1]);
  std::string said;
  const tavrix::lab::Child child{pid, errors[0]};
  tavrix::lab::ReadOutput(child, std::chrono::steady_clock::now() + std::chrono::seconds(10), &said,
                          [](const std::string&) { return false; });
  close(errors[0]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_EQ(said, "tavrix-cli: standard output could not be written (Broken pipe); the report is incomplete\n");
}

TEST_F(CliAgainstSim, ScanPrintsListTextsJsonAndCsv) {
  StartSim({"--junk", "--duplicate"},
           "00:1A:2B:00:00:01 CAM-A 127.0.7.1 255.255.255.0 127.0.7.254 127.0.7.254 80 4000,4001,0 3 root kefo\n"
           "00:1A:2B:00:00:02 Evil%22%5C%0A%01%E9 127.0.7.2 255.255.255.0 127.0.7.254 127.0.7.254 0 - 3 root kefo\n"
           "00:1A:2B:00:00:03 MUTE 127.0.7.3 255.255.255.0 127.0.7.254 127.0.7.254 80 - 3 root kefo silent\n"
           "00:1A:2B:00:00:04 CAM%E2%80%AE-B 127.0.7.4 255.255.255.0 127.0.7.254 127.0.7.254 80 - 3 root kefo\n");
  std::string output;
  ASSERT_EQ(Cli("scan", &output), 0) << output;
  // The silent device, the junk and repeated replies are not listed, and
  // control characters never break the one-line-per-device format.
  std::vector<std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{"CAM-A\t00:1A:2B - 00:00:01\t127.0.7.1\t80\t4000 / 4001",
                                             "CAM\uFFFD-B\t00:1A:2B - 00:00:04\t127.0.7.4\t80\t-",
                                             "Evil\"\\\uFFFD\uFFFD\u00E9\t00:1A:2B - 00:00:02\t127.0.7.2\t-\t-"}));

  ASSERT_EQ(Cli("scan --json", &output), 0) << output;
  EXPECT_EQ(output.front(), '[');
  EXPECT_NE(output.find("\"model\": \"Evil\\\"\\\\\uFFFD\uFFFD\u00E9\""), std::string::npos) << output;
  EXPECT_NE(
      output.find("\"mac\": \"00:1A:2B:00:00:01\", \"address\": \"127.0.7.1\", \"interface\": \"lo\", \"webPort\": "
                  "80, \"avPort1\": 4000, \"avPort2\": 4001, \"avPort3\": 0, \"avPorts\": \"4000 / 4001\""),
      std::string::npos);
  EXPECT_NE(output.find("\"model\": \"CAM\\u202e-B\""), std::string::npos) << "a program gets the override, escaped";
  EXPECT_EQ(std::count(output.begin(), output.end(), '{'), 3);
  ASSERT_EQ(Cli("scan --csv", &output), 0) << output;
  EXPECT_NE(output.find(",80,4000 / 4001,,255.255.255.0,127.0.7.254,127.0.7.254,Static,lo\r\n"), std::string::npos);
  EXPECT_NE(output.find(",CAM\uFFFD-B,"), std::string::npos);
}

// A list known to be incomplete is no success: with a receive buffer far too
// small for the burst, the scan says how many replies were lost and fails.
TEST_F(CliAgainstSim, ScanThatLostRepliesSaysSoAndFails) {
  ASSERT_TRUE(
      sim_.Start({"--count", "1000", "--first-ip", "127.0.8.1", "--mask", "255.255.0.0", "--burst", "--port", "0"}))
      << sim_.error();
  std::string output;
  EXPECT_EQ(Cli("scan --receive-buffer 1", &output), 1);
  EXPECT_NE(output.find("tavrix-cli: the system discarded "), std::string::npos) << output;
}

TEST(CliSet, EveryOutcomeHasItsExitStatusAndAHeldPortSendsNothing) {
  const std::tuple<ChangeOutcome, bool, int> statuses[] = {
      {ChangeOutcome::kVerified, true, 0},        {ChangeOutcome::kAcceptedNotSeen, false, 0},
      {ChangeOutcome::kAcceptedNotSeen, true, 1}, {ChangeOutcome::kRefusedCredential, false, 3},
      {ChangeOutcome::kRefused, false, 4},        {ChangeOutcome::kNoAnswer, false, 1},
      {ChangeOutcome::kConflict, true, 1},        {ChangeOutcome::kNotSent, false, 1}};
  for (const auto& [outcome, waited, status] : statuses) {
    EXPECT_EQ(SetOutcomeExitStatus(outcome, waited), status) << OutcomeWord(outcome);
  }

  // A change is never sent from a port its answer cannot reach.
  UdpSocket holder(0, "0.0.0.0");
  ChangeEngineSeams seams;
  seams.endpoint = {
      .localPort = holder.port(), .devicePort = holder.port(), .destinationAddress = inet_addr("127.0.0.1")};
  const ChangeRunResult run = RunChangeEngine({PlannedChange{{}, DeviceInfo{}, {}}}, {"root", "kefo"}, seams);
  EXPECT_EQ(run.end, ChangeRunEnd::kEndpointUnavailable);
  EXPECT_EQ(run.lines[0].outcome, ChangeOutcome::kNotSent);
}

// A fleet of an accepting, a refusing, a silent and a vanishing device, and
// a list with a line for each of them, one for a device that is not there, a
// bad address, and bytes a terminal must not get raw (a Latin-1 byte, a NUL
// inside an address).
class CliBatchAgainstSim : public CliAgainstSim {
 protected:
  void SetUp() override {
    StartSim({"--move-delay", "20", "--request-log", requestLog_},
             Device(1, 1) + Device(2, 2, "refuse") + Device(3, 3, "ignore-changes") + Device(4, 4, "vanish"));
    std::string list;
    for (int i = 1; i <= 5; ++i) {
      list += "00:1A:2B:00:00:0" + std::to_string(i) + " STATIC 127.0.9." + std::to_string(i) +
              " 255.255.255.0 127.0.9.254 127.0.9.254\n";
    }
    constexpr char kRawLine[] = "00:1A:2B:00:00:\xE9 STATIC 127.0.9.7\0x 255.0.0.0 0.0.0.0 0.0.0.0\n";
    path_ = files_.Write(list + "00:1A:2B:00:00:01 STATIC 127.0.9.300 255.255.255.0 0.0.0.0 0.0.0.0\n" +
                         std::string(kRawLine, sizeof kRawLine - 1));
  }

  int ChangeRequests() {
    std::string log;
    RunCommand({"grep", "-c", "change", requestLog_}, &log);
    return std::stoi(log);
  }

  const std::string requestLog_ = files_.Write("");
  std::string path_;
  std::string output_;
};

TEST_F(CliBatchAgainstSim, ADryRunOnlyReportsWhatEachLineWouldDo) {
  EXPECT_EQ(Cli("batch " + path_ + " --dry-run", &output_), 1) << output_;
  EXPECT_NE(output_.find("00:1A:2B:00:00:01\t127.0.9.1\tready\n"), std::string::npos) << output_;
  EXPECT_NE(output_.find("00:1A:2B:00:00:05\t127.0.9.5\tnot listed\n"), std::string::npos);
  EXPECT_NE(output_.find("127.0.9.300 is not an address"), std::string::npos);
  EXPECT_NE(output_.find("00:1A:2B:00:00:\u00E9\t-\t127.0.9.7\uFFFDx is not an address\n"), std::string::npos);
  EXPECT_EQ(ChangeRequests(), 0);
}

TEST_F(CliBatchAgainstSim, ADryRunInJsonIsOneDocumentWithEveryLineAndTheTotals) {
  EXPECT_EQ(Cli("batch " + path_ + " --dry-run --json", &output_), 1) << output_;
  EXPECT_EQ(output_.front(), '{') << output_;
  EXPECT_NE(
      output_.find("{\"mac\": \"00:1A:2B:00:00:01\", \"requested\": \"127.0.9.1\", \"usable\": true, \"ready\": true, "
                   "\"problems\": [], \"reason\": \"\"}"),
      std::string::npos);
  EXPECT_NE(output_.find("\"ready\": false, \"problems\": [\"not listed\"], \"reason\": \"\"}"), std::string::npos);
  EXPECT_NE(output_.find("], \"ready\": 4, \"notListed\": 1, \"notTicked\": 0, \"warned\": 0, \"skipped\": 2, "
                         "\"otherNetwork\": []}\n"),
            std::string::npos);
}

// Each line is printed as soon as it is final; the silent device is asked
// three times.
TEST_F(CliBatchAgainstSim, ABatchReportsTheOutcomeOfEveryLine) {
  EXPECT_EQ(Cli("batch " + path_ + " --user root --password-stdin --timeout 4", &output_, "kefo\n"), 1);
  std::vector<std::string> printed;
  for (std::istringstream in(output_); std::getline(in, printed.emplace_back());) {
  }
  printed.pop_back();
  std::sort(printed.begin(), printed.end());
  EXPECT_EQ(printed,
            (std::vector<std::string>{"00:1A:2B:00:00:01\t127.0.9.1\tverified", "00:1A:2B:00:00:02\t127.0.9.2\trefused",
                                      "00:1A:2B:00:00:03\t127.0.9.3\tno answer",
                                      "00:1A:2B:00:00:04\t127.0.9.4\taccepted but not seen",
                                      "00:1A:2B:00:00:05\t127.0.9.5\tnot found"}))
      << output_;
  EXPECT_EQ(ChangeRequests(), 6);
}

// A change reads its password from standard input (none there is a usage
// error) and finds its device by search; each outcome is said in its own
// words, and waited for, a change is seen at its new address.
TEST_F(CliAgainstSim, SetExitsWithTheStatusOfItsOutcome) {
  StartSim({"--move-delay", "20"}, Device(1, 1) + Device(2, 2, "refuse"));
  std::string output;
  const auto set = [&](const char* mac, const char* password) {
    return Cli(std::string("set --mac ") + mac +
                   " --static 127.0.9.11 255.255.255.0 127.0.9.254 127.0.9.254 --user root --password-stdin --wait 10",
               &output, password);
  };
  EXPECT_EQ(set("00:1A:2B:00:00:01", "wrong\n"), 3);
  EXPECT_NE(output.find("Invalid Athentication Information.\nCheck the Administrator ID and Password !"),
            std::string::npos)
      << output;
  EXPECT_EQ(set("00:1A:2B:00:00:01", ""), 2);
  EXPECT_EQ(output, "tavrix-cli: no password on standard input\n");
  EXPECT_EQ(set("00:1A:2B:00:00:02", "kefo\n"), 4);
  EXPECT_NE(output.find("Configuration Error !\nPlease check IP, netmask ro gateway and correct them."),
            std::string::npos)
      << output;
  EXPECT_EQ(set("00:1A:2B:00:00:09", "kefo\n"), 1);
  EXPECT_NE(output.find("no device 00:1A:2B:00:00:09"), std::string::npos) << output;
  EXPECT_EQ(set("00:1A:2B:00:00:01", "kefo\n"), 0) << output;
  EXPECT_NE(output.find("verified: the device answers from 127.0.9.11"), std::string::npos) << output;
}

// A clone or a forger: one MAC answering from two addresses is listed once
// and named on standard error.
TEST_F(CliAgainstSim, ScanWarnsOfOneMacAnsweringFromTwoAddresses) {
  StartSim({}, Device(1, 1) + Device(1, 2));
  std::string output;
  ASSERT_EQ(Cli("scan", &output), 0) << output;
  EXPECT_EQ(output,
            "tavrix-cli: 00:1A:2B:00:00:01 answers from 127.0.7.1 and from 127.0.7.2 (a clone or a forged reply)\n"
            "CAM\t00:1A:2B - 00:00:01\t127.0.7.1\t80\t-\n");
}

// A range over two named devices passes over the address a third one holds,
// and every planned device ends verified at its planned address.
TEST_F(CliAgainstSim, BatchByRangePassesOverAddressesInUse) {
  StartSim({"--move-delay", "20"}, Device(1, 1) + Device(2, 2) + Device(3, 21));
  const std::string range =
      " --mask 255.255.0.0 --gateway 127.0.0.1 --dns 127.0.0.1 --static --mac 00:1A:2B:00:00:02 "
      "--mac 00:1A:2B:00:00:01";
  std::string output;
  EXPECT_EQ(
      Cli("batch --range 127.0.7.20 127.0.7.30" + range + " --user root --password kefo --timeout 10 --json", &output),
      0)
      << output;
  // Lines are printed as their outcomes become final, in either order.
  EXPECT_NE(output.find("{\"line\": 1, \"mac\": \"00:1A:2B:00:00:02\", \"requested\": \"127.0.7.20\", "
                        "\"outcome\": \"verified\", \"code\": 0, \"addresses\": [\"127.0.7.20\"]}"),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("{\"line\": 2, \"mac\": \"00:1A:2B:00:00:01\", \"requested\": \"127.0.7.22\", "
                        "\"outcome\": \"verified\", \"code\": 0, \"addresses\": [\"127.0.7.22\"]}"),
            std::string::npos)
      << output;
  EXPECT_EQ(Cli("batch --range 127.0.7.20 127.0.7.21" + range + " --dry-run", &output), 1);
  EXPECT_NE(output.find("has 1 usable address for 2 selected devices"), std::string::npos) << output;
}

// Devices that share one address are asked one after the other, so a batch
// of silent ones lasts long enough to be interrupted in the middle.
TEST_F(CliAgainstSim, SigintMidBatchStillReportsEveryLineAsOneJsonDocument) {
  std::string fleet, list;
  for (int i = 1; i <= 20; ++i) {
    char mac[20];
    std::snprintf(mac, sizeof mac, "00:1A:2B:00:01:%02X", i);
    fleet += std::string(mac) + " CAM 127.0.7.50 255.255.0.0 127.0.0.1 127.0.0.1 80 - 3 root kefo ignore-changes\n";
    list += std::string(mac) + " STATIC 127.0.8." + std::to_string(i) + " 255.255.0.0 127.0.0.1 127.0.0.1\n";
  }
  StartSim({}, fleet);
  const std::string path = files_.Write(list + "00:1A:2B:00:01:99 STATIC 127.0.8.99 255.255.0.0 127.0.0.1 127.0.0.1\n");
  const tavrix::lab::Child cli = tavrix::lab::Spawn(
      {TAVRIX_CLI_PATH, "batch", path, "--user", "root", "--password", "kefo", "--json", "--local-port",
       std::to_string(FreeLoopbackPort()), "--device-port", std::to_string(sim_.port()), "--destination", "127.0.0.1"},
      false);
  ASSERT_GT(cli.pid, 0);
  std::string output;
  // The line of the device that is not there comes first; the first silent
  // device's request is then out.
  tavrix::lab::ReadOutput(cli, std::chrono::steady_clock::now() + std::chrono::seconds(10), &output,
                          [](const std::string& seen) { return seen.find("not found") != std::string::npos; });
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  kill(cli.pid, SIGINT);
  tavrix::lab::ReadOutput(cli, std::chrono::steady_clock::now() + std::chrono::seconds(10), &output,
                          [](const std::string&) { return false; });
  int status = 0;
  waitpid(cli.pid, &status, 0);
  close(cli.output);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130);

  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(output), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << output;
  std::set<int> lines;
  std::multiset<std::string> outcomes;
  for (const QJsonValue& value : document.array()) {
    lines.insert(value.toObject().value("line").toInt());
    outcomes.insert(value.toObject().value("outcome").toString().toStdString());
  }
  EXPECT_EQ(lines.size(), 21u) << output;
  EXPECT_EQ(outcomes.count("not found"), 1u);
  EXPECT_GE(outcomes.count("no answer"), 1u) << output;
  EXPECT_GE(outcomes.count("not sent"), 10u) << output;
}
