#include "ui/Translations.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace ovk {

QStringList CatalogueFolders() {
  const QString bin = QCoreApplication::applicationDirPath();
  return {bin + QStringLiteral("/../share/ovkview/translations"), bin + QStringLiteral("/translations")};
}

bool InstallTranslations(QCoreApplication& app, const QLocale& locale, const QStringList& folders) {
  auto* toolkit = new QTranslator(&app);
  if (toolkit->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(toolkit);
  auto* own = new QTranslator(&app);
  for (const QString& folder : folders) {
    if (own->load(locale, QStringLiteral("ovkview"), QStringLiteral("_"), folder)) {
      app.installTranslator(own);
      return true;
    }
  }
  delete own;
  return false;
}

}  // namespace ovk
