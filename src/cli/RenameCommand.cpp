// `ovk rename [-q] ARCHIVE OLD NEW`
#include "cli/ArchiveAccess.h"
#include "cli/Options.h"
#include "cli/TerminalProgress.h"
#include "engine/RenameInArchive.h"

namespace ovk::cli {

int RunRename(const Args& args) {
  ParsedOptions options;
  int status = kExitOk;
  if (!ParseCommandOptions(args, {{"-q", false}}, options, status)) return status;
  if (options.positional.size() != 3) return UsageError("rename needs an ARCHIVE, an OLD name and a NEW one");
  const std::string& archive = options.positional[0];
  if (const std::string openError = ArchiveOpenError(archive); !openError.empty()) return Fail(kExitFailed, openError);
  OperationReport report;
  {
    TerminalProgress progress(options.Has("-q"));
    report = RenameInArchive(RenameRequest{archive, {{options.positional[1], options.positional[2]}}}, progress);
  }
  for (const std::string& line : report.Lines()) Warn(line);
  if (report.cancelled) return Fail(kExitInterrupted, "rename stopped; the archive is unchanged");
  return report.failures.empty() ? kExitOk : kExitFailed;
}

}  // namespace ovk::cli
