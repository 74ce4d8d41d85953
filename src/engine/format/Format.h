// What every archive format offers the operations: whether a file is one of
// its archives (told by content, never by name), a walk over its entries,
// and what it can do besides reading.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/Archive.h"
#include "support/FileUnit.h"

namespace ovk {

enum class Capability : std::uint8_t { kAppend, kDelete, kRename, kPasswords, kAes, kComment, kRepair };

// One walk over the entries of an open archive, first to last.
class Reader {
 public:
  Reader(DataFile& file, ArchiveReader walk) : file_(file), walk_(std::move(walk)) {}

  // The next entry; false at the end. Leaves the file at the entry's first
  // payload byte, and whatever the caller reads there, the next call starts
  // behind the payload. A damaged entry comes back with its damage told.
  // Raises EInOutError as a read of the file does.
  bool Next(EntryInfo& entry) { return ReadNextEntry(walk_, file_, entry); }
  // How many entries the archive says it holds before they are walked (0:
  // it does not say), for the progress.
  std::uint64_t EntriesKnown() const { return walk_.ListedCount(); }
  // The walk's state, which decoding a payload needs.
  const ArchiveReader& Walk() const { return walk_; }

 private:
  DataFile& file_;
  ArchiveReader walk_;
};

class Format {
 public:
  virtual ~Format() = default;
  // The format as users call it: "ZIP", "native".
  virtual std::string_view Name() const = 0;
  // Whether the file holds an archive of this format; head holds its first
  // bytes (fewer only when the file is shorter). May move the file's
  // position; raises EInOutError as a read does.
  virtual bool Bid(DataFile& file, std::string_view head) const = 0;
  virtual bool Can(Capability capability) const = 0;
  // The walk over a file this format bid for; path names it (ZIP takes
  // the file's own time as the archive's).
  virtual std::unique_ptr<Reader> Read(DataFile& file, const std::string& path) const = 0;
};

// The formats this program reads, defined in their own folders.
const Format& NativeMagicFormat();
const Format& ZipArchiveFormat();
const Format& HeaderlessNativeFormat();

}  // namespace ovk
