// `ovk add [-p PASSWORD] [--native] [--no-recurse] [-x MASK]... ARCHIVE SOURCE...`
#include <string>

#include "cli/ArchiveAccess.h"
#include "cli/Options.h"
#include "engine/AddToArchive.h"
#include "engine/EngineMessages.h"
#include "support/FileUnit.h"

namespace ovk::cli {

namespace {

struct AddChoices {
  std::string archive;
  std::string password;
  std::string exclusions;
  bool native = false;
  bool recurse = true;
};

// Exclusion masks joined for the engine; "/" in a path mask means "\".
std::string JoinMasks(const Args& masks) {
  std::string joined;
  for (const std::string& mask : masks) joined += (joined.empty() ? "" : ";") + StoredNameOf(mask);
  return joined;
}

bool HasWildcard(const std::string& path) {
  return path.find_first_of("*?") != std::string::npos;
}

// One AddToArchive call; true when it and every file of it succeeded. The
// engine's own messages are the failure lines; a failure it does not
// describe gets a line of ours.
bool AddSource(const AddChoices& choices, const std::string& source) {
  const bool isFolder = FolderExists(SetTrailingSeparator(source, true, false));
  const bool isFile = !isFolder && FileExistsByName(source);
  if (!isFolder && !isFile && !HasWildcard(source)) {
    Fail(kExitFailed, "no such file or folder: " + source);
    return false;
  }
  int messages = 0, tried = 0, failedFiles = 0;
  EngineMessageHook = [&](const std::string& text) {
    Warn(text);
    ++messages;
  };
  const ProgressCallback progress = [&](bool failed, const std::string&, const EntryHeader&,
                                        std::int32_t, std::uint32_t) {
    ++tried;
    if (failed) ++failedFiles;
  };
  // The engine appends when the archive exists once it holds the lock.
  const bool ok = AddToArchive(choices.archive, source, true, "",
                               choices.exclusions, choices.recurse, 0, 0, false, choices.password,
                               choices.native, kLevelDefault, false, progress, 0, true);
  EngineMessageHook = nullptr;
  if (messages > 0) return false;
  if (!ok || failedFiles > 0) {
    Fail(kExitFailed, "adding " + source + " to " + choices.archive + " failed");
    return false;
  }
  if (tried == 0 && !isFolder) {
    // A named file that the walk leaves out (hidden, or excluded) is no
    // failure, but the user learns why nothing came of it.
    if (isFile) {
      Warn("nothing added from " + source + " (hidden files and excluded names are left out)");
      return true;
    }
    Fail(kExitFailed, "no file matches " + source);
    return false;
  }
  return true;
}

}  // namespace

int RunAdd(const Args& args) {
  ParsedOptions options;
  int status = kExitOk;
  if (!ParseCommandOptions(args,
                           {{"-p", true}, {"--native", false}, {"--no-recurse", false}, {"-x", true}},
                           options, status))
    return status;
  if (options.positional.size() < 2) return UsageError("add needs an ARCHIVE and at least one SOURCE");
  AddChoices choices;
  choices.archive = options.positional[0];
  choices.password = options.Last("-p");
  choices.exclusions = JoinMasks(options.All("-x"));
  choices.native = options.Has("--native");
  choices.recurse = !options.Has("--no-recurse");
  bool allAdded = true;
  for (auto it = options.positional.begin() + 1; it != options.positional.end(); ++it)
    allAdded = AddSource(choices, *it) && allAdded;
  return allAdded ? kExitOk : kExitFailed;
}

}  // namespace ovk::cli
