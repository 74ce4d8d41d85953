// A ZIP archive written anew without some of its entries, some renamed, or
// with a new comment: the stub in front and every kept entry copied byte
// for byte, what it holds understood or not, their records with only the
// offsets changed; a renamed entry's two headers differ in the name alone.
#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>

#include "engine/Archive.h"
#include "engine/formats/zip/ZipCentralRecords.h"
#include "engine/formats/zip/ZipExtent.h"
#include "engine/formats/zip/ZipExtraFields.h"
#include "engine/formats/zip/ZipFormat.h"
#include "engine/formats/zip/ZipWriters.h"
#include "support/ByteOrder.h"
#include "support/DosTime.h"
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

// The extra fields without those of one ID.
std::string WithoutField(std::string_view extra, std::uint16_t id) {
  std::string kept;
  ForEachExtraField(extra, [&](std::uint16_t fieldId, std::string_view data) {
    if (fieldId != id) {
      PutLE16(kept, fieldId);
      PutLE16(kept, static_cast<std::uint16_t>(data.size()));
      kept += data;
    }
    return true;
  });
  return kept;
}

// A header's name, its length field and its extra fields replaced: the
// name goes in as UTF-8, flagged so when it is not plain ASCII, and a
// Unicode Path field, which would name the old bytes, is dropped.
std::string RenamedHeader(std::string_view fixed, std::size_t flagsAt, std::size_t nameLengthAt,
                          const std::string& name, std::string_view extra, std::string_view rest) {
  if (name.size() > 0xFFFF) throw std::runtime_error("the new name " + name + " is too long for a ZIP archive");
  const std::string kept = WithoutField(extra, kUnicodePathExtraId);
  std::string header(fixed);
  std::string fields;
  const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  PutLE16(fields, static_cast<std::uint16_t>(GetLE16(header.data() + flagsAt) | (ascii ? 0 : kZipFlagUtf8)));
  header.replace(flagsAt, 2, fields);
  fields.clear();
  PutLE16(fields, static_cast<std::uint16_t>(name.size()));
  PutLE16(fields, static_cast<std::uint16_t>(kept.size()));
  header.replace(nameLengthAt, 4, fields);
  return header + name + kept + std::string(rest);
}

// The entry's local header, renamed, copied to temp; the file is left at
// its payload. Returns the old header's length.
std::uint64_t CopyRenamedLocalHeader(DataFile& archive, DataFile& temp, const std::string& name) {
  std::string fixed(kLocalHeaderBytes, '\0');
  ReadBlock(archive, fixed.data(), fixed.size());
  const LocalHeaderFields fields = DecodeLocalHeader(reinterpret_cast<const std::uint8_t*>(fixed.data()));
  std::string variable(fields.nameLength + fields.extraLength, '\0');
  ReadBlock(archive, variable.data(), variable.size());
  const std::string header =
      RenamedHeader(fixed, 6, 26, name, std::string_view(variable).substr(fields.nameLength), {});
  WriteBlock(temp, header.data(), header.size());
  return kLocalHeaderBytes + variable.size();
}

// The central record renamed, read back so that its offset can be set.
std::string RenamedRecord(const CentralEntry& entry, const std::string& name, std::uint64_t offset) {
  constexpr std::size_t kFixed = 46;
  const std::string_view comment = entry.bytes.substr(kFixed + entry.name.size() + entry.extra.size());
  const std::string record = RenamedHeader(entry.bytes.substr(0, kFixed), 8, 28, name, entry.extra, comment);
  std::string placed;
  ForEachCentralRecord(record, [&](const CentralEntry& renamed) { placed = RecordWithOffset(renamed, offset); });
  return placed;
}

// An empty folder's entry at temp's position, made on Unix with its mode
// and the MS-DOS folder attribute, and its record.
void AppendFolderEntry(DataFile& temp, const std::string& folder, std::int64_t time,
                       CentralDirectoryStream& directory) {
  constexpr std::uint32_t kFolderMode = 040755, kDosFolder = 0x10;
  EntryHeader header;
  header.time = UnixToDosTime(static_cast<std::time_t>(time));
  header.flags = kEntryStored;
  ZipEntryAttributes attributes;
  attributes.versionMadeBy = kUnixVersionMadeBy;
  attributes.externalAttributes = kFolderMode << 16 | kDosFolder;
  attributes.modifiedTime = time;
  const auto at = static_cast<std::uint64_t>(FilePos64(temp));
  const std::string bytes = ZipLocalHeaderBytes(folder, header, EntrySizes{}, attributes, at);
  WriteBlock(temp, bytes.data(), bytes.size());
  AppendZipEntryRecord(directory, folder, header, EntrySizes{}, attributes, at);
}

// Every entry the directory lists and changes keep is copied byte for
// byte, what it holds understood or not, and its record with only the
// offset changed (and a renamed one's name). Raises when an entry's extent
// cannot be told, the entries together span more than the archive (records
// sharing their bytes would make the copy grow without bound) or the
// records do not account for every entry counted.
void CopyKeptEntries(DataFile& archive, DataFile& temp, const OldDirectory& old, RewriteChanges& changes,
                     OperationObserver& observer) {
  CentralDirectoryStream directory;
  std::uint64_t listed = 0, kept = 0, spanned = 0;
  ProgressSnapshot progress;
  progress.bytesTotal = old.Start();
  progress.entriesTotal = old.end.entriesTotal;
  const std::size_t parsed = ForEachCentralRecord(old.records, [&](const CentralEntry& entry) {
    if (observer.CancelRequested()) throw RewriteCancelled();
    const std::string name = ListedName(entry);
    progress.currentEntry = ConvertPathSeparators(name, false);
    observer.Progress(progress);
    const std::uint64_t extent = ExtentOf(archive, entry, ++listed, old);
    progress.bytesDone += extent;
    ++progress.entriesDone;
    spanned += extent;
    if (spanned > old.Start()) throw std::runtime_error("its entries overlap");
    if (changes.LeavesOut(name)) return;
    const auto at = static_cast<std::uint64_t>(FilePos64(temp));
    Seek64(archive, static_cast<std::int64_t>(entry.localHeaderOffset + old.Prefix()));
    if (const std::string& newName = changes.NewName(name); newName != name) {
      const std::string stored = ConvertPathSeparators(newName, false);
      CopyBytes(archive, temp, extent - CopyRenamedLocalHeader(archive, temp, stored));
      directory += RenamedRecord(entry, stored, at);
    } else {
      CopyBytes(archive, temp, extent);
      directory += RecordWithOffset(entry, at);
    }
    ++kept;
  });
  if (parsed != old.records.size())
    throw std::runtime_error("record " + std::to_string(listed + 1) + " of its central directory is damaged");
  if (!CountAgrees(listed, old.end.entriesTotal))
    throw std::runtime_error("its end record counts " + std::to_string(old.end.entriesTotal) +
                             " entries, its central directory lists " + std::to_string(listed));
  for (const std::string& folder : changes.newFolders) {
    AppendFolderEntry(temp, folder, changes.folderTime, directory);
    ++kept;
  }
  ZipEndRecord end;
  WriteZipDirectoryEnd(temp, changes.comment.value_or(old.comment), end, false, kept, directory);
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

  void WriteChanged(DataFile& temp, RewriteChanges& changes, OperationObserver& observer) override {
    CopyStub(archive_, temp, old_);
    CopyKeptEntries(archive_, temp, old_, changes, observer);
  }

 private:
  DataFile& archive_;
  OldDirectory old_;
};

}  // namespace

std::unique_ptr<Rewriter> MakeZipRewriter(DataFile& file) { return std::make_unique<ZipRewriter>(file); }

}  // namespace ovk
