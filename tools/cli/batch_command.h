// `tavrix-cli batch FILE`: the window's batch from a shell. It scans, plans
// each usable line to the device with that MAC that answered the scan,
// sends through the same exchange as the window (RunBatchLines), then waits
// for the accepted devices as the window does, and reports one line per
// usable line of the file: its MAC, the requested address ("DHCP" for a
// DHCP line) and what became of it - "verified", "accepted but not seen",
// "refused: credential", "refused", "no answer" or "not found". A device
// named by several lines ends where the last accepted line put it, so only
// that line can read "verified".
//
// With `--range` the lines are planned instead (PlanAddressRange) after the
// scan, against the devices it found; a refused range sends nothing. The
// report is the same, one line per planned device.
//
// `--dry-run` prints the pre-flight check of every line instead (each
// device that answered the scan counts as ticked) and sends nothing; with
// `--json` as one JSON object. Texts taken from the file are echoed by the
// device texts' rule (valid UTF-8, whole, no control characters).
//
// Exit status: 0 when every line was verified (after a dry run: every
// usable line is ready), 1 otherwise, also for a file that cannot be read,
// a local port another program holds or a search that could not be sent
// (then nothing is sent, and nothing is written to `out`).
#pragma once

#include <string>

#include "tools/cli/cli_args.h"
#include "tools/cli/report_sink.h"

int RunBatchCommand(const CliArgs& args, const std::string& password, ReportSink& out);
