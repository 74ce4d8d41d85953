#include "engine/EntryPath.h"

#include <algorithm>
#include <vector>

#include "support/StringUnit.h"

namespace ovk {

namespace {

const char kNoFileText[] = "the name names no file below the destination";

bool Climbs(const std::string& component) { return component == "." || component == ".."; }

std::vector<std::string> Split(const std::string& text, bool (*isSeparator)(char)) {
  std::vector<std::string> parts(1);
  for (const char c : text) {
    if (isSeparator(c)) parts.emplace_back();
    else parts.back() += c;
  }
  return parts;
}

EntryPath Refused(const std::string& reason) { return {EntryPathKind::kRefused, "", reason}; }

// Link targets are resolved by the kernel, which splits on "/" only.
bool IsSlash(char c) { return c == '/'; }

}  // namespace

EntryPath EntryPathOf(const std::string& storedName) {
  if (storedName.find('\0') != std::string::npos)
    return Refused("its name holds a NUL byte, which no file name can hold");
  const std::vector<std::string> parts = Split(storedName, IsPathSeparator);
  const bool folder = parts.back().empty();
  if (!folder && Climbs(parts.back())) return Refused(kNoFileText);
  std::string relative;
  bool climbed = false;
  for (const std::string& part : parts) {
    climbed = climbed || part == "..";
    if (part.empty() || Climbs(part)) continue;
    relative += (relative.empty() ? "" : "\\") + part;
  }
  if (!relative.empty()) return {folder ? EntryPathKind::kFolder : EntryPathKind::kFile, relative, ""};
  // "/" and "./" name the destination; "../" would name what holds it.
  return climbed ? Refused(kNoFileText) : EntryPath{EntryPathKind::kDestination, "", ""};
}

std::string LinkTargetRefusal(const std::string& linkRelative, const std::string& target) {
  const std::string named = "its link target " + target;
  if (target.empty()) return "its link target is empty";
  if (target.find('\0') != std::string::npos) return "its link target holds a NUL byte";
  if (target.size() > kLongestLinkTarget) return "its link target is too long for the file system";
  if (target.front() == '/') return named + " leads outside the destination";
  std::vector<std::string> folders = Split(linkRelative, IsPathSeparator);
  folders.pop_back();  // the link's own name
  bool namedAny = false;
  for (const std::string& part : Split(target, IsSlash)) {
    if (part.empty() || part == ".") continue;
    if (part != "..") {
      folders.push_back(part);
      namedAny = true;
    } else if (namedAny) {
      return named + " climbs back out of a folder it names, which may be another link";
    } else if (folders.empty()) {
      return named + " leads outside the destination";
    } else {
      folders.pop_back();
    }
  }
  return "";
}

EntryPath HardLinkTargetOf(const std::string& target) {
  const std::vector<std::string> parts = Split(target, IsPathSeparator);
  const bool climbs = std::find(parts.begin(), parts.end(), "..") != parts.end();
  if (target.empty() || IsPathSeparator(target.front()) || climbs)
    return Refused("its link target " + target + " leads outside the destination");
  EntryPath path = EntryPathOf(target);
  if (path.kind == EntryPathKind::kFile) return path;
  return Refused("its link target " + target + " names no file");
}

}  // namespace ovk
