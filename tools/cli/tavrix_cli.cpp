// The tavrix-cli process: SIGPIPE ignored, so that a reader that went away
// is a failed write the program reports, not a silent death.
#include <signal.h>
#include <unistd.h>

#include "tools/cli/cli_main.h"

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  ReportSink out(STDOUT_FILENO);
  return RunTavrixCli(std::vector<std::string>(argv + 1, argv + argc), out);
}
