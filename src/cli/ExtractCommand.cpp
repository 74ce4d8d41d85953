// `ovk extract [-p PASSWORD] [-d FOLDER] ARCHIVE [NAME ...]`
#include <cstdint>

#include "cli/ArchiveAccess.h"
#include "cli/Options.h"
#include "engine/ExtractFromArchive.h"
#include "support/FileUnit.h"

namespace ovk::cli {

namespace {

// One line per entry not written, then the status the worst of them implies.
int ReportFailures(const OperationReport& report) {
  for (const EntryFailure& failure : report.failures) {
    if (failure.kind == FailureKind::kNoPassword)
      Warn(failure.entry + ": enciphered; give the password with -p PASSWORD");
    else
      Warn(failure.entry.empty() ? failure.reason : failure.entry + ": " + failure.reason);
  }
  return report.ExitStatus();
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
  const int matched = names.empty() ? 0 : CountMatchedNames(archive, names);
  if (!names.empty() && matched <= 0) return kExitFailed;

  ExtractRequest request;
  request.archive = archive;
  request.destination = folder;
  request.selection = BuildSelection(names);
  request.password = options.Last("-p");
  const int failed = ReportFailures(ExtractFromArchive(request, SilentObserver()));
  if (failed != kExitOk) return failed;
  return matched == static_cast<int>(names.size()) ? kExitOk : kExitFailed;
}

}  // namespace ovk::cli
