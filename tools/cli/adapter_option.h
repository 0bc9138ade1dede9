// The adapters a command was told to use (--interface), checked against the
// system before anything is sent, and checked again after the sending: an
// adapter that went away meanwhile took its requests with it, and the
// operator must hear that none of them went out through another adapter.
#pragma once

#include <string>

#include "tools/cli/cli_args.h"

// Resolves the names into `args` (its adapters and its endpoint's indexes).
// False with `error` naming the usable adapters when one cannot be used.
bool ResolveInterfaceOption(CliArgs* args, std::string* error);

// Says on stderr which chosen adapters are no longer usable; true if any.
bool WarnIfAdaptersVanished(const CliArgs& args);
