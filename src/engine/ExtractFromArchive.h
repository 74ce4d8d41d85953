// Extracting all or selected entries below a destination folder.
#pragma once

#include <cstdint>
#include <string>

#include "engine/OperationReport.h"

namespace ovk {

enum ExtractResultCode : std::int32_t {
  kExtractOk = 0,
  kExtractNoPassword = 1,   // an enciphered entry and an empty password
  kExtractCheckFailed = 2,  // wrong password or damaged data
  kExtractFailed = 3,       // I/O error or any other exception
};

// Every selected entry that is not written lands in *report with its name
// and reason; the result code is the worst of them (1, 2 or 3).
bool ExtractFromArchive(const std::string& archivePath, const std::string& destinationFolder,
                        std::int32_t& resultCode, bool overwrite, const std::string& keepList,
                        const std::string& selection, const std::string& password,
                        bool namesAreUtf8, OperationReport* report = nullptr);

}  // namespace ovk
