// What adding asks of a format: a new archive or one opened for appending,
// the header in front of each new entry, the records that list them and the
// archive's end. Adding drives it the same for every format.
#pragma once

#include <cstdint>
#include <string>

#include "coding/Payload.h"
#include "coding/Records.h"
#include "engine/OperationReport.h"
#include "support/FileUnit.h"

namespace ovk {

// The caller's choices for the entries an add writes.
struct WriteChoices {
  std::string password;  // empty: not enciphered
  bool aes = false;      // WinZip AES-256 where the format offers it (Capability::kAes)
  CompressionLevel level = kLevelDefault;
};

// A file as it becomes an entry.
struct NewEntry {
  std::string storedName;  // "\" between folders
  EntryHeader header;
  std::uint32_t mode = 0;           // the file's mode bits
  std::int64_t modifiedTime = -1;   // seconds since 1970
};

// An entry's sizes, which may pass 32 bits. With wideHeader the header is
// laid out for sizes of any width, which is decided before the sizes are
// known and so fixes the header's length.
struct EntrySizes {
  std::uint64_t original = 0;
  std::uint64_t packed = 0;
  bool wideHeader = false;
};

// Writes new entries into an archive file open for writing, in place: each
// entry's header and payload go at the end of its entries, the records that
// list them once all are written. The file stays the caller's; it cuts the
// file back itself and tells the writer where with Mark/CutBack.
class Writer {
 public:
  virtual ~Writer() = default;
  // Readies the file for the first new entry and leaves it where that goes:
  // a new archive when !append (the file is empty), else the archive it
  // holds. False, with why reported against path, when that archive cannot
  // take new entries; it is then unchanged.
  virtual bool Start(bool append, const std::string& path, OperationReport& report) = 0;
  // Bytes a stored name may hold.
  virtual std::size_t LongestName() const = 0;
  // The largest content an entry may hold.
  virtual std::uint64_t LargestContent() const = 0;
  // Whether an entry of these sizes fits its header's fields.
  virtual bool Fits(const EntrySizes& sizes) const = 0;
  // How the next entry's content is coded; a salt it needs is drawn here.
  virtual PayloadEncoding Plan() const = 0;
  // The sizes a header is first written with, for content of original
  // bytes that codes to at most worstPacked: claiming more than a killed
  // run leaves behind it, so a recovery takes the entry for one cut off.
  virtual EntrySizes PlaceholderSizes(std::uint64_t original, std::uint64_t worstPacked) const = 0;
  // The header in front of the entry's payload at position; the same length
  // for any sizes of one wideHeader, so it can be written over once they
  // are known.
  virtual std::string HeaderBytes(const NewEntry& entry, const EntrySizes& sizes, std::uint64_t position) const = 0;
  // Notes the entry whose header and payload are written at position.
  virtual void Written(const NewEntry& entry, const EntrySizes& sizes, std::uint64_t position) = 0;
  // Just before the first new entry's bytes: the old end they replace (a
  // directory) is cut off.
  virtual void ReleaseOldEnd() = 0;
  // The records noted so far, to cut back to; CutBack forgets those after it.
  virtual std::size_t Mark() const = 0;
  virtual void CutBack(std::size_t mark) = 0;
  // Ends the archive behind its last entry, added of them new; raises what
  // fails.
  virtual void Close(std::uint64_t added) = 0;
  // With the file cut back to where the old entries ended: their end as it
  // was; raises what fails.
  virtual void RestoreOldEnd() = 0;
};

}  // namespace ovk
