// Adding files and folders to a new or existing archive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "coding/Payload.h"
#include "engine/Observer.h"
#include "engine/OperationReport.h"

namespace ovk {

struct AddRequest {
  std::string archive;               // made when missing (a ZIP unless createNative, format or its suffix say else)
  std::vector<std::string> sources;  // files, folders, or FOLDER/MASK
  bool recurse = true;               // into subfolders
  std::string exclusions;            // ";"-separated masks; one with a separator matches the relative path
  std::string storedNamePrefix;
  std::int32_t maximumSize = 0;      // bytes; larger files are left out; 0: no limit
  std::int32_t ageInDays = 0;        // > 0: only newer files, < 0: only older ones
  bool move = false;                 // delete each source once its entry is written
  std::string password;
  bool aes = false;                  // with a password: WinZip AES-256 instead of the traditional ZIP encryption
  bool createNative = false;
  std::string format;                // a new archive's format by name ("tar.gz"); empty: as its name says
  bool newArchiveOnly = false;       // refused when the archive exists already
  CompressionLevel level = kLevelDefault;
};

// Adds every source under the archive's lock (another writer waits, and the
// observer hears of it once). Every file that is not added is in the report
// with its reason; a source that adds nothing without failing is noted. A
// cancel leaves the archive exactly as it was before the call (a new one
// is not left behind).
OperationReport AddToArchive(const AddRequest& request, OperationObserver& observer);

}  // namespace ovk
