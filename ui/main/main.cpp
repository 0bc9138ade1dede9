// The application: one main window, run modally; the program ends with it.
//
// --interface NAME starts the window with that adapter chosen. The name is
// checked before the window opens: a name that is no usable adapter ends the
// program with the usable ones named (status 2), so nothing is ever searched
// through an adapter the operator did not mean.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "protocol/usable_adapters.h"
#include "ui/common/translation.h"
#include "ui/main/about_box.h"
#include "ui/main/tavrix_dlg.h"

namespace {

constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  UseLanguageOf(QLocale::system());
  QApplication::setApplicationName(QStringLiteral("tavrix"));
  QApplication::setApplicationVersion(QStringLiteral(TAVRIX_VERSION));
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Finds networked audio/video devices and re-addresses them."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption interfaceOption(QStringLiteral("interface"),
                                           QStringLiteral("Search and send through the adapter <name> only."),
                                           QStringLiteral("name"));
  parser.addOption(interfaceOption);
  parser.process(application);

  const QStringList names = parser.values(interfaceOption);
  if (names.size() > 1) {
    std::fprintf(stderr, "tavrix: --interface names one adapter\n");
    return kExitUsage;
  }
  if (!names.isEmpty()) {
    const AdapterChoice choice = ChooseAdapters({names.front().toStdString()}, ReadInterfaceEntries());
    if (!choice.error.empty()) {
      std::fprintf(stderr, "tavrix: %s\n", choice.error.c_str());
      return kExitUsage;
    }
  }

  QApplication::setWindowIcon(ProgramIcon());
  CTavrixDlg window;
  if (!names.isEmpty()) window.ChooseAdapter(names.front());
  window.exec();
  return 0;
}
