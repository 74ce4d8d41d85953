// The folder walk of adding: which files and folders are taken, depth first
// in listing order.
#include <algorithm>
#include <string>

#include "engine/AddSession.h"
#include "support/DosTime.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

// Ends a listing however the walk leaves it.
class ListingGuard {
 public:
  explicit ListingGuard(FolderEntry& entry) : entry_(entry) {}
  ~ListingGuard() { FindCloseEntry(entry_); }
  ListingGuard(const ListingGuard&) = delete;
  ListingGuard& operator=(const ListingGuard&) = delete;

 private:
  FolderEntry& entry_;
};

bool OnWalkPath(const AddSession& s, const FileIdentity& identity) {
  return std::find(s.walkPath.begin(), s.walkPath.end(), identity) != s.walkPath.end();
}

bool Excluded(const AddSession& s, const std::string& relative, const std::string& name) {
  for (const std::string& mask : s.exclusions) {
    const bool pathMask = mask.find('\\') != std::string::npos;
    if (MaskMatch(LowerAscii(pathMask ? relative + name : name), mask)) return true;
  }
  return false;
}

bool WithinAgeLimit(const AddSession& s, std::uint32_t time) {
  if (s.ageInDays == 0) return true;
  const auto fileTime = static_cast<std::int32_t>(time);
  const auto limit = static_cast<std::int32_t>(s.ageLimit);
  return s.ageInDays > 0 ? fileTime >= limit : fileTime <= limit;
}

// The filters a file that matches the mask still has to pass.
bool FileWanted(const AddSession& s, const std::string& relative, const FolderEntry& entry) {
  // FIFOs, sockets and devices are never opened: a read could block or never end.
  if (entry.kind == EntryKind::kLink || entry.kind == EntryKind::kOther) return false;
  if (Excluded(s, relative, entry.name)) return false;
  if (s.maximumSize > 0 && entry.size > static_cast<std::uint64_t>(s.maximumSize)) return false;
  if (!WithinAgeLimit(s, UnixToDosTime(static_cast<std::time_t>(entry.modified)))) return false;
  // Packing the archive into itself would store a partial copy of it, and
  // the archive a whole new one replaces an outdated one.
  for (const FileIdentity& archive : {s.archiveIdentity, s.replacedIdentity}) {
    if (!(archive == FileIdentity{}) && entry.identity == archive) return false;
  }
  return true;
}

void WalkSubfolder(AddSession& s, const std::string& base, const std::string& relative,
                   const std::string& mask, const FolderEntry& entry) {
  if (entry.name == "." || entry.name == "..") return;
  if (!s.recurse) return;
  // A link to nothing, or a folder the user left out (`-x '.*'` leaves out
  // the dot-folders as it does the dot-files).
  if (entry.kind == EntryKind::kLink || Excluded(s, relative, entry.name)) return;
  // A link back into a folder being walked would never end.
  if (OnWalkPath(s, entry.identity)) return;
  // A whole archive keeps the folders of a full walk, empty ones too; a
  // walk under a mask takes only what matches.
  if (s.whole && !s.counting && mask.empty()) AddWholeFolder(s, s.prefix + relative + entry.name + "\\", entry);
  s.walkPath.push_back(entry.identity);
  AddFolderFiles(s, base, relative + entry.name + "\\", mask);
  s.walkPath.pop_back();
}

// A whole archive stores a symbolic link as the link, as tar does, whatever
// it leads to.
void AddLink(AddSession& s, const std::string& base, const std::string& relative, const std::string& mask,
             const FolderEntry& entry) {
  if (!mask.empty() && !MaskMatch(entry.name, mask)) return;
  ++s.matched;
  if (Excluded(s, relative, entry.name)) return;
  if (s.counting) {
    ++s.progress.entriesTotal;
  } else {
    AddWholeLink(s, base + relative + entry.name, s.prefix + relative + entry.name);
  }
}

}  // namespace

void AddFolderFiles(AddSession& s, const std::string& base, const std::string& relative,
                    const std::string& mask) {
  FolderEntry entry;
  if (FindFirstEntry(base + relative + "*.*", entry) != 0) return;
  ListingGuard guard(entry);
  do {
    if (s.whole && entry.symbolicLink) {
      AddLink(s, base, relative, mask, entry);
      continue;
    }
    if (entry.kind == EntryKind::kFolder) {
      WalkSubfolder(s, base, relative, mask, entry);
      continue;
    }
    if (!mask.empty() && !MaskMatch(entry.name, mask)) continue;
    ++s.matched;
    if (!FileWanted(s, relative, entry)) continue;
    if (s.counting) {
      s.progress.bytesTotal += entry.size;
      ++s.progress.entriesTotal;
    } else {
      AddOneFile(s, base + relative + entry.name, s.prefix + relative + entry.name);
    }
  } while (FindNextEntry(entry) == 0);
}

}  // namespace ovk
