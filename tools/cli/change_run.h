// A change plan run from a shell, through the change engine: every line is
// printed the moment its outcome is final (tab-separated text, or one JSON
// array whose objects come in that order), a progress line is kept up to
// date on standard error when that is a terminal, and SIGINT or SIGTERM
// stop the sending, after which every line of the plan is still printed
// with what is known of it and the JSON document still closes.
//
// The signals are taken by a thread of their own (they are blocked in
// every other thread), so no system call of the run is ever interrupted.
#pragma once

#include <string>
#include <vector>

#include "batch/change_engine.h"
#include "tools/cli/report_sink.h"

inline constexpr int kExitInterrupted = 130;
inline constexpr int kExitTerminated = 143;

// Blocks SIGINT and SIGTERM in the calling thread (and the threads it makes
// later) and starts the thread that records them. Call before any scan, so
// a signal during it stops the run before anything is sent.
void WatchStopSignals();
// The stop flag the signals set, and 128 + the signal once one came (0 before).
const std::atomic<bool>& StopRequested();
int StopSignalExitStatus();

struct PlanLineText {
  std::string mac;        // as the line wrote it
  std::string requested;  // the requested address, or "DHCP"
};

// One line of the report, as text or as a JSON object (without separators).
std::string ReportLineText(const PlanLineText& line, const ChangeReport& report);
std::string ReportLineJson(const PlanLineText& line, const ChangeReport& report);

struct CliRunOutcome {
  ChangeRunResult result;
  bool endpointUnavailable = false;
};

// Runs `plan`, printing to `sink` as described above; `texts` parallels `plan`.
// `otherNetwork` are devices a range passed by (another adapter heard them):
// each gets a line "other network" and is sent nothing.
CliRunOutcome RunPlanReporting(const std::vector<PlannedChange>& plan, const std::vector<PlanLineText>& texts,
                               const std::vector<PlanLineText>& otherNetwork, SettingCredential credential,
                               ChangeEngineSeams seams, bool json, ReportSink& sink);
