// The desktop program: the pack switch runs before any window object (so it
// needs no display); otherwise the window with its two dialogs.
#include <QApplication>
#include <optional>
#include <string>
#include <vector>

#include "support/StringUnit.h"
#include "ui/CommandLine.h"
#include "ui/MainForm.h"
#include "ui/PackMode.h"
#include "ui/Translations.h"

namespace {

std::vector<std::string> Params(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && ovk::IsSwitchParam(argv[1]) && ovk::IsPackSwitch(ovk::ShortString(argv[1]))) {
    if (const std::optional<int> status = ovk::PackFromCommandLine(Params(argc, argv))) return *status;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ovkview"));
  QApplication::setApplicationDisplayName(QStringLiteral("OVK Viewer"));
  QGuiApplication::setDesktopFileName(QStringLiteral(OVK_APP_ID));
  ovk::InstallTranslations(app, QLocale(), ovk::CatalogueFolders());
  // The toolkit has taken its own options out of the parameters by now.
  ovk::TOVKForm form(Params(argc, argv));
  form.show();
  return app.exec();
}
