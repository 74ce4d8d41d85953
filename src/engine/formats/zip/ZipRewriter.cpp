// A ZIP archive written anew without some of its entries: the stub in front
// and every kept entry copied byte for byte, what it holds understood or
// not, their records with only the offsets changed, and the comment.
#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>

#include "engine/Archive.h"
#include "engine/formats/zip/ZipCentralRecords.h"
#include "engine/formats/zip/ZipExtent.h"
#include "engine/formats/zip/ZipFormat.h"
#include "engine/formats/zip/ZipWriters.h"
#include "support/StringUnit.h"

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
    if (observer.CancelRequested()) throw RewriteCancelled();
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

class ZipRewriter final : public Rewriter {
 public:
  explicit ZipRewriter(DataFile& archive) : archive_(archive) {}

  std::vector<std::string> Names() override {
    ReadOldDirectory(archive_, old_);
    std::vector<std::string> names;
    ForEachCentralRecord(old_.records, [&](const CentralEntry& entry) { names.push_back(ListedName(entry)); });
    return names;
  }

  void WriteWithout(DataFile& temp, const SelectionSet& selection, OperationObserver& observer) override {
    CopyStub(archive_, temp, old_);
    CopyKeptEntries(archive_, temp, old_, selection, observer);
  }

 private:
  DataFile& archive_;
  OldDirectory old_;
};

}  // namespace

std::unique_ptr<Rewriter> MakeZipRewriter(DataFile& file) { return std::make_unique<ZipRewriter>(file); }

}  // namespace ovk
