#include "ui/Translations.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace ovk {

QStringList CatalogueFolders() {
  const QString bin = QCoreApplication::applicationDirPath();
  return {bin + QStringLiteral("/../share/ovkview/translations"), bin + QStringLiteral("/translations")};
}

bool InstallTranslations(QCoreApplication& app, const QLocale& locale, const QStringList& folders) {
  auto* own = new QTranslator(&app);
  for (const QString& folder : folders) {
    if (!own->load(locale, QStringLiteral("ovkview"), QStringLiteral("_"), folder)) continue;
    app.installTranslator(own);
    // The toolkit speaks the language ours was found in, so that a window
    // never mixes two languages.
    auto* toolkit = new QTranslator(&app);
    if (toolkit->load(QLocale(own->language()), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
      app.installTranslator(toolkit);
    else
      delete toolkit;
    return true;
  }
  delete own;
  return false;
}

}  // namespace ovk
