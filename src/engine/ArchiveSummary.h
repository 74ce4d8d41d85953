// What the Properties dialog shows of an archive, drawn from its listing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ListArchive.h"

namespace ovk {

// What the Properties dialog shows of an archive.
struct ArchiveSummary {
  std::string format;                 // "ZIP", "tar.gz", ...
  std::vector<std::string> methods;   // distinct methods in use, in first-seen order
  std::vector<std::string> ciphers;   // distinct encryptions in use ("ZIP 2.0", "AES-256", ...); empty: none
  std::uint64_t files = 0;            // file and link entries
  std::uint64_t folders = 0;          // folders, counting those only implied by names
  std::uint64_t originalBytes = 0;
  std::uint64_t packedBytes = 0;
  bool packedKnown = true;            // false when any entry's packed size is unknown
  std::uint64_t archiveBytes = 0;     // the archive file's size
  std::int64_t archiveModified = -1;  // its time, seconds since 1970
  std::string comment;
  bool commentEditable = false;       // the format can keep a comment (kComment)
};
// listed: a listing made with folders listed. Reads the archive file's size
// and time; raises nothing, leaving them at their defaults when unreadable.
ArchiveSummary SummarizeArchive(const std::string& archivePath, const ListResult& listed);

}  // namespace ovk
