// The window's texts in the user's language: the program's own catalogue
// and the toolkit's (standard buttons, file dialogs), chosen from the
// languages the locale lists (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG).
#pragma once

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

namespace ovk {

// Where the program's catalogues lie: the share folder beside the installed
// program's bin folder, then the build's own translations folder.
QStringList CatalogueFolders();

// Installs both catalogues for the locale into the application, ours from
// the first folder that holds one of its languages and the toolkit's in the
// same language. False when none of ours was found: the texts stay English.
bool InstallTranslations(QCoreApplication& app, const QLocale& locale, const QStringList& folders);

}  // namespace ovk
