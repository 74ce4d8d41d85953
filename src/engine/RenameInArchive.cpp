#include "engine/RenameInArchive.h"

#include <unordered_map>
#include <unordered_set>

#include "engine/Archive.h"
#include "engine/EntryPath.h"
#include "engine/RewriteArchive.h"

namespace ovk {

namespace {

constexpr RewriteKind kRenaming{Capability::kRename, "rename in it"};

bool IsFolderName(const std::string& name) { return !name.empty() && name.back() == '\\'; }

// Why the new name cannot be an entry's; empty when it can. Only a name
// extraction writes as it stands is taken: none that climbs, is absolute or
// has empty components.
std::string UnsafeReason(const std::string& name, bool folder) {
  if (name.empty() || name == "\\") return "the new name is empty";
  const EntryPath path = EntryPathOf(name);
  if (path.kind == EntryPathKind::kRefused) return "the new name " + ConvertPathSeparators(name, false) + ": " + path.refusal;
  if (path.relative + (folder ? "\\" : "") != name)
    return "the new name " + ConvertPathSeparators(name, false) + " would not be extracted as it stands";
  return {};
}

// The renames one pair asks for, added to renames; why not when it cannot.
std::string AddPair(const std::vector<std::string>& names, const std::unordered_set<std::string>& held,
                    std::string from, std::string to, std::unordered_map<std::string, std::string>& renames) {
  bool folder = IsFolderName(from);
  // A folder only implied by its entries' names may be named without the
  // trailing separator.
  if (!folder && held.count(from) == 0 && !from.empty()) {
    for (const std::string& name : names) folder = folder || name.rfind(from + "\\", 0) == 0;
    if (folder) from += '\\';
  }
  if (folder && !IsFolderName(to)) to += '\\';
  if (!folder && IsFolderName(to)) return "a file's new name cannot end in /";
  if (std::string unsafe = UnsafeReason(to, folder); !unsafe.empty()) return unsafe;
  bool found = false;
  for (const std::string& name : names) {
    if (folder ? name.rfind(from, 0) != 0 : name != from) continue;
    found = true;
    if (!renames.emplace(name, to + name.substr(from.size())).second)
      return ConvertPathSeparators(name, false) + " is renamed twice";
  }
  return found ? std::string() : SelectionMiss{ConvertPathSeparators(from, false), {}}.Reason();
}

// Every folder a name lies in, with its trailing separator.
void AddFolders(const std::string& name, std::unordered_set<std::string>& folders) {
  for (std::size_t cut = name.find('\\'); cut != std::string::npos && cut + 1 < name.size(); cut = name.find('\\', cut + 1))
    folders.insert(name.substr(0, cut + 1));
}

// Why a renamed entry's new name clashes with another entry's name, as
// renamed: the same name, a file where a folder is, or a folder where a
// file is. Empty when none does.
std::string Collision(const std::vector<std::string>& names, const RewriteChanges& changes) {
  std::unordered_map<std::string, std::size_t> count;
  std::unordered_set<std::string> folders;
  for (const std::string& name : names) {
    const std::string& now = changes.NewName(name);
    ++count[now];
    AddFolders(now, folders);
  }
  for (const auto& [from, to] : changes.renames) {
    const std::string shown = ConvertPathSeparators(to, false);
    if (count[to] > 1) return "the new name " + shown + " is taken by another entry";
    if (!IsFolderName(to) && folders.count(to + "\\") != 0) return "the new name " + shown + " is a folder's";
    std::unordered_set<std::string> above;
    AddFolders(to, above);
    for (const std::string& folder : above) {
      if (count.count(folder.substr(0, folder.size() - 1)) != 0)
        return "the new name " + shown + " lies in " + ConvertPathSeparators(folder, false) + ", which is a file";
    }
  }
  return {};
}

RewritePlanner Renaming(const std::vector<std::pair<std::string, std::string>>& pairs) {
  return [&pairs](const std::vector<std::string>& names, RewriteChanges& changes, OperationReport& report) {
    const std::unordered_set<std::string> held(names.begin(), names.end());
    bool refused = false;
    for (const auto& [from, to] : pairs) {
      const std::string why =
          AddPair(names, held, ConvertPathSeparators(from, true), ConvertPathSeparators(to, true), changes.renames);
      if (why.empty()) continue;
      report.Add(from, FailureKind::kRefused, why + "; the archive is unchanged");
      refused = true;
    }
    if (refused) return false;
    if (const std::string why = Collision(names, changes); !why.empty()) {
      report.Add("", FailureKind::kRefused, why + "; the archive is unchanged");
      return false;
    }
    return true;
  };
}

}  // namespace

OperationReport RenameInArchive(const RenameRequest& request, OperationObserver& observer) {
  return RewriteBeside(request.archive, kRenaming, Renaming(request.renames), observer);
}

}  // namespace ovk
