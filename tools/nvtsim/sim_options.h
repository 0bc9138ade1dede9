// Command line of the simulator, parsed into a SimConfig plus what only the
// program needs (lifetime). Kept apart from main() so it can be tested.
#pragma once

#include <string>

#include "tools/nvtsim/sim_server.h"

struct SimOptions {
  SimConfig config;
  double lifetimeSeconds = 0;  // 0: until SIGTERM or SIGINT
  bool help = false;
  bool version = false;
};

extern const char kSimUsage[];
extern const char kSimVersion[];

// False with `error` set on a bad command line.
bool ParseSimOptions(int argc, const char* const* argv, SimOptions* options, std::string* error);
