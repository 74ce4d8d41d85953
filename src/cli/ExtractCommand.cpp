// `ovk extract [-p PASSWORD] [-d FOLDER] ARCHIVE [NAME ...]`
#include <cstdint>

#include "cli/ArchiveAccess.h"
#include "cli/Options.h"
#include "engine/ExtractFromArchive.h"
#include "support/FileUnit.h"

namespace ovk::cli {

namespace {

// The window's own texts for the two codes it reports.
const char kNoPasswordText[] =
    "File protected by password. Specify password in the extract dialog.";
const char kCheckFailedText[] =
    "File extract checksum error. File probably corrupt or password incorrect.";

int ExtractFailure(std::int32_t code, const std::string& archive, const std::string& folder) {
  switch (code) {
    case kExtractNoPassword: return Fail(kExitNoPassword, kNoPasswordText);
    case kExtractCheckFailed: return Fail(kExitCheckFailed, kCheckFailedText);
    case kExtractOk:
      // Nothing was done: the folder could not be made or the archive opened.
      if (!FolderExists(folder)) return Fail(kExitFailed, "cannot create folder " + folder);
      return Fail(kExitFailed, "cannot open archive " + archive);
    default:
      return Fail(kExitFailed, "extracting from " + archive +
                                   " failed: read or write error (damaged archive or full disk?)");
  }
}

}  // namespace

int RunExtract(const Args& args) {
  ParsedOptions options;
  int status = kExitOk;
  if (!ParseCommandOptions(args, {{"-p", true}, {"-d", true}}, options, status)) return status;
  if (options.positional.empty()) return UsageError("extract needs an ARCHIVE");
  const std::string folder = options.Last("-d", ".");
  if (folder.empty()) return UsageError("the folder of -d is empty");
  const std::string archive = options.positional[0];
  const Args names(options.positional.begin() + 1, options.positional.end());
  const std::string namesError = SelectionNamesError(names);
  if (!namesError.empty()) return UsageError(namesError);

  const std::string openError = ArchiveOpenError(archive);
  if (!openError.empty()) return Fail(kExitFailed, openError);
  const std::string directoryError = MissingDirectoryError(archive);
  if (!directoryError.empty()) return Fail(kExitFailed, directoryError);
  const int matched = names.empty() ? 0 : CountMatchedNames(archive, names);
  if (!names.empty() && matched <= 0) return kExitFailed;

  std::int32_t code = kExtractOk;
  if (!ExtractFromArchive(archive, folder, code, true, "", BuildSelection(names),
                          options.Last("-p"), true))
    return ExtractFailure(code, archive, folder);
  return matched == static_cast<int>(names.size()) ? kExitOk : kExitFailed;
}

}  // namespace ovk::cli
