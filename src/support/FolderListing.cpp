// Folder listings: the entries of one folder that match a mask, sorted by
// name bytes so that the same tree always packs in the same order.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "support/DosTime.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

bool NameMatches(const std::string& name, const std::string& mask) {
  return mask == "*.*" || MaskMatch(name, mask);  // "*.*" means every name, dot or not
}

// The attributes of one name as the listing reports them; the status is the
// link's target for symbolic links, the link itself when it is broken.
std::uint32_t AttributesOf(const std::string& name, const struct stat& st, bool brokenLink) {
  std::uint32_t attributes = 0;
  if (brokenLink) {
    attributes |= kAttrSystem;
  } else if (S_ISDIR(st.st_mode)) {
    attributes |= kAttrFolder;
  } else if (S_ISREG(st.st_mode)) {
    attributes |= kAttrArchive;
  } else {
    attributes |= kAttrSystem;  // FIFOs, sockets, devices: never opened for reading
  }
  if ((st.st_mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
  if (name.size() > 1 && name[0] == '.' && name != "..") attributes |= kAttrHidden;
  return attributes;
}

// Fills the entry from the next name that is not excluded; 0 or 18.
int MatchNext(FolderEntry& entry) {
  while (entry.next < entry.names.size()) {
    const std::string& name = entry.names[entry.next++];
    const std::string path = entry.folder + name;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) continue;  // vanished since the folder was read
    bool brokenLink = false;
    if (S_ISLNK(st.st_mode)) {
      struct stat target;
      if (stat(path.c_str(), &target) == 0) {
        st = target;
      } else {
        brokenLink = true;
      }
    }
    const std::uint32_t attributes = AttributesOf(name, st, brokenLink);
    if ((attributes & entry.excludedAttributes) != 0) continue;
    entry.time = UnixToDosTime(st.st_mtime);
    entry.size = S_ISREG(st.st_mode) && !brokenLink ? static_cast<std::uint64_t>(st.st_size) : 0;
    entry.attributes = attributes;
    entry.name = name;
    entry.identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return 0;
  }
  return kNoMoreFiles;
}

}  // namespace

int FindFirstEntry(const std::string& pattern, std::uint32_t wantedAttributes, FolderEntry& entry) {
  FindCloseEntry(entry);
  entry.excludedAttributes = ~wantedAttributes & 0x1E;
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
