#include "ui/EditWatcher.h"

#include <QFileInfo>
#include <sys/stat.h>

#include <utility>
#include <vector>

namespace ovk {

namespace {

// Long enough to span the writes, truncation and renames of one save.
constexpr int kSettleMs = 300;

}  // namespace

EditWatcher::EditWatcher(QObject* parent) : QObject(parent) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  // Every event only restarts the wait; the files are compared once the
  // editor has gone quiet.
  auto restart = [this] { settle_.start(); };
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, restart);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, restart);
  connect(&settle_, &QTimer::timeout, this, &EditWatcher::ReportSaves);
}

EditWatcher::Stamp EditWatcher::StampOf(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return {};
  return {true, static_cast<std::uint64_t>(info.st_ino), static_cast<std::int64_t>(info.st_size),
          static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

QString EditWatcher::FolderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

void EditWatcher::Watch(const QString& entryName, const QString& path) {
  watched_.insert(path, {entryName, StampOf(path)});
  watcher_.addPath(path);
  // A file renamed over the watched one is a new file the watch does not
  // follow; its folder's change tells of it.
  const QString folder = FolderOf(path);
  if (!watcher_.directories().contains(folder)) watcher_.addPath(folder);
}

bool EditWatcher::FolderStillNeeded(const QString& folder) const {
  for (auto it = watched_.cbegin(); it != watched_.cend(); ++it)
    if (FolderOf(it.key()) == folder) return true;
  return false;
}

void EditWatcher::Forget(const QString& path) {
  if (!watched_.remove(path)) return;
  if (watcher_.files().contains(path)) watcher_.removePath(path);
  const QString folder = FolderOf(path);
  if (!FolderStillNeeded(folder) && watcher_.directories().contains(folder)) watcher_.removePath(folder);
}

void EditWatcher::Clear() {
  watched_.clear();
  settle_.stop();
  const QStringList paths = watcher_.files() + watcher_.directories();
  if (!paths.isEmpty()) watcher_.removePaths(paths);
}

void EditWatcher::ReportSaves() {
  const QStringList files = watcher_.files();
  // Told after the walk: a receiver may watch or forget files.
  std::vector<std::pair<QString, QString>> saves;
  for (auto it = watched_.begin(); it != watched_.end(); ++it) {
    const QString& path = it.key();
    const Stamp now = StampOf(path);
    // Missing: the editor is between deleting and renaming; its folder's
    // next change brings us back.
    if (!now.exists) continue;
    if (!files.contains(path)) watcher_.addPath(path);
    if (now == it->stamp) continue;
    it->stamp = now;
    saves.emplace_back(it->entryName, path);
  }
  for (const auto& [entryName, path] : saves) emit Saved(entryName, path);
}

}  // namespace ovk
