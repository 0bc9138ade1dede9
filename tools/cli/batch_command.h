// `tavrix-cli batch FILE`: the window's batch from a shell. It scans, plans
// each usable line to the device with that MAC that answered the scan, and
// runs the plan through the change engine, as the window does (see
// change_run.h for how it reports): one line per usable line of the file,
// its MAC, the requested address ("DHCP" for a DHCP line) and the outcome's
// word. A device named by several lines ends where the last line put it, so
// only that line can read "verified". `--timeout` bounds how long accepted
// devices are watched for.
//
// With `--range` the lines are planned instead (PlanAddressRange) after the
// scan, against the devices it found; a refused range sends nothing. The
// report is the same, one line per planned device, and one line "other
// network" per device the range passed by because another adapter heard it
// (nothing is sent to it, and the run does not count as all verified).
//
// `--dry-run` prints the pre-flight check of every line instead (each
// device that answered the scan counts as ticked) and sends nothing; with
// `--json` as one JSON object. Texts taken from the file are echoed by the
// device texts' rule (valid UTF-8, whole, no control characters).
//
// Exit status: 0 when every line was verified (after a dry run: every
// usable line is ready), 1 otherwise, also for a file that cannot be read,
// a local port another program holds or a search that could not be sent
// (then nothing is sent, and nothing is written to `out`), or a chosen
// adapter that went away during the run.
#pragma once

#include <string>

#include "tools/cli/cli_args.h"
#include "tools/cli/report_sink.h"

int RunBatchCommand(const CliArgs& args, const std::string& password, ReportSink& out);
