#include "ui/main/main_window_seams.h"

#include <QDesktopServices>

void OpenInDefaultBrowser(const QUrl& address) { QDesktopServices::openUrl(address); }
