#include "engine/ExtractFromArchive.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "coding/Payload.h"
#include "engine/Archive.h"
#include "engine/CodingPool.h"
#include "engine/SavePool.h"
#include "engine/Selection.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

// The stored name without a leading separator and without "." and ".."
// components, so that it can only name a path below the destination.
std::string ConfinedName(const std::string& storedName) {
  std::string confined;
  std::string component;
  auto flush = [&] {
    if (!component.empty() && component != "." && component != "..")
      confined += (confined.empty() ? "" : "\\") + component;
    component.clear();
  };
  for (char c : storedName) {
    if (IsPathSeparator(c)) flush();
    else component += c;
  }
  flush();
  return confined;
}

struct ExtractRun {
  std::string destination;  // ends in a separator
  bool overwrite;
  std::string keepList;     // lower-cased
  SelectionSet selection;
  std::string password;
};

// With overwrite off an existing output file is replaced only when the keep
// list is given and does not name the entry.
bool MayWrite(const ExtractRun& run, const std::string& storedName, const std::string& outputName) {
  if (run.overwrite || !FileExistsByName(run.destination + outputName, true)) return true;
  return !run.keepList.empty() && run.keepList.find(";" + LowerAscii(storedName) + ";") == std::string::npos;
}

// The payload buffer never asks for more than the file still holds, so a
// lying size cannot allocate beyond the archive's own size.
std::string ReadPayload(DataFile& file, std::uint32_t packedSize) {
  const std::int64_t left = std::max<std::int64_t>(0, FileSize64(file) - FilePos64(file));
  std::string data(static_cast<std::size_t>(std::min<std::int64_t>(packedSize, left)), '\0');
  ReadBlock(file, data.data(), data.size());
  return data;
}

// Entries are checked in order; a checked file is written on another thread
// while the next entry decodes, and none is handed over after a failure.
std::int32_t WalkEntries(const ExtractRun& run, ArchiveReader& archive, DataFile& file) {
  CipherHolder cipher;
  SavePool output(run.destination, CodingPool::Cores());
  EntryInfo entry;
  try {
    while (ReadNextEntry(archive, file, entry)) {
      // Comes before the selection: an enciphered entry stops the walk even
      // when it is not selected.
      if (entry.header.encrypted && run.password.empty()) return kExtractNoPassword;
      const std::string outputName = ConfinedName(entry.name);
      if (!run.overwrite) output.Settle(outputName);
      const bool selected = MayWrite(run, entry.name, outputName) &&
                            (run.selection.Empty() || run.selection.Contains(entry.name));
      if (entry.packedSize == 0) continue;
      if (!selected) {
        Seek64(file, FilePos64(file) + entry.packedSize);
        continue;
      }
      std::string data = ReadPayload(file, entry.packedSize);
      if (!DecodePayload(run.password, archive.info, entry.header, data, cipher, ZipCheckByte(entry)))
        return kExtractCheckFailed;
      // A folder entry names no file, whatever data it carries; as designed, a
      // file that cannot be written is skipped silently.
      if (!NamePart(entry.name).empty() && !outputName.empty())
        output.Save(std::move(data), outputName);
    }
    output.Finish();
  } catch (...) {
    return kExtractFailed;
  }
  return kExtractOk;
}

}  // namespace

bool ExtractFromArchive(const std::string& archivePath, const std::string& destinationFolder,
                        std::int32_t& resultCode, bool overwrite, const std::string& keepList,
                        const std::string& selection, const std::string& password,
                        bool /*namesAreUtf8*/) {
  // The system's 8-bit code page is UTF-8 here: names need no conversion.
  resultCode = kExtractOk;
  if (archivePath.empty() || destinationFolder.empty()) return false;
  ExtractRun run{SetTrailingSeparator(destinationFolder, true, false), overwrite, LowerAscii(keepList),
                 SelectionSet(selection), password};
  if (!FolderExists(run.destination, true)) ForceFolders(run.destination, true);
  if (!FolderExists(run.destination, true)) return false;

  DataFile file;
  if (!OpenArchiveForReading(file, archivePath)) return false;
  ArchiveReader archive;
  try {
    ReadArchiveHeader(archive, file, archivePath, true);
    resultCode = WalkEntries(run, archive, file);
  } catch (...) {
    resultCode = kExtractFailed;
  }
  try {
    CloseDataFile(file);
  } catch (...) {
  }
  return resultCode == kExtractOk;
}

}  // namespace ovk
