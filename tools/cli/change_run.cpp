#include "tools/cli/change_run.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <thread>

#include "protocol/address_text.h"
#include "tools/cli/device_text.h"

namespace {

std::atomic<bool> stopRequested{false};
std::atomic<int> stopSignal{0};

std::string AddressesJson(const ChangeReport& report) {
  std::string json;
  for (const uint32_t address : {report.seenAt, report.otherAddress}) {
    if (address == 0) continue;
    json += (json.empty() ? "" : ", ") + JsonString(DottedAddressText(address));
  }
  return "[" + json + "]";
}

// Overwritten in place; only ever on a terminal.
void ShowProgress(const ChangeTally& t) {
  std::fprintf(stderr, "\r%d sent, %d accepted, %d verified, %d refused, %d no answer, of %d\033[K", t.sent, t.accepted,
               t.verified, t.refused, t.noAnswer, t.lines);
  std::fflush(stderr);
}

}  // namespace

void WatchStopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  // One watcher per process: a command run again in-process reuses it.
  static std::once_flag watcherStarted;
  std::call_once(watcherStarted, [signals] {
    std::thread([signals] {
      int received = 0;
      if (sigwait(&signals, &received) != 0) return;
      stopSignal = received;
      stopRequested = true;
    }).detach();
  });
}

const std::atomic<bool>& StopRequested() { return stopRequested; }

int StopSignalExitStatus() {
  const int received = stopSignal.load();
  if (received == SIGINT) return kExitInterrupted;
  if (received == SIGTERM) return kExitTerminated;
  return 0;
}

std::string ReportLineText(const PlanLineText& line, const ChangeReport& report) {
  std::string text = line.mac + "\t" + line.requested + "\t" + std::string(OutcomeWord(report.outcome));
  if (report.outcome == ChangeOutcome::kConflict) {
    text += "\t" + DottedAddressText(report.seenAt) + " " + DottedAddressText(report.otherAddress);
  }
  return text + "\n";
}

std::string ReportLineJson(const PlanLineText& line, const ChangeReport& report) {
  return "{\"line\": " + std::to_string(report.line + 1) + ", \"mac\": " + JsonString(line.mac) +
         ", \"requested\": " + JsonString(line.requested) +
         ", \"outcome\": " + JsonString(OutcomeWord(report.outcome)) +
         ", \"code\": " + std::to_string(OutcomeCode(report.outcome)) + ", \"addresses\": " + AddressesJson(report) +
         "}";
}

CliRunOutcome RunPlanReporting(const std::vector<PlannedChange>& plan, const std::vector<PlanLineText>& texts,
                               const std::vector<PlanLineText>& otherNetwork, SettingCredential credential,
                               ChangeEngineSeams seams, bool json, ReportSink& sink) {
  const bool progress = isatty(STDERR_FILENO) == 1;
  std::vector<bool> printed(plan.size(), false);
  size_t printedCount = 0;
  const auto write = [&](const PlanLineText& text, const ChangeReport& report) {
    if (json) {
      sink.Write(std::string(printedCount == 0 ? "  " : ",\n  ") + ReportLineJson(text, report));
    } else {
      sink.Write(ReportLineText(text, report));
    }
    ++printedCount;
    sink.Flush();
  };
  const auto print = [&](const ChangeReport& report) {
    if (printed[report.line]) return;
    printed[report.line] = true;
    write(texts[report.line], report);
  };
  if (json) sink.Write("[\n");
  seams.stop = &stopRequested;
  seams.onReport = [&](const ChangeReport& report, const ChangeTally& tally) {
    if (report.final) print(report);
    if (progress) ShowProgress(tally);
  };
  CliRunOutcome outcome;
  outcome.result = RunChangeEngine(plan, std::move(credential), seams);
  outcome.endpointUnavailable = outcome.result.end == ChangeRunEnd::kEndpointUnavailable;
  if (progress) std::fputs("\n", stderr);
  for (const ChangeReport& report : outcome.result.lines) print(report);
  // After the plan's lines, numbered on from them: they are no line of it.
  for (size_t i = 0; i < otherNetwork.size(); ++i) {
    ChangeReport report;
    report.line = plan.size() + i;
    report.outcome = ChangeOutcome::kOtherNetwork;
    report.final = true;
    write(otherNetwork[i], report);
  }
  if (json) sink.Write(printedCount == 0 ? "]\n" : "\n]\n");
  sink.Flush();
  return outcome;
}
