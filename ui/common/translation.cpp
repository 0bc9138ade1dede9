#include "ui/common/translation.h"

#include <QCoreApplication>
#include <QTranslator>

void UseLanguageOf(const QLocale& locale) {
  static QTranslator english;
  QCoreApplication::removeTranslator(&english);
  if (locale.language() == QLocale::Korean) return;
  if (english.isEmpty() && !english.load(QStringLiteral(":/tavrix/translations/tavrix_en.qm"))) return;
  QCoreApplication::installTranslator(&english);
}

QString UiText(const char* source) { return QCoreApplication::translate("Tavrix", source); }

QString UiText(const QString& source) { return UiText(source.toUtf8().constData()); }
