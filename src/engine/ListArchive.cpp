#include "engine/ListArchive.h"

#include <cstdint>
#include <algorithm>
#include <exception>

#include "engine/Archive.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

// Every number prints as the 32-bit pattern read signed, as the window expects.
std::string Signed(std::uint32_t value) { return std::to_string(static_cast<std::int32_t>(value)); }

std::string ListingLine(const EntryInfo& entry) {
  return entry.name + ";" + Signed(entry.packedSize) + ";" + Signed(entry.header.time) + ";" +
         Signed(entry.header.originalSize) + ";" + Signed(entry.header.flags) + ";" +
         (entry.header.encrypted ? "1" : "0");
}

// The name a damaged entry is reported under.
std::string ReportedName(const EntryInfo& entry) {
  if (!entry.name.empty()) return ConvertPathSeparators(entry.name, false);
  return "entry at offset " + std::to_string(entry.headerOffset);
}

// Walks the archive, seeking over every payload. A damaged entry is reported
// (and listed when its header could be read); the walk goes on past it.
void AppendEntryLines(DataFile& file, const std::string& archivePath, std::vector<std::string>& lines,
                      std::vector<std::string>* problems) {
  ArchiveReader archive;
  ReadArchiveHeader(archive, file, archivePath, true);
  const std::int64_t size = FileSize64(file);
  EntryInfo entry;
  // Every later native entry starts before the end (checked below), so only
  // the first needs the end-of-file test.
  if (AtEndOfFile(file)) return;
  while (ReadNextEntry(archive, file, entry)) {
    const std::int64_t next = FilePos64(file) + entry.packedSize;
    if (entry.damage != EntryDamage::kNone && problems)
      problems->push_back(ReportedName(entry) + ": " + DamageText(entry.damage));
    // Listed when its header tells its name and real sizes.
    const bool listable = entry.damage != EntryDamage::kEmptyName && entry.damage != EntryDamage::kNoLocalHeader &&
                          entry.damage != EntryDamage::kTooLarge;
    // Folder entries have nothing after their last separator.
    if (listable && !NamePart(entry.name).empty()) lines.push_back(ListingLine(entry));
    if (next >= size && archive.info.kind == kKindNative) break;
    Seek64(file, std::min(next, size));
  }
}

}  // namespace

bool ListArchive(const std::string& archivePath, std::vector<std::string>* lines, bool /*keepUtf8*/,
                 std::vector<std::string>* problems) {
  // The system's 8-bit code page is UTF-8 here, so both forms of a line agree.
  if (!lines) return false;
  DataFile file;
  if (!OpenArchiveForReading(file, archivePath)) return false;
  try {
    AppendEntryLines(file, archivePath, *lines, problems);
  } catch (const EInOutError& e) {
    // A damaged archive keeps the lines read before the damage.
    if (problems) problems->push_back("reading the archive failed: " + IoReasonText(e.Code()));
  } catch (const std::exception& e) {
    if (problems) problems->push_back(std::string("reading the archive failed: ") + e.what());
  }
  try {
    CloseDataFile(file);
  } catch (const std::exception&) {
  }
  return true;
}

}  // namespace ovk
