#include "ui/main/main_window_seams.h"

#include <unistd.h>

#include <QDesktopServices>

void OpenInDefaultBrowser(const QUrl& address) { QDesktopServices::openUrl(address); }

bool RunsAsRoot() { return geteuid() == 0; }
