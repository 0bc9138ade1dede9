// Runs a program to completion without a shell (arguments are passed as
// they are, so names and addresses need no quoting), with its standard
// output and error captured for messages. Bounded: a command that has not
// ended after `timeout` is killed.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace tavrix::lab {

// The exit status (0 on success), or -1 when the program could not be run,
// was killed or timed out. `output` receives stdout and stderr together.
int RunCommand(const std::vector<std::string>& argv, std::string* output = nullptr,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

}  // namespace tavrix::lab
