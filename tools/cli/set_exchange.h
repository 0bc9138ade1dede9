// `tavrix-cli set`: one device's change as a plan of one line through the
// change engine, so the settings panel's rules hold here too (one request
// builder, resends to a device still at its old settings, a conflict never
// passing for a verification). Without --wait an acceptance is final as
// soon as it is heard; with it the device must be seen at its new address.
#pragma once

#include <string>

#include "batch/change_engine.h"
#include "tools/cli/cli_args.h"
#include "tools/cli/report_sink.h"

// The settings `args` ask for.
RequestedSettings SetRequestedSettings(const CliArgs& args);

// What the operator is told, and the exit status that goes with it.
std::string SetOutcomeText(const ChangeReport& report, bool waited);
int SetOutcomeExitStatus(ChangeOutcome outcome, bool waited);

// The whole command after the password is known; returns the exit status.
int RunSetCommand(const CliArgs& args, const std::string& password, ReportSink& out);
