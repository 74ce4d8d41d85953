#include "cli/ArchiveAccess.h"

#include <algorithm>
#include <cerrno>
#include <exception>

#include "engine/Archive.h"
#include "engine/ListArchive.h"
#include "engine/RepairArchive.h"
#include "engine/Selection.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "support/Terminal.h"

namespace ovk::cli {

std::string ArchiveOpenError(const std::string& path) {
  const std::string prefix = "cannot open archive " + path + ": ";
  if (path.empty()) return "no archive named";
  if (FolderExists(path)) return prefix + "it is a folder";
  DataFile file;
  AssignFileName(file, path);
  FileOpenMode = 0;
  PendingIoError();
  OpenExisting(file);
  const int code = PendingIoError();
  if (code != 0) return prefix + IoReasonText(code);
  return "";
}

std::string ArchiveWriteError(const std::string& path) {
  const int code = WriteAccessError(path);
  if (code == 0) return "";
  return code == EACCES ? "the archive file is read-only for this user" : IoReasonText(code);
}

std::string MissingDirectoryError(const std::string& path) {
  if (!DirectoryLostByAdd(path)) return "";
  return path + ": " + kDirectoryLostText + "; run `ovk repair " + path +
         "` to rebuild it";
}


bool ListEntries(const std::string& path, std::vector<ListedEntry>& entries, std::string& error,
                 std::vector<std::string>* problems) {
  ListResult result = ListArchive(ListRequest{path}, SilentObserver());
  if (!result.opened) {
    error = "cannot open archive " + path;
    return false;
  }
  entries = std::move(result.entries);
  if (problems) *problems = std::move(result.problems);
  return true;
}

std::string StoredNameOf(const std::string& typed) { return ReplaceAll(typed, "/", "\\"); }

std::string BuildSelection(const Args& names) {
  std::string selection;
  for (const std::string& name : names) selection += StoredNameOf(name) + ";";
  return selection;
}

Args UnmatchedNames(const std::vector<ListedEntry>& entries, const Args& names) {
  Args unmatched;
  for (const std::string& name : names) {
    const SelectionSet one(StoredNameOf(name));
    const bool found = std::any_of(entries.begin(), entries.end(),
                                   [&](const ListedEntry& e) { return one.Contains(e.name); });
    if (!found) unmatched.push_back(name);
  }
  return unmatched;
}

int CountMatchedNames(const std::string& archive, const Args& names) {
  std::vector<ListedEntry> entries;
  std::string error;
  if (!ListEntries(archive, entries, error)) {
    Warn(error);
    return -1;
  }
  const Args unmatched = UnmatchedNames(entries, names);
  for (const std::string& name : unmatched) Warn("no entry named " + name + " in " + archive);
  return static_cast<int>(names.size() - unmatched.size());
}

bool ResolvePassword(const ParsedOptions& options, const std::string& archive, std::string& password) {
  password = options.Last("-p");
  if (options.Has("-p")) {
    if (password != "-") return true;
    if (ReadFirstInputLine(password)) return true;
    Warn("-p -: no password on standard input");
    return false;
  }
  std::vector<ListedEntry> entries;
  std::string error;
  if (!ListEntries(archive, entries, error)) return true;
  const bool enciphered = std::any_of(entries.begin(), entries.end(), [](const ListedEntry& e) { return e.encrypted; });
  if (enciphered) AskPasswordOnTerminal("Password for " + archive + ": ", password);
  return true;
}

std::string SelectionNamesError(const Args& names) {
  for (const std::string& name : names) {
    if (name.find(';') != std::string::npos)
      return "the name '" + name + "' holds ';', which cannot be selected";
    if (Trim(name).empty()) return "an empty name cannot be selected";
  }
  return "";
}

}  // namespace ovk::cli
