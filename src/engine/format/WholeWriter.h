// What adding to and deleting from a format written only from start to end
// asks of it: a whole new archive, the kept entries of the old one copied
// through first, then the new entries, then its end.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Entry.h"
#include "engine/Observer.h"
#include "engine/format/RewriteChanges.h"
#include "support/FileUnit.h"

namespace ovk {

// A file, folder or symbolic link as it becomes an entry.
struct WholeItem {
  std::string storedName;  // "/" between folders
  EntryType type = EntryType::kFile;
  std::uint32_t mode = 0;          // permission bits
  std::int64_t modifiedTime = 0;   // seconds since 1970
  std::uint64_t size = 0;          // of a file's content
  std::string linkTarget;          // of a symbolic link
};

class WholeWriter {
 public:
  virtual ~WholeWriter() = default;
  // Copies every entry of the archive in old (open for reading) that
  // changes does not leave out, header and content, renamed as they say;
  // raises what fails, RewriteCancelled when the observer asks.
  virtual void CopyKept(DataFile& old, RewriteChanges& changes, OperationObserver& observer) = 0;
  // The next entry's header; a file's content follows through Content, all
  // item.size bytes of it.
  virtual void Begin(const WholeItem& item) = 0;
  virtual void Content(const char* data, std::size_t size) = 0;
  // Ends the archive; raises what fails.
  virtual void Close() = 0;
};

}  // namespace ovk
