// The application: one main window, run modally; the program ends with it.
#include <QApplication>

#include "ui/common/translation.h"
#include "ui/main/about_box.h"
#include "ui/main/tavrix_dlg.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  UseLanguageOf(QLocale::system());
  QApplication::setWindowIcon(ProgramIcon());
  CTavrixDlg window;
  window.exec();
  return 0;
}
