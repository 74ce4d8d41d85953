// The state one AddToArchive call shares with its folder walk and with the
// packing of each file. Internal to adding.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "coding/Payload.h"
#include "coding/Records.h"
#include "engine/AddToArchive.h"
#include "engine/CodingPool.h"
#include "engine/Observer.h"
#include "engine/OperationReport.h"
#include "engine/format/Format.h"
#include "engine/formats/native/NativeLayout.h"
#include "engine/formats/zip/ZipFormat.h"
#include "support/FileUnit.h"

namespace ovk {

// A file read and handed to the coding threads, waiting to be written.
struct PendingFile {
  std::string fullPath;
  std::string storedName;
  std::string refusal;             // why it is not added, said when its turn comes
  std::exception_ptr failure;      // raised while it was read
  EntryHeader header;
  std::uint32_t mode = 0;
  std::int64_t modifiedTime = -1;  // seconds since 1970
  std::string data;                // the content, then the compressed payload
  std::uint64_t size = 0;          // of the content
  bool streamed = false;           // too large to hold: read and coded when written
  std::uint64_t progressed = 0;    // content bytes already counted in the progress
  std::future<void> coded;         // valid while it is being compressed
  std::uint64_t weight = 0;        // bytes it holds against the memory budget
};

struct AddSession {
  // The archive being written.
  DataFile archive;
  const Format* format = nullptr;      // the one it holds, or a new one's
  ArchiveInfo info;                    // its kind decides the entry layout
  CentralDirectoryStream directory;    // ZIP: records of old and new entries
  FileIdentity archiveIdentity;        // never packed into itself

  // The caller's choices.
  std::string prefix;
  std::vector<std::string> exclusions;  // lower-cased masks
  bool recurse = false;
  std::int32_t maximumSize = 0;
  std::int32_t ageInDays = 0;
  std::uint32_t ageLimit = 0;           // DOS date-time, used when ageInDays != 0
  bool move = false;
  std::string password;
  bool aes = false;                     // ZIP entries with a password get WinZip AES-256
  CompressionLevel level = kLevelDefault;
  OperationReport* report = nullptr;
  OperationObserver* observer = nullptr;
  ProgressSnapshot progress;
  // The walk only adds up what it would add (for the progress totals).
  bool counting = false;
  std::uint64_t matched = 0;  // files whose name the walk's mask took, filtered or not

  // Working state.
  CipherHolder cipher;
  std::uint64_t added = 0;
  std::int64_t completeEnd = 0;           // end of the last complete entry
  std::size_t completeDirectorySize = 0;  // the directory up to that entry
  std::vector<FileIdentity> walkPath;     // folders being walked (link loops)
  bool oldDirectoryOnFile = false;        // ZIP append: not yet cut off

  // Files in flight, oldest first; written strictly in this order. The pool
  // is declared last so that it ends (and stops touching them) first.
  std::deque<std::unique_ptr<PendingFile>> pending;
  std::uint64_t pendingBytes = 0;
  bool writeEscaped = false;              // an exception left the writing of a file
  std::unique_ptr<CodingPool> pool;
};

// Stops the walk when the observer asks for it: the add is then undone.
class AddCancelled : public std::exception {};

// The native container's packed size is a signed 32-bit field.
class EntryTooLarge : public std::exception {
 public:
  const char* what() const noexcept override { return "coded entry exceeds 2 GiB"; }
};

constexpr std::uint8_t kAesStrength256 = 3;

// New ZIP entries are enciphered with WinZip AES rather than the traditional way.
inline bool WritesAes(const AddSession& s) {
  return s.aes && !s.password.empty() && s.format && s.format->Can(Capability::kAes);
}
// A salt from the system's random source: a predictable one would weaken the key.
std::string NewAesSalt();
// The host and mode a new ZIP entry records, and its encipherment.
ZipEntryAttributes NewEntryAttributes(const AddSession& s, const PendingFile& f);
// The old directory is cut off just before the first new entry replaces it.
void CutOldDirectory(AddSession& s);
// Reads, codes and writes a file too large to hold, piece by piece, with
// progress and cancel between pieces; raises what stops it.
void WriteStreamedEntry(AddSession& s, PendingFile& f);

// Walks base + relative (relative is empty or ends in "\"), adding the files
// that pass the mask and the filters.
void AddFolderFiles(AddSession& session, const std::string& base, const std::string& relative,
                    const std::string& mask);
// Reads one file and hands it to the coding threads; it becomes the next
// entry when its turn comes. A failure is reported, cut back and counted in
// order, never raised; a cancel raises AddCancelled.
void AddOneFile(AddSession& session, const std::string& fullPath, const std::string& storedName);
// Writes every file still in flight, in order.
void FinishPendingFiles(AddSession& session);
// Cuts the archive back to the given end, so a half-written entry leaves no
// bytes behind.
void CutArchiveBack(AddSession& session, std::int64_t end, std::size_t directorySize);

}  // namespace ovk
