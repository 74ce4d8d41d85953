// `ovk list [--raw | --json] [-p PASSWORD] ARCHIVE`
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <vector>

#include "cli/ArchiveAccess.h"
#include "cli/Escape.h"
#include "cli/JsonListing.h"
#include "cli/Options.h"
#include "engine/ListArchive.h"
#include "support/DosTime.h"

namespace ovk::cli {

namespace {

// yyyy-mm-dd hh:nn in local time, or empty for no time or one outside the
// years 1980 to 2107.
std::string TimeText(std::int64_t modified) {
  DosFields f{};
  if (modified < 0 || !DecodeDosTime(UnixToDosTime(static_cast<std::time_t>(modified)), f)) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", f.year, f.month, f.day, f.hour,
                f.minute);
  return text;
}

std::string Row(const std::string& original, const std::string& packed, const std::string& time,
                char mark, const std::string& name) {
  char text[64];
  std::snprintf(text, sizeof text, "%12s  %12s  %-16s  %c ", original.c_str(), packed.c_str(),
                time.c_str(), mark);
  return text + name;
}

// A link shows where it leads ("?" when that needs the password); a hard
// link, the entry it shares its content with.
std::string ShownName(const Entry& entry) {
  const std::string name = EscapeControls(entry.name);
  if (entry.type == EntryType::kHardLink) return name + " => " + EscapeControls(entry.linkTarget);
  if (entry.type != EntryType::kSymbolicLink) return name;
  return name + " -> " + (entry.linkTarget.empty() ? "?" : EscapeControls(entry.linkTarget));
}

// Damaged entries on standard error; their presence makes the status 2.
int ReportProblems(const std::string& archive, const std::vector<std::string>& problems) {
  for (const std::string& problem : problems) Warn(archive + ": " + problem);
  return problems.empty() ? kExitOk : kExitCheckFailed;
}

void PrintRaw(const ListResult& listed) {
  for (const Entry& entry : listed.entries) std::cout << ListingLine(entry) << '\n';
}

void PrintTable(const ListResult& listed) {
  const std::vector<Entry>& entries = listed.entries;
  std::uint64_t originalSum = 0, packedSum = 0;
  bool anyEnciphered = false;
  std::cout << Row("Original", "Packed", "Time", ' ', "Name") << '\n'
            << Row("------------", "------------", "----------------", ' ', "----") << '\n';
  bool packedKnown = false;
  for (const Entry& e : entries) {
    // A format that does not tell what an entry spends shows "-", not 0.
    std::cout << Row(std::to_string(e.originalSize), e.packedKnown ? std::to_string(e.packedSize) : "-",
                     TimeText(e.modified), e.encrypted ? '*' : ' ', ShownName(e))
              << '\n';
    originalSum += e.originalSize;
    packedSum += e.packedSize;
    packedKnown = packedKnown || e.packedKnown;
    anyEnciphered = anyEnciphered || (e.encrypted && e.undecodable.empty());
  }
  const std::size_t n = entries.size();
  std::cout << Row("------------", "------------", "", ' ', "----") << '\n'
            << Row(std::to_string(originalSum), packedKnown || entries.empty() ? std::to_string(packedSum) : "-", "", ' ',
                   std::to_string(n) + (n == 1 ? " file" : " files"))
            << '\n';
  if (anyEnciphered) std::cout << "* enciphered: extracting needs the password\n";
}

}  // namespace

int RunList(const Args& args) {
  ParsedOptions options;
  int status = kExitOk;
  if (!ParseCommandOptions(args, {{"--raw", false}, {"--json", false}, {"-p", true}}, options, status)) return status;
  if (const std::string error = PasswordOptionError(options); !error.empty()) return UsageError(error);
  if (options.positional.size() != 1) return UsageError("list needs exactly one ARCHIVE");
  if (options.Has("--raw") && options.Has("--json")) return UsageError("--raw and --json exclude each other");
  const std::string& archive = options.positional[0];
  const std::string openError = ArchiveOpenError(archive);
  if (!openError.empty()) return Fail(kExitFailed, openError);
  const std::string directoryError = MissingDirectoryError(archive);
  if (!directoryError.empty()) return Fail(kExitFailed, directoryError);
  // Scripts reading the document see every entry, folders too.
  ListResult listed;
  std::string error;
  ListRequest request{archive, options.Has("--json")};
  if ((status = GivenPassword(options, request.password)) != kExitOk) return status;
  if (!ListEntries(request, listed, error)) return Fail(kExitFailed, error);
  // An enciphered list is asked for once, when no password came with -p.
  if (listed.locked && !options.Has("-p")) {
    if ((status = AskPassword(archive, request.password)) != kExitOk) return status;
    if (!request.password.empty() && !ListEntries(request, listed, error)) return Fail(kExitFailed, error);
  }
  // A list that stayed enciphered has nothing to show but why.
  if (listed.locked) {
    const int problems = ReportProblems(archive, listed.problems);
    return request.password.empty() ? kExitNoPassword : problems;
  }
  if (options.Has("--json")) std::cout << JsonListing(archive, listed);
  else if (options.Has("--raw")) PrintRaw(listed);
  else PrintTable(listed);
  std::cout.flush();
  return ReportProblems(archive, listed.problems);
}

}  // namespace ovk::cli
