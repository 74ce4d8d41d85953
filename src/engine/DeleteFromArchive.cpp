// Deleting entries from a ZIP archive by writing a new archive with the
// entries that are kept.
#include "engine/DeleteFromArchive.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <stdexcept>
#include <string>

#include "engine/Archive.h"
#include "engine/EngineMessages.h"
#include "engine/Selection.h"
#include "engine/format/Registry.h"
#include "engine/formats/zip/ZipCentralRecords.h"
#include "engine/formats/zip/ZipExtent.h"
#include "engine/formats/zip/ZipFormat.h"
#include "engine/RepairArchive.h"
#include "support/ArchiveLock.h"
#include "support/ArchiveTemps.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "support/SystemRandom.h"

namespace ovk {

namespace {

constexpr std::size_t kCopyChunk = 1 << 20;

// Copies count bytes from the current position of one file to the other;
// a short read raises.
void CopyBytes(DataFile& from, DataFile& to, std::uint64_t count) {
  std::string buffer(static_cast<std::size_t>(std::min<std::uint64_t>(count, kCopyChunk)), '\0');
  while (count > 0) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, buffer.size()));
    ReadBlock(from, buffer.data(), n);
    WriteBlock(to, buffer.data(), n);
    count -= n;
  }
}

// Stops the copy when the observer asks for it; the archive stays as it is.
class DeleteCancelled : public std::exception {};
// None of the names is in the archive: it is not rewritten.
class NothingToDelete : public std::exception {};

// The directory of the archive, read whole.
struct OldDirectory {
  ZipEndRecord end;
  std::string comment;
  CentralDirectoryStream records;

  // Bytes in front that the offsets leave out (a stub put in front as the
  // archive stood); the directory's own offset already counts them.
  std::uint64_t Prefix() const { return end.prefixBytes; }
  std::uint64_t Start() const { return end.directoryOffset; }
};

void ReadOldDirectory(DataFile& archive, OldDirectory& old) {
  std::int64_t firstLocalHeader = 0;
  if (LocateZipDirectory(archive, firstLocalHeader, &old.end, &old.comment, &old.records) < 0)
    throw std::runtime_error("no central directory found (not a ZIP archive, or a damaged one)");
  if (old.records.size() != old.end.directorySize)
    throw std::runtime_error("its central directory is cut short");
}

// A count that disagrees with the records still agrees when it wrapped or
// stuck at the 16-bit field's limit (writers without a ZIP64 end record).
bool CountAgrees(std::uint64_t records, std::uint64_t counted) {
  if (records == counted) return true;
  return records > kZip64CountMarker && counted <= kZip64CountMarker && (counted == kZip64CountMarker || counted == records % (kZip64CountMarker + 1));
}

// Bytes in front of the first entry (a self-extractor's stub) keep their
// place; the new offsets count them.
void CopyStub(DataFile& archive, DataFile& temp, const OldDirectory& old) {
  std::uint64_t first = old.Start();
  ForEachCentralRecord(old.records,
                       [&](const CentralEntry& e) { first = std::min(first, e.localHeaderOffset + old.Prefix()); });
  Seek64(archive, 0);
  CopyBytes(archive, temp, first);
}

// The entry's extent; a failure names the entry.
std::uint64_t ExtentOf(DataFile& archive, const CentralEntry& entry, std::uint64_t number,
                       const OldDirectory& old) {
  try {
    return ListedEntryExtent(archive, entry, entry.localHeaderOffset + old.Prefix(), old.Start());
  } catch (const std::exception& e) {
    const std::string name(entry.name);
    throw std::runtime_error("entry " + std::to_string(number) + " ('" + name + "'): " + e.what());
  }
}

// Every entry the directory lists and the selection leaves is copied byte
// for byte, what it holds understood or not, and its record with only the
// offset changed. Raises when an entry's extent cannot be told, the entries
// together span more than the archive (records sharing their bytes would
// make the copy grow without bound) or the records do not account for every
// entry counted.
void CopyKeptEntries(DataFile& archive, DataFile& temp, const OldDirectory& old,
                     const SelectionSet& selection, OperationObserver& observer) {
  CentralDirectoryStream directory;
  std::uint64_t listed = 0, kept = 0, spanned = 0;
  ProgressSnapshot progress;
  progress.bytesTotal = old.Start();
  progress.entriesTotal = old.end.entriesTotal;
  const std::size_t parsed = ForEachCentralRecord(old.records, [&](const CentralEntry& entry) {
    if (observer.CancelRequested()) throw DeleteCancelled();
    progress.currentEntry = ConvertPathSeparators(ListedName(entry), false);
    observer.Progress(progress);
    const std::uint64_t extent = ExtentOf(archive, entry, ++listed, old);
    progress.bytesDone += extent;
    ++progress.entriesDone;
    spanned += extent;
    if (spanned > old.Start()) throw std::runtime_error("its entries overlap");
    if (selection.Contains(ListedName(entry))) return;
    const auto at = static_cast<std::uint64_t>(FilePos64(temp));
    Seek64(archive, static_cast<std::int64_t>(entry.localHeaderOffset + old.Prefix()));
    CopyBytes(archive, temp, extent);
    directory += RecordWithOffset(entry, at);
    ++kept;
  });
  if (parsed != old.records.size())
    throw std::runtime_error("record " + std::to_string(listed + 1) + " of its central directory is damaged");
  if (!CountAgrees(listed, old.end.entriesTotal))
    throw std::runtime_error("its end record counts " + std::to_string(old.end.entriesTotal) +
                             " entries, its central directory lists " + std::to_string(listed));
  ZipEndRecord end;
  WriteZipDirectoryEnd(temp, old.comment, end, false, kept, directory);
}

// Steps after both files are open; raises with the reason when the new
// archive cannot keep every entry that is not selected.
void WriteNewArchive(DataFile& archive, DataFile& temp, const std::vector<std::string>& items,
                     OperationObserver& observer, std::vector<SelectionMiss>& misses) {
  OldDirectory old;
  ReadOldDirectory(archive, old);
  // Names are matched here, under the lock: a listing taken before it could
  // have caught another writer halfway.
  std::vector<std::string> names;
  ForEachCentralRecord(old.records, [&](const CentralEntry& entry) { names.push_back(ListedName(entry)); });
  const SelectionSet selection(items, names);
  misses = selection.Misses();
  if (!selection.Empty() && selection.SelectsNothing()) throw NothingToDelete();
  CopyStub(archive, temp, old);
  CopyKeptEntries(archive, temp, old, selection, observer);
  // Once the copy is written: a private archive stays private, and the
  // copy is private while it is written.
  if (const IoError copied = CopyPermissions(archive, temp))
    throw std::runtime_error("the new archive cannot get its permissions: " + IoReasonText(copied.code));
  ThrowIfFailed(CloseDataFile(archive));
}

// WriteArchiveWithout into an open file, which stays open.
bool WriteInto(const std::string& archivePath, DataFile& temp, const std::vector<std::string>& selection,
               OperationReport& report, OperationObserver& observer) {
  DataFile archive;
  if (const int code = OpenExisting(archive, archivePath, Access::kRead).code; code != 0) {
    report.Add(archivePath, FailureKind::kNotWritten, "cannot be opened: " + IoReasonText(code));
    return false;
  }
  std::vector<SelectionMiss> misses;
  const auto reportMisses = [&] {
    for (const SelectionMiss& miss : misses) report.Add(miss.item, FailureKind::kRefused, miss.Reason());
  };
  try {
    WriteNewArchive(archive, temp, selection, observer, misses);
    reportMisses();
  } catch (const DeleteCancelled&) {
    report.cancelled = true;
    return false;
  } catch (const NothingToDelete&) {
    reportMisses();
    return false;
  } catch (const EInOutError& e) {
    report.Add(archivePath, FailureKind::kNotWritten,
               "cannot delete from it: " + IoReasonText(e.Code()) + "; the archive is unchanged");
    return false;
  } catch (const std::exception& e) {
    report.Add(archivePath, FailureKind::kRefused,
               std::string("cannot delete from it: ") + e.what() + "; the archive is unchanged");
    return false;
  }
  return true;
}

// The new archive replaces the old one where it is, past any link to it.
bool ReplaceArchive(DataFile& temp, const std::string& archivePath, const std::string& target,
                    OperationReport& report) {
  const int error = ReplaceWithTemp(temp, target);
  if (error == 0) return true;
  report.Add(archivePath, FailureKind::kNotWritten,
             "cannot replace it with the new archive: " +
                 (error == EEXIST ? std::string("another program replaced the new archive's temporary file")
                                  : IoReasonText(error)) +
                 "; the archive is unchanged");
  return false;
}

}  // namespace

bool WriteArchiveWithout(const std::string& archivePath, const std::string& tempPath,
                         const std::vector<std::string>& selection, OperationReport& report,
                         OperationObserver& observer) {
  DataFile temp;
  if (const int code = CreateOrTruncate(temp, tempPath).code; code != 0) {
    report.Add(tempPath, FailureKind::kNotWritten, "cannot be created: " + IoReasonText(code));
    return false;
  }
  return WriteInto(archivePath, temp, selection, report, observer);
}

std::string MakeTempName() { return SystemRandomHex(32) + ".tmp"; }

OperationReport DeleteFromArchive(const DeleteRequest& request, OperationObserver& observer) {
  OperationReport report;
  // Held until the new archive has replaced the old one: a writer waiting
  // for it then finds the new one under the name.
  const ArchiveLock lock(request.archive, false, [&] { observer.Waiting(request.archive); },
                         [&] { return observer.CancelRequested(); });
  if ((report.cancelled = lock.Error() == ECANCELED)) return report;
  if (lock.Error() != 0) {
    report.Add(request.archive, FailureKind::kNotWritten,
               "cannot delete from it: " + (lock.Error() == EACCES ? std::string("the archive file is read-only for this user")
                                                                   : IoReasonText(lock.Error())));
    return report;
  }
  const std::string& target = lock.Target();
  if (std::string refusal; !CapableFormat(target, Capability::kDelete, refusal)) {
    report.Add(request.archive, FailureKind::kRefused, "cannot delete from it: " + refusal + "; the archive is unchanged");
    return report;
  }
  // Checked under the lock: an add in progress has cut the directory for a
  // while, which a waiting delete must not take for damage.
  if (DirectoryLostByAdd(target)) {
    report.Add(request.archive, FailureKind::kRefused,
               std::string(kDirectoryLostText) + "; a repair or the next add rebuilds it; the archive is unchanged");
    return report;
  }
  DataFile temp;
  if (const IoError made = CreateArchiveTemp(target, temp)) {
    report.Add(request.archive, FailureKind::kNotWritten,
               "cannot make the new archive beside it: " + IoReasonText(made.code));
    return report;
  }
  if (!WriteInto(target, temp, request.selection, report, observer) ||
      !ReplaceArchive(temp, request.archive, target, report))
    DiscardArchiveTemp(temp);
  return report;
}

}  // namespace ovk
