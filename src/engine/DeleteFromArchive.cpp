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

// A kept entry is written so that it extracts exactly as before: the same
// name, attributes and real sizes, and an enciphered entry whose check byte
// comes from its time keeps the flag that says so.
ZipEntryAttributes KeptAttributes(const EntryInfo& entry) {
  ZipEntryAttributes attributes;
  attributes.versionMadeBy = entry.versionMadeBy;
  attributes.externalAttributes = entry.externalAttributes;
  attributes.method = entry.zipMethod;
  attributes.dataDescriptor = entry.header.encrypted != 0 && ZipCheckByte(entry) >= 0;
  return attributes;
}

void CopyKeptEntries(ArchiveReader& reader, DataFile& archive, DataFile& temp,
                     const SelectionSet& selection) {
  CentralDirectoryStream directory;
  ZipEndRecord endRecord;
  std::uint64_t kept = 0;
  EntryInfo entry;
  while (ReadNextEntry(reader, archive, entry)) {
    // An entry that cannot be copied whole must not be dropped silently.
    if (entry.damage != EntryDamage::kNone) throw std::runtime_error(DamageText(entry.damage));
    if (!selection.Empty() && selection.Contains(entry.name)) {
      Seek64(archive, FilePos64(archive) + entry.packedSize);
      continue;
    }
    const ZipEntryAttributes attributes = KeptAttributes(entry);
    WriteZipLocalHeader(temp, entry.name, entry.header, entry.packedSize, &directory, attributes);
    CopyBytes(archive, temp, entry.packedSize);
    if (attributes.dataDescriptor) WriteZipDataDescriptor(temp, entry.header, entry.packedSize);
    ++kept;
  }
  WriteZipDirectoryEnd(temp, "", endRecord, false, kept, directory);
}

// Steps after both files are open; false when the archive is native.
bool WriteNewArchive(const std::string& archivePath, DataFile& archive, DataFile& temp,
                     const SelectionSet& selection) {
  ArchiveReader reader;
  ReadArchiveHeader(reader, archive, archivePath, false);
  if (reader.info.kind == kKindNative) return false;
  // Bytes in front of the first entry (a self-extractor's stub) keep their place.
  const std::int64_t firstEntry = FilePos64(archive);
  if (firstEntry > 0) {
    Seek64(archive, 0);
    CopyBytes(archive, temp, static_cast<std::uint64_t>(firstEntry));
    Seek64(archive, firstEntry);
  }
  CopyKeptEntries(reader, archive, temp, selection);
  CloseDataFile(temp);
  CloseDataFile(archive);
  return true;
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
    if (!WriteNewArchive(archivePath, archive, temp, selected)) return false;
  } catch (const std::exception&) {
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
