// Folder listings: the entries of one folder that match a mask, sorted by
// name bytes so that the same tree always packs in the same order.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "support/FileUnit.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

bool NameMatches(const std::string& name, const std::string& mask) {
  return mask == "*.*" || MaskMatch(name, mask);  // "*.*" means every name, dot or not
}

// The kind of a name whose status (the link's target for a symbolic link)
// is st; brokenLink when the link leads nowhere.
EntryKind KindOf(const struct stat& st, bool brokenLink) {
  if (brokenLink) return EntryKind::kLink;
  if (S_ISDIR(st.st_mode)) return EntryKind::kFolder;
  return S_ISREG(st.st_mode) ? EntryKind::kRegular : EntryKind::kOther;
}

// Fills the entry from the next name that still exists; 0 or kNoMoreFiles.
int MatchNext(FolderEntry& entry) {
  while (entry.next < entry.names.size()) {
    const std::string& name = entry.names[entry.next++];
    const std::string path = entry.folder + name;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) continue;  // vanished since the folder was read
    bool brokenLink = false;
    entry.symbolicLink = S_ISLNK(st.st_mode);
    if (entry.symbolicLink) {
      struct stat target;
      if (stat(path.c_str(), &target) == 0) {
        st = target;
      } else {
        brokenLink = true;
      }
    }
    entry.name = name;
    entry.kind = KindOf(st, brokenLink);
    entry.size = entry.kind == EntryKind::kRegular ? static_cast<std::uint64_t>(st.st_size) : 0;
    entry.modified = static_cast<std::int64_t>(st.st_mtime);
    entry.mode = static_cast<std::uint32_t>(st.st_mode);
    entry.identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return 0;
  }
  return kNoMoreFiles;
}

}  // namespace

int ReadSymbolicLink(const std::string& path, std::string& target, std::int64_t& modified) {
  const std::string name = PlatformPath(path);
  struct stat st;
  if (lstat(name.c_str(), &st) != 0) return errno;
  if (!S_ISLNK(st.st_mode)) return EINVAL;
  modified = static_cast<std::int64_t>(st.st_mtime);
  std::string buffer(256, '\0');
  while (true) {
    const ssize_t n = readlink(name.c_str(), buffer.data(), buffer.size());
    if (n < 0) return errno;
    // A target that filled the buffer may have been cut: read it again in a larger one.
    if (static_cast<std::size_t>(n) < buffer.size()) {
      target.assign(buffer.data(), static_cast<std::size_t>(n));
      return 0;
    }
    buffer.resize(buffer.size() * 2);
  }
}

int FindFirstEntry(const std::string& pattern, FolderEntry& entry) {
  FindCloseEntry(entry);
  const std::string folder = PlatformPath(FolderPart(pattern));
  const std::string mask = NamePart(pattern);
  if (!mask.empty() && mask.find_first_of("*?") == std::string::npos) {
    // A mask without wildcards matches its own name only: looking that up
    // instead of reading the folder keeps adding n files of one folder
    // (each looks up its own time this way) from costing n folder reads.
    struct stat st;
    if (lstat((folder + mask).c_str(), &st) != 0) return errno;
    entry.names.push_back(mask);
  } else {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return errno;
    errno = 0;
    while (const dirent* d = readdir(dir)) {
      if (NameMatches(d->d_name, mask)) entry.names.emplace_back(d->d_name);
    }
    const int readError = errno;
    closedir(dir);
    if (readError != 0 || entry.names.empty()) {
      entry.names.clear();
      return readError != 0 ? readError : ENOENT;
    }
    std::sort(entry.names.begin(), entry.names.end());
  }
  entry.folder = folder;
  entry.open = true;
  const int code = MatchNext(entry);
  if (code != 0) FindCloseEntry(entry);
  return code;
}

int FindNextEntry(FolderEntry& entry) {
  if (!entry.open) return kNoMoreFiles;
  return MatchNext(entry);
}

void FindCloseEntry(FolderEntry& entry) {
  entry.names.clear();
  entry.folder.clear();
  entry.next = 0;
  entry.open = false;
}

}  // namespace ovk
