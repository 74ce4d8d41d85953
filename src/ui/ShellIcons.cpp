#include "ui/ShellIcons.h"

#include <QApplication>
#include <QMimeDatabase>
#include <QStyle>
#include <exception>

namespace ovk {

int ImageList::Add(const QIcon& icon) {
  icons_.push_back(icon);
  return Count() - 1;
}

QIcon ImageList::Icon(int index) const {
  return index >= 0 && index < Count() ? icons_[static_cast<std::size_t>(index)] : QIcon();
}

QIcon FileTypeIcon(const QString& extension) {
  static const QMimeDatabase database;
  // A name with the extension stands for the file (no file is touched); the
  // extension alone would read as a hidden file without one.
  QMimeType type = database.mimeTypeForFile(QStringLiteral("entry") + extension, QMimeDatabase::MatchExtension);
  QIcon icon = QIcon::fromTheme(type.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
  if (icon.isNull()) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
  return icon;
}

int GetFileIcon(std::unique_ptr<IconCache>& cache, ImageList& images, const QString& extension) {
  if (!cache) cache = std::make_unique<IconCache>();
  auto found = cache->find(extension);
  if (found != cache->end()) return found->second;
  try {
    int index = images.Add(FileTypeIcon(extension));
    (*cache)[extension] = index;
    return index;
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace ovk
