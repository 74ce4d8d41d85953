// `ovk extract [-p PASSWORD] [-d FOLDER] [-q] ARCHIVE [NAME ...]` and
// `ovk test [-p PASSWORD] [-q] ARCHIVE [NAME ...]`
#include <cstdint>
#include <iostream>

#include "cli/ArchiveAccess.h"
#include "cli/Options.h"
#include "cli/TerminalProgress.h"
#include "engine/ExtractFromArchive.h"
#include "support/FileUnit.h"

namespace ovk::cli {

namespace {

// One line per entry not written, then the status the worst of them implies.
int ReportFailures(const OperationReport& report) {
  for (const EntryFailure& failure : report.failures) {
    if (failure.kind == FailureKind::kNoPassword)
      Warn(failure.entry + ": enciphered; give the password with -p PASSWORD (or -p - to read it from standard input)");
    else
      Warn(failure.entry.empty() ? failure.reason : failure.entry + ": " + failure.reason);
  }
  return report.ExitStatus();
}

// `ovk extract` and `ovk test` share everything but the writing.
int RunExtractOrTest(const Args& args, bool testOnly) {
  ParsedOptions options;
  int status = kExitOk;
  const bool parsed = testOnly ? ParseCommandOptions(args, {{"-p", true}, {"-q", false}}, options, status)
                               : ParseCommandOptions(args, {{"-p", true}, {"-d", true}, {"-q", false}}, options, status);
  if (!parsed) return status;
  const char* command = testOnly ? "test" : "extract";
  if (options.positional.empty()) return UsageError(std::string(command) + " needs an ARCHIVE");
  const std::string folder = options.Last("-d", ".");
  if (folder.empty()) return UsageError("the folder of -d is empty");
  const std::string archive = options.positional[0];
  const Args names(options.positional.begin() + 1, options.positional.end());
  const std::string namesError = SelectionNamesError(names);
  if (!namesError.empty()) return UsageError(namesError);
  if (const std::string error = PasswordOptionError(options); !error.empty()) return UsageError(error);

  const std::string openError = ArchiveOpenError(archive);
  if (!openError.empty()) return Fail(kExitFailed, openError);
  const std::string directoryError = MissingDirectoryError(archive);
  if (!directoryError.empty()) return Fail(kExitFailed, directoryError);
  const int matched = names.empty() ? 0 : CountMatchedNames(archive, names);
  if (!names.empty() && matched <= 0) return kExitFailed;

  ExtractRequest request;
  request.archive = archive;
  request.destination = folder;
  request.selection = BuildSelection(names);
  if ((status = ResolvePassword(options, archive, request.password)) != kExitOk) return status;
  request.testOnly = testOnly;
  OperationReport report;
  {
    TerminalProgress progress(options.Has("-q"));
    report = ExtractFromArchive(request, progress);
  }
  const int failed = ReportFailures(report);
  if (testOnly)
    std::cout << archive << ": " << report.entriesDone << (report.entriesDone == 1 ? " entry" : " entries")
              << " verified, " << report.failures.size() << " failed" << (report.cancelled ? ", stopped" : "") << '\n';
  if (report.cancelled) return Fail(kExitInterrupted, std::string(command) + " stopped; " +
                                                          std::to_string(report.entriesDone) +
                                                          (testOnly ? " entries verified" : " files written whole"));
  if (failed != kExitOk) return failed;
  return matched == static_cast<int>(names.size()) ? kExitOk : kExitFailed;
}

}  // namespace

int RunExtract(const Args& args) { return RunExtractOrTest(args, false); }

int RunTest(const Args& args) { return RunExtractOrTest(args, true); }

}  // namespace ovk::cli
