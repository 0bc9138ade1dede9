// The one QApplication of a widget-test process: offscreen unless the
// environment chose a platform, and never destroyed, because tearing it down
// at exit races Qt's own statics.
#pragma once

#include <QApplication>

#include "tests/support/pump_until.h"

inline QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "tavrix-test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *app;
}
