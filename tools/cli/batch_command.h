// `tavrix-cli batch`: the window's batch from a shell. It scans, plans each usable line of FILE
// (with `--range`: the range plan) against the devices the scan found, and runs the plan through
// the change engine, reporting as change_run.h does; `--dry-run` prints the pre-flight check
// instead and sends nothing. Texts taken from the file are echoed by the device texts' rule.
//
// Exit status 0 when every line was verified (after a dry run: every usable line is ready), else
// 1; an unreadable file, a refused range, a held local port or a search that could not be sent
// ends the command with nothing sent, and a device of another network or an adapter that went
// away during the run fails it.
#pragma once

#include <string>

#include "tools/cli/cli_args.h"
#include "tools/cli/report_sink.h"

int RunBatchCommand(const CliArgs& args, const std::string& password, ReportSink& out);
