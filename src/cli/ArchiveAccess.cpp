#include "cli/ArchiveAccess.h"

#include <algorithm>
#include <cerrno>
#include <exception>

#include "cli/TerminalProgress.h"
#include "engine/Archive.h"
#include "engine/EngineMessages.h"
#include "engine/format/Registry.h"
#include "engine/ListArchive.h"
#include "engine/RepairArchive.h"
#include "engine/Selection.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "support/Terminal.h"

namespace ovk::cli {

std::string ArchiveOpenError(const std::string& path) {
  if (path.empty()) return "no archive named";
  if (FolderExists(path)) return "cannot open archive " + path + ": it is a folder";
  DataFile file;
  IoError error = OpenExisting(file, path, Access::kRead);
  error.what = "open archive";
  return error ? error.Text() : "";
}

std::string ArchiveFormatError(const std::string& path) {
  FormatProblem problem;
  return Identify(path, problem) ? "" : path + ": " + problem.Text();
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


bool ListEntries(const ListRequest& request, ListResult& listed, std::string& error) {
  listed = ListArchive(request, SilentObserver());
  if (listed.openError) error = listed.openError.Text();
  else if (!listed.refusal.empty()) error = request.archive + ": " + listed.refusal;
  return error.empty();
}

std::string StoredNameOf(const std::string& name) { return ConvertPathSeparators(name, true); }

std::vector<std::string> BuildSelection(const Args& names) {
  std::vector<std::string> selection;
  for (const std::string& name : names) selection.push_back(StoredNameOf(name));
  return selection;
}

int CountMatchedNames(const std::string& archive, const Args& names, const std::string& password) {
  ListResult listed;
  std::string error;
  ListRequest request{archive};
  request.password = password;
  if (!ListEntries(request, listed, error)) {
    Warn(error);
    return -1;
  }
  std::vector<std::string> stored;
  for (const Entry& entry : listed.entries) stored.push_back(StoredNameOf(entry.name));
  const SelectionSet selection(BuildSelection(names), stored);
  for (const SelectionMiss& miss : selection.Misses()) {
    const std::string typed = ConvertPathSeparators(miss.item, false);
    Warn(miss.alike.empty() ? "no entry named " + typed + " in " + archive : typed + ": " + miss.Reason());
  }
  return static_cast<int>(names.size() - selection.Misses().size());
}

int GivenPassword(const ParsedOptions& options, std::string& password) {
  password = options.Last("-p");
  if (password != "-") return kExitOk;
  // An empty line would store entries unenciphered, or read none.
  if (ReadFirstInputLine(password) && !password.empty()) return kExitOk;
  return Fail(kExitUsage, "-p -: no password on standard input");
}

int AskPassword(const std::string& archive, std::string& password) {
  AskPasswordOnTerminal("Password for " + archive + ": ", password);
  if (Interrupted()) return Fail(kExitInterrupted, "stopped at the password prompt; nothing was done");
  return kExitOk;
}

int ResolvePassword(const ParsedOptions& options, const std::string& archive, std::string& password) {
  if (options.Has("-p")) return GivenPassword(options, password);
  password.clear();
  // A format that deciphers nothing is not walked for enciphered entries.
  if (ArchiveCannot(archive, Capability::kDecipher)) return kExitOk;
  ListResult listed;
  std::string error;
  if (!ListEntries(ListRequest{archive}, listed, error)) return kExitOk;
  // No password can open what cannot be decoded (strong encryption, say).
  const bool enciphered =
      std::any_of(listed.entries.begin(), listed.entries.end(), [](const Entry& e) { return e.encrypted && e.undecodable.empty(); });
  return enciphered || listed.locked ? AskPassword(archive, password) : kExitOk;
}

std::string PasswordOptionError(const ParsedOptions& options) {
  if (options.Has("-p") && options.Last("-p").empty()) return "the password of -p is empty";
  return "";
}

std::string SelectionNamesError(const Args& names) {
  for (const std::string& name : names) {
    if (name.empty()) return "an empty name cannot be selected";
  }
  return "";
}

}  // namespace ovk::cli
