// Opens an archive in the window as `ovkview ARCHIVE` does and ends once the
// list is filled and sorted, so that the bench can time the window against
// `ovk list`. Prints when the first rows showed and when the list was full,
// in milliseconds from the start of main.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <string>

#include "ui/EntryModel.h"
#include "ui/MainForm.h"

int main(int argc, char** argv) {
  QElapsedTimer clock;
  clock.start();
  if (argc != 2) {
    std::fprintf(stderr, "usage: ovkwindowfill ARCHIVE\n");
    return 64;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ovkview"));
  ovk::TOVKForm form({argv[0]});
  form.show();
  qint64 firstRows = -1;
  QObject::connect(form.Controller().Model(), &QAbstractItemModel::rowsInserted, [&] {
    if (firstRows < 0) firstRows = clock.elapsed();
  });
  QTimer::singleShot(0, [&] {
    form.LoadArchive(argv[1], false);
    const int rows = form.Controller().Model()->rowCount();
    std::printf("rows %d, first rows at %lld ms, filled at %lld ms\n", rows, static_cast<long long>(firstRows),
                static_cast<long long>(clock.elapsed()));
    app.exit(rows > 0 ? 0 : 1);
  });
  return app.exec();
}
