// `ovk delete [-q] ARCHIVE NAME...`
#include <cstdint>
#include <string>

#include "cli/ArchiveAccess.h"
#include "cli/Options.h"
#include "cli/TerminalProgress.h"
#include "engine/DeleteFromArchive.h"
#include "engine/format/Registry.h"

namespace ovk::cli {

// Names that match no entry are reported and make the exit status 3; the
// entries that were named correctly are still deleted. When no name
// matches, the archive is not rewritten at all.
int RunDelete(const Args& args) {
  ParsedOptions options;
  int status = kExitOk;
  if (!ParseCommandOptions(args, {{"-q", false}}, options, status)) return status;
  if (options.positional.size() < 2) return UsageError("delete needs an ARCHIVE and at least one NAME");
  const std::string archive = options.positional[0];
  const Args names(options.positional.begin() + 1, options.positional.end());
  const std::string namesError = SelectionNamesError(names);
  if (!namesError.empty()) return UsageError(namesError);

  const std::string openError = ArchiveOpenError(archive);
  if (!openError.empty()) return Fail(kExitFailed, openError);
  if (const std::string formatError = ArchiveFormatError(archive); !formatError.empty())
    return Fail(kExitFailed, formatError);
  if (std::string refusal; !CapableFormat(archive, Capability::kDelete, refusal))
    return Fail(kExitFailed, "cannot delete from " + archive + ": " + refusal);
  const std::string writeError = ArchiveWriteError(archive);
  if (!writeError.empty()) return Fail(kExitFailed, "cannot delete from " + archive + ": " + writeError);
  OperationReport report;
  {
    TerminalProgress progress(options.Has("-q"));
    report = DeleteFromArchive(DeleteRequest{archive, BuildSelection(names)}, progress);
  }
  for (const std::string& line : report.Lines()) Warn(line);
  if (report.cancelled) return Fail(kExitInterrupted, "delete stopped; the archive is unchanged");
  return report.failures.empty() ? kExitOk : kExitFailed;
}

}  // namespace ovk::cli
