// Deleting entries from a ZIP archive by writing a new one.
#pragma once

#include <cstdint>
#include <string>

namespace ovk {

// Writes every entry the central directory lists and the selection leaves
// to tempPath, byte for byte, and the archive comment; code 0 or 3. Refuses
// (code 3, the reason reported to EngineMessageHook) when the directory does
// not account for every entry or an entry's extent cannot be told.
bool DeleteFromArchive(const std::string& archivePath, const std::string& tempPath,
                       std::int32_t& resultCode, const std::string& selection,
                       bool namesAreUtf8);

// 32 hex digits (MD5 of two random numbers) followed by ".tmp".
std::string MakeTempName();

// The whole deletion, under the archive's lock: a private temporary file
// beside the archive, DeleteFromArchive into it, then MoveFileReplacing over
// the archive. The temporary file never outlives the call (one a killed run
// left is removed by the next writer). False, with code 3, also for an
// archive this process may not write (WriteAccessError).
bool DeleteAndReplace(const std::string& archivePath, const std::string& selection,
                      std::int32_t& resultCode);

}  // namespace ovk
