// Adding one source item to a new or existing archive.
#include "engine/AddToArchive.h"

#include <cerrno>
#include <exception>
#include <string>

#include "engine/AddSession.h"
#include "engine/Archive.h"
#include "engine/EngineMessages.h"
#include "engine/RepairArchive.h"
#include "engine/format/Registry.h"
#include "support/ArchiveLock.h"
#include "support/DosTime.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Exclusion masks are compared lower-cased; "/" is taken as the folder
// separator too, like everywhere else in the system.
std::vector<std::string> ExclusionMasks(const std::string& exclusions) {
  if (exclusions.empty()) return {};
  return SplitList(LowerAscii(ReplaceAll(exclusions, "/", "\\")), ';');
}

// Now minus |days| days, as a DOS date-time.
std::uint32_t AgeLimit(std::int32_t days) {
  const std::int64_t span = (days < 0 ? -static_cast<std::int64_t>(days) : days) * kSecondsPerDay;
  return UnixToDosTime(DosToUnixTime(DosTimeNow()) - static_cast<std::time_t>(span));
}

bool IsEmptyFile(const std::string& path) {
  FolderEntry entry;
  const bool empty = FindFirstEntry(path, entry) == 0 && entry.size == 0;
  FindCloseEntry(entry);
  return empty;
}

void EnsureArchiveFolder(const std::string& archivePath) {
  const std::string folder = FolderPart(archivePath);
  if (!folder.empty()) ForceFolders(folder);
}

// Opens the locked archive; an empty file (one the lock has just made, or
// one a killed creator left) starts a new archive.
bool OpenArchive(AddSession& s, const std::string& archivePath, bool& append) {
  const int code = OpenExisting(s.archive, archivePath, Access::kReadWrite).code;
  if (code != 0) {
    s.report->Add(archivePath, FailureKind::kNotWritten, "cannot be opened for writing: " + OpenFailureText(code));
    return false;
  }
  if (FileSize64(s.archive) == 0) append = false;
  if (!append) TruncateDataFile(s.archive, 0);
  return true;
}

// A password for a format that cannot carry one is refused before anything
// is written, rather than the entries stored in the clear.
bool PasswordFits(const Format& format, const AddRequest& request, OperationReport& report) {
  if (request.password.empty() || format.Can(Capability::kPasswords)) return true;
  report.Add(request.archive, FailureKind::kRefused,
             std::string(format.Name()) + " archives cannot be enciphered; nothing was added");
  return false;
}

// The format a new archive gets; null, reported, when its name asks for
// one this program cannot write, or it cannot carry the password.
const Format* NewArchiveFormat(const AddRequest& request, OperationReport& report) {
  FormatProblem problem;
  const Format* format = FormatForNewArchive(request.archive, request.createNative ? "native" : request.format, problem);
  if (!format) report.Add(request.archive, FailureKind::kRefused, problem.Text());
  return format && PasswordFits(*format, request, report) ? format : nullptr;
}

// The format of the archive the file holds, when it can take new entries;
// else null, reported. The file is left at its start.
const Format* AppendableFormat(AddSession& s, const std::string& archivePath) {
  FormatProblem problem;
  const Format* format = Identify(s.archive, problem);
  if (!format) {
    s.report->Add(archivePath, FailureKind::kRefused, problem.Text() + "; nothing was added");
    return nullptr;
  }
  if (format->Can(Capability::kAppend)) return format;
  s.report->Add("", FailureKind::kRefused, "cannot add to " + archivePath + ": " + CannotText(*format, Capability::kAppend));
  return nullptr;
}

// The format of the archive at target (a new one's when it is empty) when
// it is written only whole; null when the add goes in place, or is refused
// there.
const Format* WholeWrittenFormat(const AddRequest& request, const std::string& target, bool& append) {
  append = !IsEmptyFile(target);
  FormatProblem problem;
  const Format* format =
      append ? Identify(target, problem)
             : FormatForNewArchive(request.archive, request.createNative ? "native" : request.format, problem);
  const bool whole = format && format->Can(Capability::kAppend) && !format->Can(Capability::kInPlace);
  return whole ? format : nullptr;
}

// Places the file where the new entries go, with the writer of its
// format. False when the archive cannot take them; it is then left
// untouched.
bool PrepareArchive(AddSession& s, const AddRequest& request, bool& append) {
  const std::string& archivePath = request.archive;
  s.format = append ? AppendableFormat(s, archivePath) : NewArchiveFormat(request, *s.report);
  if (!s.format) return false;
  s.writer = s.format->Write(s.archive, s.choices);
  return s.writer->Start(append, archivePath, *s.report);
}

bool EncryptionFits(AddSession& s, const AddRequest& request) {
  if (!request.aes || request.password.empty() || s.format->Can(Capability::kAes)) return true;
  s.report->Add("", FailureKind::kRefused,
                "cannot use AES encryption in " + request.archive + ": " + CannotText(*s.format, Capability::kAes));
  return false;
}

// The identity of a folder as a listing of its parent reports it.
FileIdentity FolderIdentity(const std::string& folder) {
  const std::string path = SetTrailingSeparator(folder, false, false);
  FolderEntry entry;
  if (path.empty() || FindFirstEntry(path, entry) != 0) return {};
  const FileIdentity identity = entry.kind == EntryKind::kFolder ? entry.identity : FileIdentity{};
  FindCloseEntry(entry);
  return identity;
}

void StartWalk(AddSession& s, const std::string& base, const std::string& mask) {
  const FileIdentity root = FolderIdentity(base);
  if (!(root == FileIdentity{})) s.walkPath.push_back(root);
  AddFolderFiles(s, base, "", mask);
}

// A plain file is added by walking its folder with its own name as the mask.
void WalkOneSource(AddSession& s, const std::string& source) {
  s.walkPath.clear();
  const std::string folder = SetTrailingSeparator(source, true, false);
  if (FolderExists(folder)) {
    StartWalk(s, folder, "");
  } else {
    StartWalk(s, FolderPart(source), NamePart(source));
  }
}

// What a source that added nothing and failed in nothing is worth telling.
void NoteEmptySource(AddSession& s, const std::string& source, std::uint64_t entriesBefore,
                     std::size_t failuresBefore, std::uint64_t matchedBefore) {
  if (s.progress.entriesDone != entriesBefore || s.report->failures.size() != failuresBefore) return;
  if (FolderExists(SetTrailingSeparator(source, true, false))) return;
  if (s.matched != matchedBefore)
    s.report->notes.push_back("nothing added from " + source + " (excluded names are left out)");
  else
    s.report->Add(source, FailureKind::kNotWritten, "no file matches");
}

// False, with the reason reported, for a FIFO, socket or device (or a link
// to nothing) named as the source; a folder's walk passes over them quietly.
bool SourceIsAddable(AddSession& s, const std::string& source) {
  if (source.find_first_of("*?") != std::string::npos) return true;
  FolderEntry entry;
  const bool special = FindFirstEntry(source, entry) == 0 && !(s.whole && entry.symbolicLink) &&
                       (entry.kind == EntryKind::kLink || entry.kind == EntryKind::kOther);
  FindCloseEntry(entry);
  if (special) s.report->Add(source, FailureKind::kRefused, OpenFailureText(EINVAL));
  return !special;
}

// The archive before the add: where its entries ended and the writer's
// records up to there.
struct OldEnd {
  std::int64_t entriesEnd = 0;
  std::size_t mark = 0;
};

// The new entries are cut off again and the old end written back.
bool PutOldEndBack(AddSession& s, const OldEnd& old) {
  try {
    CutArchiveBack(s, old.entriesEnd, old.mark);
    s.writer->RestoreOldEnd();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// An end that cannot be written whole (a full disk) must not leave the
// archive without one: the old end goes back, leaving the archive
// unchanged. Moved sources are gone from the disk, so their entries stay
// for a repair to list.
bool CloseArchive(AddSession& s, const OldEnd& old) {
  try {
    s.writer->Close(s.added);
    return true;
  } catch (const std::exception& e) {
    const std::string failure = std::string("cannot write its directory: ") + e.what();
    if (!s.move && PutOldEndBack(s, old)) {
      // Cut off again: a new archive then goes, as one that got no entry does.
      s.added = 0;
      s.report->Add(s.archive.name, FailureKind::kNotWritten, failure + "; the archive is unchanged");
    } else {
      s.report->Add(s.archive.name, FailureKind::kNotWritten,
                    failure + "; the archive has no directory until the next add or a repair rebuilds it");
    }
    return false;
  }
}

// Writes the new entries into the locked archive and ends it. A cancel
// puts the old end back, so the archive is as it was.
void FillArchive(AddSession& s, const AddRequest& request, bool append) {
  const std::string& archivePath = request.archive;
  try {
    if (!OpenArchive(s, archivePath, append)) return;
    s.archiveIdentity = IdentityOf(s.archive);
    if (!PrepareArchive(s, request, append) || !EncryptionFits(s, request)) {
      ThrowIfFailed(CloseDataFile(s.archive));
      return;
    }
    s.completeEnd = FilePos64(s.archive);
    s.completeMark = s.writer->Mark();
  } catch (const std::exception& e) {
    s.report->Add(archivePath, FailureKind::kNotWritten, e.what());
    return;
  }
  const OldEnd old{s.completeEnd, s.completeMark};

  const bool walked = WalkSources(s, request.sources);
  try {
    if (s.report->cancelled && !s.move) {
      CutArchiveBack(s, old.entriesEnd, old.mark);
      if (append) PutOldEndBack(s, old);
      s.added = 0;
    } else {
      // After an escaped failure the archive still ends with the entries
      // that were written completely, and still gets its end.
      if (!walked) CutArchiveBack(s, s.completeEnd, s.completeMark);
      CloseArchive(s, old);
    }
    ThrowIfFailed(CloseDataFile(s.archive));
  } catch (const EInOutError& e) {
    s.report->Add(archivePath, FailureKind::kNotWritten, IoReasonText(e.Code()));
  }
}

// The walk once without adding, for the totals of the progress.
void CountSources(AddSession& s, const std::vector<std::string>& sources) {
  s.counting = true;
  for (const std::string& source : sources) WalkOneSource(s, source);
  s.counting = false;
  s.walkPath.clear();
}

}  // namespace

bool WalkSources(AddSession& s, const std::vector<std::string>& sources) {
  try {
    for (const std::string& source : sources) {
      if (!SourceIsAddable(s, source)) continue;
      const std::uint64_t entriesBefore = s.progress.entriesDone;
      const std::size_t failuresBefore = s.report->failures.size();
      const std::uint64_t matchedBefore = s.matched;
      WalkOneSource(s, source);
      FinishPendingFiles(s);
      NoteEmptySource(s, source, entriesBefore, failuresBefore, matchedBefore);
    }
    return true;
  } catch (const AddCancelled&) {
    s.report->cancelled = true;
    return false;
  } catch (const std::exception& e) {
    s.report->Add(s.archivePath, FailureKind::kNotWritten, e.what());
    // The files read before the failure are written, as a one-by-one run
    // would have done, unless the failure came from writing one of them.
    try {
      if (!s.writeEscaped) FinishPendingFiles(s);
    } catch (...) {
    }
    return false;
  }
}

OperationReport AddToArchive(const AddRequest& request, OperationObserver& observer) {
  OperationReport report;
  if (request.archive.empty() || request.sources.empty()) {
    report.Add("", FailureKind::kNotWritten, "no archive or no source given");
    return report;
  }
  // Refused before the lock would make the file.
  if (!FileExistsByName(request.archive) && !NewArchiveFormat(request, report)) return report;
  EnsureArchiveFolder(request.archive);
  // Held to the end: another writer of the archive waits until then.
  const ArchiveLock lock(request.archive, true, [&] { observer.Waiting(request.archive); },
                         [&] { return observer.CancelRequested(); });
  if ((report.cancelled = lock.Error() == ECANCELED)) return report;
  if (lock.Error() != 0) {
    report.Add(request.archive, FailureKind::kNotWritten,
               "cannot be opened for writing: " + OpenFailureText(lock.Error()));
    return report;
  }
  if (request.newArchiveOnly && !lock.Created()) {
    report.Add(request.archive, FailureKind::kRefused, "it exists already; nothing was added");
    return report;
  }
  AddSession s;
  s.prefix = request.storedNamePrefix;
  s.exclusions = ExclusionMasks(request.exclusions);
  s.recurse = request.recurse;
  s.maximumSize = request.maximumSize;
  s.ageInDays = request.ageInDays;
  if (request.ageInDays != 0) s.ageLimit = AgeLimit(request.ageInDays);
  s.move = request.move;
  s.choices = WriteChoices{request.password, request.aes, request.level};
  s.report = &report;
  s.observer = &observer;
  s.archivePath = request.archive;
  bool append = true;
  s.format = WholeWrittenFormat(request, lock.Target(), append);
  s.whole = s.format != nullptr;
  if (s.whole && !PasswordFits(*s.format, request, report)) return report;
  CountSources(s, request.sources);
  if (s.whole) {
    AddByWholeArchive(s, request, lock.Target(), append);
  } else {
    FillArchive(s, request, true);
  }
  report.entriesDone = s.added;
  // A new archive that got no entry, or lost them all to a failure that cut
  // it back, is not left behind: an empty file is no archive.
  if (lock.Created() && (s.added == 0 || IsEmptyFile(request.archive))) DeleteFileByName(request.archive);
  return report;
}

}  // namespace ovk
