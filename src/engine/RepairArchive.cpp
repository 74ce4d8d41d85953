#include "engine/RepairArchive.h"

#include <exception>

#include "engine/Archive.h"
#include "engine/EngineMessages.h"
#include "engine/ZipFormat.h"
#include "engine/ZipRebuild.h"
#include "support/FileUnit.h"

namespace ovk {

namespace {

void ReportRepairFailure(const std::string& archivePath, const std::string& why) {
  ReportEngineMessage("Internal packer: Can not repair " + archivePath + ": " + why + "; the archive is unchanged");
}

// The directory is written where the last complete entry ends.
RepairOutcome Rebuild(DataFile& file, const std::string& archivePath) {
  if (!DirectoryLostByAdd(file)) {
    if (StartsWithLocalHeader(file)) return RepairOutcome::kIntact;
    ReportRepairFailure(archivePath, "it does not start with a ZIP entry");
    return RepairOutcome::kFailed;
  }
  ArchiveReader reader;
  ReadArchiveHeader(reader, file, archivePath, false);
  CentralDirectoryStream directory;
  ZipEndRecord endRecord;
  if (!RecoverZipDirectory(reader, file, directory, endRecord)) {
    ReportRepairFailure(archivePath,
                        "where an entry ends cannot be told from its local header, or unknown bytes follow the "
                        "last complete entry");
    return RepairOutcome::kFailed;
  }
  WriteZipDirectoryEnd(file, "", endRecord, true, 0, directory);
  CloseDataFile(file);
  return RepairOutcome::kRepaired;
}

}  // namespace

bool DirectoryLostByAdd(const std::string& archivePath) {
  DataFile file;
  if (!OpenArchiveForReading(file, archivePath)) return false;
  try {
    return DirectoryLostByAdd(file);
  } catch (const std::exception&) {
    return false;
  }
}

RepairOutcome RepairArchive(const std::string& archivePath) {
  DataFile file;
  AssignFileName(file, archivePath);
  FileOpenMode = 2;
  SetPendingIoError(0);
  OpenExisting(file, 1, true);
  if (PendingIoError() != 0) {
    ReportEngineMessage("Internal packer: Can not open " + archivePath + " for writing");
    return RepairOutcome::kFailed;
  }
  try {
    return Rebuild(file, archivePath);
  } catch (const std::exception& e) {
    ReportEngineMessage("Internal packer: Can not repair " + archivePath + ": " + e.what());
    return RepairOutcome::kFailed;
  }
}

}  // namespace ovk
