// What an entry's stored name means on disk, decided in one place for every
// container and every caller (extract, test, list, the window's View and
// drag-out): the path below the destination it is written to, or why it is
// written nowhere. Also where a symbolic link's target leads.
#pragma once

#include <cstdint>
#include <string>

namespace ovk {

enum class EntryPathKind : std::uint8_t {
  kFile,         // a file (or link) at relative
  kFolder,       // a folder at relative
  kDestination,  // a folder entry naming the destination itself: nothing to do
  kRefused,      // written nowhere, for the reason given
};

struct EntryPath {
  EntryPathKind kind = EntryPathKind::kRefused;
  // "\" between components, none of them empty, "." or "..", none holding a
  // NUL: exactly the bytes the system calls get. Empty unless kFile/kFolder.
  std::string relative;
  std::string refusal;  // why, for kRefused
};

// Empty, "." and ".." components and a leading separator are dropped, so
// "./docs/a.txt" lands as "docs/a.txt"; a name holding NUL, and a file entry
// whose own name is "." or "..", are refused.
EntryPath EntryPathOf(const std::string& storedName);

// The longest target a link may have.
constexpr std::uint64_t kLongestLinkTarget = 4095;

// Empty when a link at linkRelative (as EntryPathOf gives it) pointing at
// target stays inside the destination, resolved by its text from the link's
// folder; else why not. A target that climbs back out of a folder it named
// is refused too: that folder may be another link, which moves the climb.
std::string LinkTargetRefusal(const std::string& linkRelative, const std::string& target);

// The file below the destination a hard link's target (the stored name of
// an earlier entry) names, in relative; else why none, in refusal. A target
// that is absolute or climbs ("..") is refused: it would name a file
// outside, whatever a stripped form of it names inside.
EntryPath HardLinkTargetOf(const std::string& target);

}  // namespace ovk
