#include "engine/ExtractHere.h"

#include <array>
#include <cerrno>
#include <map>

#include "engine/Archive.h"
#include "engine/EntryPath.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

// "NAME (2)" up to this number before giving up.
constexpr int kMostFreshNames = 999;

// The first component of every entry that lands anywhere, each once, and
// whether it is a folder.
std::map<std::string, bool> TopLevelItems(const std::vector<Entry>& entries) {
  std::map<std::string, bool> items;
  for (const Entry& entry : entries) {
    const EntryPath path = EntryPathOf(ConvertPathSeparators(entry.name, true));
    if (path.kind != EntryPathKind::kFile && path.kind != EntryPathKind::kFolder) continue;
    const std::size_t cut = path.relative.find('\\');
    items[path.relative.substr(0, cut)] |= cut != std::string::npos || path.kind == EntryPathKind::kFolder;
  }
  return items;
}

// False only when nothing at all, not even a dangling link, has the path. A
// name with wildcards counts as taken: the lookup would read it as a mask.
bool NameTaken(const std::string& path) {
  if (NamePart(path).find_first_of("*?") != std::string::npos) return true;
  FolderEntry entry;
  const int code = FindFirstEntry(path, entry);
  FindCloseEntry(entry);
  return code != ENOENT;
}

// Makes folder + name, else "name (2)", "name (3)", ...: mkdir refuses any
// taken name, so two runs never share a folder.
bool MakeFreshFolder(const std::string& folder, const std::string& name, std::string& made, std::string& error) {
  for (int n = 1; n <= kMostFreshNames; ++n) {
    made = folder + (n == 1 ? name : name + " (" + std::to_string(n) + ")");
    if (CreateFolder(made)) return true;
    if (errno != EEXIST) {
      error = "cannot make the folder " + made + ": " + IoReasonText(errno);
      return false;
    }
  }
  error = "cannot make a folder for " + folder + name + ": every name up to (" + std::to_string(kMostFreshNames) +
          ") is taken";
  return false;
}

bool IsCompressionSuffix(const std::string& suffix) {
  static const std::array<const char*, 8> kSuffixes = {".gz", ".bz2", ".xz", ".zst", ".lzma", ".lz", ".lz4", ".z"};
  for (const char* known : kSuffixes) {
    if (LowerAscii(suffix) == known) return true;
  }
  return false;
}

// name without its last suffix, unless that suffix is the whole name.
bool CutSuffix(std::string& name, const std::string& suffix) {
  if (suffix.size() < 2 || suffix.size() >= name.size()) return false;
  name.erase(name.size() - suffix.size());
  return true;
}

}  // namespace

std::string FolderNameFor(const std::string& archive) {
  std::string name = NamePart(archive);
  const std::string suffix = ExtensionPart(name);
  if (CutSuffix(name, suffix) && IsCompressionSuffix(suffix) && LowerAscii(ExtensionPart(name)) == ".tar")
    CutSuffix(name, ExtensionPart(name));
  return name;
}

bool ChooseHerePlace(const std::string& archive, const std::vector<Entry>& entries, HerePlace& place,
                     std::string& error) {
  const std::string beside = FolderPart(archive);
  const std::map<std::string, bool> items = TopLevelItems(entries);
  if (items.size() == 1) {
    const auto& [name, isFolder] = *items.begin();
    place.destination = beside.empty() ? "." : beside;
    place.made = beside + name;
    // The folder made here is the run's own, so its content replaces nothing.
    if (isFolder && CreateFolder(place.made)) return true;
    if (!isFolder && !NameTaken(place.made)) {
      place.overwrite = false;
      return true;
    }
  }
  if (!MakeFreshFolder(beside, FolderNameFor(archive), place.made, error)) return false;
  place.destination = place.made;
  place.overwrite = true;
  return true;
}

std::string SuggestedDestination(const std::string& archivePath, const std::vector<Entry>& entries) {
  std::string folder = FolderPart(archivePath);
  if (folder.empty()) folder = "./";
  if (TopLevelItems(entries).size() == 1) return folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
  return folder + FolderNameFor(archivePath);
}

}  // namespace ovk
