#include "engine/ListArchive.h"

#include <cstdint>
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

// Walks the archive, seeking over every payload; the walk only moves forward
// and ends at the first entry whose payload runs past the end of the file.
void AppendEntryLines(DataFile& file, const std::string& archivePath, std::vector<std::string>& lines) {
  ArchiveReader archive;
  ReadArchiveHeader(archive, file, archivePath, true);
  const std::int64_t size = FileSize64(file);
  EntryInfo entry;
  // Every later entry starts before the end (checked below), so only the
  // first needs the end-of-file test.
  if (AtEndOfFile(file)) return;
  while (ReadNextEntry(archive, file, entry)) {
    const std::int64_t next = FilePos64(file) + entry.packedSize;
    // Folder entries have nothing after their last separator.
    if (!NamePart(entry.name).empty()) lines.push_back(ListingLine(entry));
    if (next >= size) break;
    Seek64(file, next);
  }
}

}  // namespace

bool ListArchive(const std::string& archivePath, std::vector<std::string>* lines, bool /*keepUtf8*/) {
  // The system's 8-bit code page is UTF-8 here, so both forms of a line agree.
  if (!lines) return false;
  DataFile file;
  if (!OpenArchiveForReading(file, archivePath)) return false;
  try {
    AppendEntryLines(file, archivePath, *lines);
  } catch (const std::exception&) {
    // A damaged archive keeps the lines read before the damage.
  }
  try {
    CloseDataFile(file);
  } catch (const std::exception&) {
  }
  return true;
}

}  // namespace ovk
