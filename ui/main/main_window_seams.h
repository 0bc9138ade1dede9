// What the main window reaches outside the process through, gathered so a
// test can stand in for each: the adapter snapshot and the usable adapters
// offered for choice (tests use fixtures or a namespace), the browser (tests
// capture the address instead of starting one), the command runner (tests
// never flush the real neighbour table) and whether the process runs as root
// (which decides how the flush is run).
// A default-constructed value is the real thing.
#pragma once

#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

#include "protocol/usable_adapters.h"
#include "ui/main/local_adapters.h"
#include "ui/main/process_runner.h"

using AdapterSource = std::function<std::vector<AdapterInfo>()>;
using UsableAdapterSource = std::function<std::vector<UsableAdapter>()>;
using UrlOpener = std::function<void(const QUrl& address)>;

void OpenInDefaultBrowser(const QUrl& address);
bool RunsAsRoot();

struct MainWindowSeams {
  AdapterSource readAdapters = &ReadLocalAdapters;
  UsableAdapterSource readUsableAdapters = &ReadUsableAdapters;
  UrlOpener openUrl = &OpenInDefaultBrowser;
  std::shared_ptr<CommandRunner> commandRunner = std::make_shared<PosixCommandRunner>();
  bool runsAsRoot = RunsAsRoot();
};
