// The About box (template about_dialog.ui) and the program icon it shows.
// The box runs through the Prompts seam like every other modal dialog.
#pragma once

#include <QIcon>
#include <QtGlobal>

class QWidget;

// The one program icon, from the application's compiled-in resources.
QIcon ProgramIcon();

inline constexpr const char* kAboutMenuText = QT_TRANSLATE_NOOP("Tavrix", "Tavrix 정보(&A)...");

// Modal; returns the dialog's result.
int ShowAboutBox(QWidget* parent);
