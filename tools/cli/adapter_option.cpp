#include "tools/cli/adapter_option.h"

#include <cstdio>

bool ResolveInterfaceOption(CliArgs* args, std::string* error) {
  if (args->interfaceNames.empty()) return true;
  AdapterChoice choice = ChooseAdapters(args->interfaceNames, ReadInterfaceEntries());
  if (!choice.error.empty()) {
    *error = choice.error;
    return false;
  }
  args->adapters = std::move(choice.adapters);
  args->endpoint.adapters = AdapterIndexes(args->adapters);
  return true;
}

bool WarnIfAdaptersVanished(const CliArgs& args) {
  if (args.adapters.empty()) return false;
  const std::vector<std::string> vanished = VanishedAdapters(args.adapters, ReadUsableAdapters());
  for (const std::string& name : vanished) {
    std::fprintf(stderr,
                 "tavrix-cli: adapter %s went away during the run; what was to go through it was not sent, "
                 "and nothing was sent through another adapter\n",
                 name.c_str());
  }
  return !vanished.empty();
}
