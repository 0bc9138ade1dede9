// tavrix-cli: scan for devices and re-address one of them, or a batch from
// an address list file, from a shell (see cli_args.h for the command line).
//
// The whole program but for its process set-up, so that tests run every
// command in-process against any output: standard output gets the report
// through `out` and nothing else; every diagnostic goes to standard error.
#pragma once

#include <string>
#include <vector>

#include "tools/cli/report_sink.h"

// The arguments after the program name; returns the exit status.
int RunTavrixCli(const std::vector<std::string>& arguments, ReportSink& out);
