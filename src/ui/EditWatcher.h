// Watches entries the window extracted for the user to edit, and tells
// when one was saved, so the window can offer to write it back. Editors
// save in place or by writing a new file and renaming it over the old one;
// both count, and the burst of changes one save makes is reported once.
#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>

namespace ovk {

class EditWatcher : public QObject {
  Q_OBJECT
 public:
  explicit EditWatcher(QObject* parent = nullptr);

  // path: the extracted file, already written in full; what it holds now
  // is the unsaved state. Forget a file before writing it again.
  void Watch(const QString& entryName, const QString& path);
  void Forget(const QString& path);
  void Clear();

 signals:
  void Saved(const QString& entryName, const QString& path);

 private:
  // What tells one version of a file from the next: a rename-over gives a
  // new inode, a write in place a new time or size.
  struct Stamp {
    bool exists = false;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const Stamp&) const = default;
  };
  struct Watched {
    QString entryName;
    Stamp stamp;
  };
  static Stamp StampOf(const QString& path);
  static QString FolderOf(const QString& path);
  bool FolderStillNeeded(const QString& folder) const;
  void ReportSaves();

  QFileSystemWatcher watcher_;
  QTimer settle_;
  QHash<QString, Watched> watched_;
};

}  // namespace ovk
