// `ovk extract [-p PASSWORD] [-d FOLDER] [-q] ARCHIVE [NAME ...]`,
// `ovk extract --here [-p PASSWORD] [-q] ARCHIVE...` and
// `ovk test [-p PASSWORD] [-q] ARCHIVE [NAME ...]`
#include <cstdint>
#include <iostream>

#include "cli/ArchiveAccess.h"
#include "cli/Escape.h"
#include "cli/Options.h"
#include "cli/TerminalProgress.h"
#include "engine/ExtractFromArchive.h"
#include "engine/ExtractHere.h"
#include "support/FileUnit.h"

namespace ovk::cli {

namespace {

// One line per entry not written, then the status the worst of them implies.
int ReportFailures(const OperationReport& report) {
  for (const EntryFailure& failure : report.failures) {
    if (failure.kind == FailureKind::kNoPassword)
      Warn((failure.entry.empty() ? "its list of entries is enciphered" : failure.entry + ": enciphered") +
           "; give the password with -p PASSWORD (or -p - to read it from standard input)");
    else
      Warn(failure.entry.empty() ? failure.reason : failure.entry + ": " + failure.reason);
  }
  return report.ExitStatus();
}

// kExitOk when the archive can be read, else the failure (reported).
int CheckReadable(const std::string& archive) {
  const std::string openError = ArchiveOpenError(archive);
  if (!openError.empty()) return Fail(kExitFailed, openError);
  const std::string directoryError = MissingDirectoryError(archive);
  if (!directoryError.empty()) return Fail(kExitFailed, directoryError);
  return kExitOk;
}

// Extracts into folder (or only tests) the named entries, or every one, of
// an archive CheckReadable accepted; the exit status.
int ExtractReadable(const std::string& archive, const std::string& folder, bool overwrite, const Args& names,
                    const ParsedOptions& options, bool testOnly) {
  ExtractRequest request;
  if (const int status = ResolvePassword(options, archive, request.password); status != kExitOk) return status;
  const int matched = names.empty() ? 0 : CountMatchedNames(archive, names, request.password);
  if (!names.empty() && matched <= 0) return kExitFailed;
  request.archive = archive;
  request.destination = folder;
  request.overwrite = overwrite;
  request.selection = BuildSelection(names);
  request.testOnly = testOnly;
  request.keepFolders = !options.Has("-j") && !options.Has("--junk-paths");
  OperationReport report;
  {
    TerminalProgress progress(options.Has("-q"));
    report = ExtractFromArchive(request, progress);
  }
  const int failed = ReportFailures(report);
  if (testOnly)
    std::cout << archive << ": " << report.entriesDone << (report.entriesDone == 1 ? " entry" : " entries")
              << " verified, " << report.failures.size() << " failed" << (report.cancelled ? ", stopped" : "") << '\n';
  if (report.cancelled) return Fail(kExitInterrupted, std::string(testOnly ? "test" : "extract") + " stopped; " +
                                                          std::to_string(report.entriesDone) +
                                                          (testOnly ? " entries verified" : " files written whole"));
  if (failed != kExitOk) return failed;
  return matched == static_cast<int>(names.size()) ? kExitOk : kExitFailed;
}

// Of two archives' statuses the one to exit with: a usage error, then the
// engine's order (failed check, missing password, other failure).
int WorseStatus(int a, int b) {
  const auto rank = [](int status) {
    switch (status) {
      case kExitOk: return 0;
      case kExitFailed: return 1;
      case kExitNoPassword: return 2;
      case kExitCheckFailed: return 3;
      default: return 4;
    }
  };
  return rank(b) > rank(a) ? b : a;
}

// `extract --here`: each archive beside itself, the first Ctrl-C ending the
// run. "-p -" is read once for all of them.
int ExtractHere(const ParsedOptions& options) {
  if (options.Has("-d")) return UsageError("--here and -d cannot be given together");
  if (options.Has("-j") || options.Has("--junk-paths")) return UsageError("--here and -j cannot be given together");
  if (options.positional.empty()) return UsageError("extract --here needs an ARCHIVE");
  ParsedOptions shared = options;
  if (options.Last("-p") == "-") {
    std::string password;
    if (const int status = ResolvePassword(options, "", password); status != kExitOk) return status;
    shared.given["-p"] = {password};
  }
  int worst = kExitOk;
  for (const std::string& archive : options.positional) {
    int status = CheckReadable(archive);
    HerePlace place;
    std::string error;
    ListResult listed;
    ListRequest listing{archive};
    listing.password = shared.Last("-p");
    if (status == kExitOk && !(ListEntries(listing, listed, error) &&
                               ChooseHerePlace(archive, listed.entries, place, error)))
      status = Fail(kExitFailed, error);
    if (status == kExitOk) {
      status = ExtractReadable(archive, place.destination, place.overwrite, {}, shared, false);
      std::cout << EscapeControls(archive) << ": extracted to " << EscapeControls(place.made) << '\n';
    }
    if (status == kExitInterrupted) return status;
    worst = WorseStatus(worst, status);
  }
  return worst;
}

// `ovk extract` and `ovk test` share everything but the writing.
int RunExtractOrTest(const Args& args, bool testOnly) {
  ParsedOptions options;
  int status = kExitOk;
  const bool parsed =
      testOnly ? ParseCommandOptions(args, {{"-p", true}, {"-q", false}}, options, status)
               : ParseCommandOptions(args, {{"-p", true}, {"-d", true}, {"-q", false}, {"--here", false}, {"-j", false}, {"--junk-paths", false}}, options,
                                     status);
  if (!parsed) return status;
  if (const std::string error = PasswordOptionError(options); !error.empty()) return UsageError(error);
  if (options.Has("--here")) return ExtractHere(options);
  const char* command = testOnly ? "test" : "extract";
  if (options.positional.empty()) return UsageError(std::string(command) + " needs an ARCHIVE");
  const std::string folder = options.Last("-d", ".");
  if (folder.empty()) return UsageError("the folder of -d is empty");
  const std::string archive = options.positional[0];
  const Args names(options.positional.begin() + 1, options.positional.end());
  if (const std::string error = SelectionNamesError(names); !error.empty()) return UsageError(error);
  if ((status = CheckReadable(archive)) != kExitOk) return status;
  return ExtractReadable(archive, folder, true, names, options, testOnly);
}

}  // namespace

int RunExtract(const Args& args) { return RunExtractOrTest(args, false); }

int RunTest(const Args& args) { return RunExtractOrTest(args, true); }

}  // namespace ovk::cli
