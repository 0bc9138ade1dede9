// The windows in the user's language. Their source texts (English, with some Korean) are what a
// Korean locale sees; every other locale reads the English translation built into the program.
//
// Texts kept in constants are marked QT_TRANSLATE_NOOP("Tavrix", ...) and translated where they
// are shown, with UiText; texts of the windows' own code go through tr(). Window thread only.
#pragma once

#include <QLocale>
#include <QString>

// Installs the translation for `locale`, replacing one installed before.
// Windows made afterwards show it.
void UseLanguageOf(const QLocale& locale);

// A marked constant in the user's language.
QString UiText(const char* source);
// The same for a text handed over as a string (a state mark, a notice);
// a text that is no marked constant comes back as it was.
QString UiText(const QString& source);
