// The state one AddToArchive call shares with its folder walk and with the
// packing of each file. Internal to adding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "coding/Payload.h"
#include "engine/AddToArchive.h"
#include "engine/CodingPool.h"
#include "engine/Observer.h"
#include "engine/OperationReport.h"
#include "engine/format/Format.h"
#include "engine/format/WholeWriter.h"
#include "support/FileUnit.h"

namespace ovk {

// Content up to this size is held whole and compressed in one piece by
// libdeflate; a larger file is read, coded and written piece by piece.
constexpr std::size_t kWholeCompressionBytes = std::size_t{8} << 20;

// A file read and handed to the coding threads, waiting to be written.
struct PendingFile {
  std::string fullPath;
  NewEntry entry;
  std::string refusal;             // why it is not added, said when its turn comes
  std::exception_ptr failure;      // raised while it was read
  PayloadEncoding plan;            // of a file held whole
  std::string data;                // the content, then the compressed payload
  std::uint64_t size = 0;          // of the content
  bool streamed = false;           // too large to hold: read and coded when written
  std::uint64_t progressed = 0;    // content bytes already counted in the progress
  std::future<void> coded;         // valid while it is being compressed
  std::uint64_t weight = 0;        // bytes it holds against the memory budget
};

struct AddSession {
  // The archive being written.
  std::string archivePath;             // as the caller named it
  DataFile archive;
  const Format* format = nullptr;      // the one it holds, or a new one's
  std::unique_ptr<Writer> writer;      // of that format, into the archive
  FileIdentity archiveIdentity;        // never packed into itself
  // A format written only whole: a new archive is written beside the old
  // one (replacedIdentity, never packed either) and replaces it.
  bool whole = false;
  std::unique_ptr<WholeWriter> wholeWriter;
  FileIdentity replacedIdentity;
  std::vector<std::string> movedAfterReplace;  // sources deleted once the new archive is in place

  // The caller's choices.
  std::string prefix;
  std::vector<std::string> exclusions;  // lower-cased masks
  bool recurse = false;
  std::int32_t maximumSize = 0;
  std::int32_t ageInDays = 0;
  std::uint32_t ageLimit = 0;           // DOS date-time, used when ageInDays != 0
  bool move = false;
  WriteChoices choices;
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
  std::size_t completeMark = 0;           // the writer's records up to that entry
  std::vector<FileIdentity> walkPath;     // folders being walked (link loops)

  // Files in flight, oldest first; written strictly in this order. The pool
  // is declared last so that it ends (and stops touching them) first.
  std::deque<std::unique_ptr<PendingFile>> pending;
  std::uint64_t pendingBytes = 0;
  bool writeEscaped = false;              // an exception left the writing of a file
  std::unique_ptr<CodingPool> pool;
};

// Stops the walk when the observer asks for it: the add is then undone.
class AddCancelled : public std::exception {};

// The coded entry does not fit its header's size fields.
class EntryTooLarge : public std::exception {
 public:
  const char* what() const noexcept override { return "coded entry exceeds 2 GiB"; }
};

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
// Every source in turn; false when the walk ended early (a write failed, or
// a cancel, which the report tells), the failure reported.
bool WalkSources(AddSession& session, const std::vector<std::string>& sources);
// The add into a format written only whole: a new archive with the old
// entries (when append) and the new ones replaces the archive at target.
void AddByWholeArchive(AddSession& session, const AddRequest& request, const std::string& target, bool append);
// The next entries of a whole archive, written as they are met: a file's
// content read piece by piece with progress and cancel between pieces, a
// folder, or a symbolic link as the link itself. A file that cannot be
// opened is reported and passed over; what fails once its entry began
// raises, as no entry can be taken back.
void AddWholeFile(AddSession& session, const std::string& fullPath, const std::string& storedName);
void AddWholeFolder(AddSession& session, const std::string& storedName, const FolderEntry& folder);
void AddWholeLink(AddSession& session, const std::string& fullPath, const std::string& storedName);
// Writes every file still in flight, in order.
void FinishPendingFiles(AddSession& session);
// Cuts the archive back to the given end and the writer's records to the
// mark, so a half-written entry leaves no bytes behind.
void CutArchiveBack(AddSession& session, std::int64_t end, std::size_t mark);

}  // namespace ovk
