// `ovk comment ARCHIVE [TEXT | -]`
#include <iostream>
#include <iterator>

#include "cli/ArchiveAccess.h"
#include "cli/Escape.h"
#include "cli/Options.h"
#include "cli/TerminalProgress.h"
#include "engine/ArchiveComment.h"

namespace ovk::cli {

namespace {

// The archive's comment on standard output, control bytes escaped as
// every printed name is, with a line end unless it is empty.
int PrintComment(const std::string& archive) {
  ListResult listed;
  std::string error;
  if (!ListEntries(ListRequest{archive}, listed, error)) return Fail(kExitFailed, error);
  if (!listed.comment.empty()) std::cout << EscapeControls(listed.comment) << '\n';
  return kExitOk;
}

}  // namespace

int RunComment(const Args& args) {
  ParsedOptions options;
  int status = kExitOk;
  if (!ParseCommandOptions(args, {{"-q", false}}, options, status)) return status;
  if (options.positional.empty() || options.positional.size() > 2)
    return UsageError("comment needs an ARCHIVE and at most one TEXT");
  const std::string& archive = options.positional[0];
  if (const std::string openError = ArchiveOpenError(archive); !openError.empty()) return Fail(kExitFailed, openError);
  if (options.positional.size() == 1) return PrintComment(archive);
  std::string text = options.positional[1];
  if (text == "-") text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  OperationReport report;
  {
    TerminalProgress progress(options.Has("-q"));
    report = SetArchiveComment(archive, text, progress);
  }
  for (const std::string& line : report.Lines()) Warn(line);
  if (report.cancelled) return Fail(kExitInterrupted, "comment stopped; the archive is unchanged");
  return report.failures.empty() ? kExitOk : kExitFailed;
}

}  // namespace ovk::cli
