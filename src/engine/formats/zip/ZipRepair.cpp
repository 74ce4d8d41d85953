// Giving a ZIP archive its directory back, as the next add would, after an
// add was interrupted while it wrote the new one.
#include "engine/formats/zip/ZipRebuild.h"
#include "engine/formats/zip/ZipWriters.h"

namespace ovk {

RepairOutcome RepairZipDirectory(DataFile& file, std::string& reason, RepairNotes& notes) {
  if (!DirectoryLostByAdd(file)) {
    if (StartsWithLocalHeader(file)) return RepairOutcome::kIntact;
    reason = "it does not start with a ZIP entry";
    return RepairOutcome::kFailed;
  }
  CentralDirectoryStream directory;
  ZipEndRecord endRecord;
  RebuildNotes rebuilt;
  if (!RecoverZipDirectory(file, directory, endRecord, &rebuilt)) {
    reason = "none of its entries can be proven whole";
    return RepairOutcome::kFailed;
  }
  WriteZipDirectoryEnd(file, "", endRecord, true, 0, directory);
  ThrowIfFailed(CloseDataFile(file));
  notes.lines = rebuilt.Lines();
  notes.damaged = !rebuilt.leftOut.empty();
  return RepairOutcome::kRepaired;
}

}  // namespace ovk
