// Deleting entries from a ZIP archive by writing a new archive with the
// entries that are kept.
#include "engine/DeleteFromArchive.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <string>

#include "engine/Archive.h"
#include "engine/EngineMessages.h"
#include "engine/Selection.h"
#include "engine/ZipCentralRecords.h"
#include "engine/ZipExtent.h"
#include "engine/ZipFormat.h"
#include "support/ArchiveLock.h"
#include "support/ArchiveTemps.h"
#include "support/FileUnit.h"
#include "support/Random.h"
#include "support/StringUnit.h"
#include "support/WMD5.h"

namespace ovk {

namespace {

constexpr std::int32_t kDeleteOk = 0;
constexpr std::int32_t kDeleteFailed = 3;
constexpr std::size_t kCopyChunk = 1 << 20;
constexpr std::uint64_t kMax16 = 0xFFFF;

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
  return records > kMax16 && counted <= kMax16 && (counted == kMax16 || counted == records % (kMax16 + 1));
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

// Names are matched as the listing shows them.
bool Selected(const CentralEntry& entry, const SelectionSet& selection) {
  if (selection.Empty()) return false;
  return selection.Contains(ZipEntryName(std::string(entry.name), entry.values.flags));
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
                     const SelectionSet& selection) {
  CentralDirectoryStream directory;
  std::uint64_t listed = 0, kept = 0, spanned = 0;
  const std::size_t parsed = ForEachCentralRecord(old.records, [&](const CentralEntry& entry) {
    const std::uint64_t extent = ExtentOf(archive, entry, ++listed, old);
    spanned += extent;
    if (spanned > old.Start()) throw std::runtime_error("its entries overlap");
    if (Selected(entry, selection)) return;
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
void WriteNewArchive(DataFile& archive, DataFile& temp, const SelectionSet& selection) {
  OldDirectory old;
  ReadOldDirectory(archive, old);
  CopyStub(archive, temp, old);
  CopyKeptEntries(archive, temp, old, selection);
  CloseDataFile(temp);
  CloseDataFile(archive);
}

}  // namespace

bool DeleteFromArchive(const std::string& archivePath, const std::string& tempPath,
                       std::int32_t& resultCode, const std::string& selection,
                       bool /*namesAreUtf8*/) {
  // The platform's 8-bit code page is UTF-8, so names never need converting.
  resultCode = kDeleteFailed;
  const SelectionSet selected(selection);
  DataFile archive;
  AssignFileName(archive, archivePath);
  FileOpenMode = 0;
  OpenExisting(archive, 1, true);
  if (PendingIoError() != 0) return false;
  DataFile temp;
  AssignFileName(temp, tempPath);
  FileOpenMode = 2;
  CreateOrTruncate(temp, 1, true);
  if (PendingIoError() != 0) return false;
  try {
    WriteNewArchive(archive, temp, selected);
  } catch (const std::exception& e) {
    ReportEngineMessage("Internal packer: Can not delete from " + archivePath + ": " + e.what() +
                        "; the archive is unchanged");
    return false;
  }
  resultCode = kDeleteOk;
  return true;
}

std::string MakeTempName() {
  const auto first = static_cast<std::int32_t>(RandomBelow(4294967295u));
  const auto second = static_cast<std::int32_t>(RandomBelow(4294967295u));
  return MD5Hex(std::to_string(first) + std::to_string(second)) + ".tmp";
}

bool DeleteAndReplace(const std::string& archivePath, const std::string& selection,
                      std::int32_t& resultCode) {
  resultCode = kDeleteFailed;
  // Held until the new archive has replaced the old one: a writer waiting
  // for it then finds the new one under the name.
  const ArchiveLock lock(archivePath, false, [&] { ReportArchiveBusy(archivePath); });
  if (lock.Error() != 0) return false;
  const std::string tempPath = CreateArchiveTemp(archivePath);
  if (tempPath.empty()) return false;
  // The new archive gets the old one's permissions only now: a private
  // archive stays private, and the copy is private while it is written.
  const bool done = DeleteFromArchive(archivePath, tempPath, resultCode, selection, true) &&
                    CopyPermissions(archivePath, tempPath, true) &&
                    MoveFileReplacing(tempPath, archivePath, true);
  if (!done) {
    resultCode = kDeleteFailed;
    DeleteFileByName(tempPath, true);
  }
  return done;
}

}  // namespace ovk
