// `ovk add [-p PASSWORD [--aes]] [--native | --format NAME] [--no-recurse] [-x MASK]... [-q] ARCHIVE SOURCE...`
#include <string>

#include "cli/ArchiveAccess.h"
#include "cli/Options.h"
#include "cli/TerminalProgress.h"
#include "engine/AddFolderEntry.h"
#include "engine/AddToArchive.h"
#include "support/FileUnit.h"

namespace ovk::cli {

namespace {

// Exclusion masks joined for the engine; "/" in a path mask means "\".
std::string JoinMasks(const Args& masks) {
  std::string joined;
  for (const std::string& mask : masks) joined += (joined.empty() ? "" : ";") + StoredNameOf(mask);
  return joined;
}

bool HasWildcard(const std::string& path) {
  return path.find_first_of("*?") != std::string::npos;
}

// `add --folder NAME... ARCHIVE`: each NAME an empty folder entry.
int AddFolders(const ParsedOptions& options) {
  if (options.positional.size() != 1) return UsageError("add --folder needs exactly one ARCHIVE and no SOURCE");
  int worst = kExitOk;
  for (const std::string& folder : options.All("--folder")) {
    OperationReport report;
    {
      TerminalProgress progress(options.Has("-q"));
      report = AddFolderEntry(options.positional[0], folder, progress);
    }
    for (const std::string& line : report.Lines()) Warn(line);
    if (report.cancelled) return Fail(kExitInterrupted, "add stopped; the archive is as it was");
    if (!report.failures.empty()) worst = kExitFailed;
  }
  return worst;
}

}  // namespace

// Every source that exists goes to the engine in one call (so no other
// writer's entries land between them); a missing one is reported here.
int RunAdd(const Args& args) {
  ParsedOptions options;
  int status = kExitOk;
  if (!ParseCommandOptions(args,
                           {{"-p", true}, {"--aes", false}, {"--native", false}, {"--format", true}, {"--no-recurse", false}, {"-x", true}, {"-q", false},
                            {"--folder", true}},
                           options, status))
    return status;
  if (options.Has("--folder")) return AddFolders(options);
  if (options.positional.size() < 2) return UsageError("add needs an ARCHIVE and at least one SOURCE");
  AddRequest request;
  request.archive = options.positional[0];
  if (const std::string error = PasswordOptionError(options); !error.empty()) return UsageError(error);
  if (options.Has("-p") && (status = ResolvePassword(options, request.archive, request.password)) != kExitOk)
    return status;
  request.aes = options.Has("--aes");
  if (request.aes && request.password.empty()) return UsageError("--aes needs a password (-p)");
  request.exclusions = JoinMasks(options.All("-x"));
  request.createNative = options.Has("--native");
  if (options.Has("--format")) request.format = options.All("--format").back();
  if (request.createNative && !request.format.empty()) return UsageError("--native and --format cannot be given together");
  request.recurse = !options.Has("--no-recurse");
  bool allFound = true;
  for (auto it = options.positional.begin() + 1; it != options.positional.end(); ++it) {
    const bool exists = FolderExists(SetTrailingSeparator(*it, true, false)) || FileExistsByName(*it);
    if (exists || HasWildcard(*it)) {
      request.sources.push_back(*it);
    } else {
      Warn("no such file or folder: " + *it);
      allFound = false;
    }
  }
  if (request.sources.empty()) return kExitFailed;
  OperationReport report;
  {
    TerminalProgress progress(options.Has("-q"));
    report = AddToArchive(request, progress);
  }
  for (const std::string& line : report.Lines()) Warn(line);
  for (const std::string& note : report.notes) Warn(note);
  if (report.cancelled) return Fail(kExitInterrupted, "add stopped; the archive is as it was");
  return allFound && report.failures.empty() ? kExitOk : kExitFailed;
}

}  // namespace ovk::cli
