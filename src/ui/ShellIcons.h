// Small file-type icons by extension, looked up once per extension and
// listing.
#pragma once

#include <QIcon>
#include <QString>
#include <map>
#include <memory>
#include <vector>

namespace ovk {

// The window's image list: rows refer to icons by index.
class ImageList {
 public:
  int Add(const QIcon& icon);
  int Count() const { return static_cast<int>(icons_.size()); }
  // An empty icon for an index outside the list.
  QIcon Icon(int index) const;
  void Clear() { icons_.clear(); }

 private:
  std::vector<QIcon> icons_;
};

// Extension to image-list index.
using IconCache = std::map<QString, int>;

// The desktop's icon for a file type: the MIME type matched by the
// extension, its theme icon, then its generic icon, then the style's file
// icon.
QIcon FileTypeIcon(const QString& extension);

// The cache is created on first use. A failed lookup gives 0 and stores
// nothing.
int GetFileIcon(std::unique_ptr<IconCache>& cache, ImageList& images, const QString& extension);

}  // namespace ovk
