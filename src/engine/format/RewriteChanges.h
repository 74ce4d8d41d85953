// What a rewrite of a whole archive changes on the way: entries left out,
// entries given new names, and the archive's comment.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/Selection.h"

namespace ovk {

struct RewriteChanges {
  SelectionSet without = SelectionSet({}, {});  // the entries left out
  // New stored names by old ones, "\" between folders (a folder's with a
  // trailing one), as Rewriter::Names gives them.
  std::unordered_map<std::string, std::string> renames;
  // Capability::kComment: the new comment; none: the comment is kept.
  std::optional<std::string> comment;
  // Capability::kFolderEntries: empty folders added behind the kept
  // entries ("\" between folders and at the end), made at folderTime
  // (seconds since 1970).
  std::vector<std::string> newFolders;
  std::int64_t folderTime = 0;
  // Names held by several entries whose earlier ones are left out, each
  // with how many of them are still to come in the archive's order.
  std::unordered_map<std::string, std::size_t> olderCopies;

  // Whether the entry of this stored name, the next in the archive's
  // order, is left out; counts the older copies off as they pass.
  bool LeavesOut(const std::string& storedName) {
    if (without.Contains(storedName)) return true;
    const auto older = olderCopies.find(storedName);
    if (older == olderCopies.end() || older->second == 0) return false;
    --older->second;
    return true;
  }

  // The name an entry of this stored name gets.
  const std::string& NewName(const std::string& storedName) const {
    const auto found = renames.find(storedName);
    return found == renames.end() ? storedName : found->second;
  }
};

}  // namespace ovk
