// `ovk repair ARCHIVE`
#include <string>

#include "cli/ArchiveAccess.h"
#include "cli/Options.h"
#include "cli/TerminalProgress.h"
#include "engine/RepairArchive.h"

namespace ovk::cli {

int RunRepair(const Args& args) {
  ParsedOptions options;
  int status = kExitOk;
  if (!ParseCommandOptions(args, {}, options, status)) return status;
  if (options.positional.size() != 1) return UsageError("repair needs exactly one ARCHIVE");
  const std::string& archive = options.positional[0];
  const std::string openError = ArchiveOpenError(archive);
  if (!openError.empty()) return Fail(kExitFailed, openError);
  if (const std::string formatError = ArchiveFormatError(archive); !formatError.empty())
    return Fail(kExitFailed, formatError + "; the archive is unchanged");
  std::string reason;
  RepairNotes notes;
  RepairOutcome outcome;
  {
    TerminalProgress progress(true);
    outcome = RepairArchive(archive, reason, notes, progress);
  }
  switch (outcome) {
    case RepairOutcome::kCancelled:
      return Fail(kExitInterrupted, "repair stopped; the archive is unchanged");
    case RepairOutcome::kRepaired:
      for (const std::string& line : notes.lines) Warn(archive + ": " + line);
      return notes.damaged ? kExitCheckFailed : kExitOk;
    case RepairOutcome::kIntact:
      Warn(archive + ": the archive's directory is intact; nothing to repair");
      return kExitOk;
    case RepairOutcome::kFailed:
      break;
  }
  return Fail(kExitFailed, "cannot repair " + archive + ": " + reason + "; the archive is unchanged");
}

}  // namespace ovk::cli
