// Adding to a format written only from start to end: a whole new archive,
// the old entries copied through and the new ones after them, written beside
// the old one and renamed over it, so that a kill, a full disk or a cancel
// leaves the old archive or the new one, never a mix.
#include <cerrno>
#include <algorithm>
#include <exception>
#include <stdexcept>
#include <string>

#include "engine/AddSession.h"
#include "engine/Archive.h"
#include "engine/EngineMessages.h"
#include "engine/ReplaceBeside.h"

namespace ovk {

namespace {

constexpr std::size_t kPieceBytes = 1u << 20;
constexpr std::uint32_t kModeTypeMask = 0170000;
constexpr std::uint32_t kModeRegular = 0100000;

void Progressed(AddSession& s, const std::string& storedName) {
  ++s.progress.entriesDone;
  s.progress.currentEntry = ConvertPathSeparators(storedName, false);
  s.observer->Progress(s.progress);
}

// Fills temp with the new archive; false, reported, when it is not to
// replace the old one. The new archive takes the old one's permissions (a
// new one's, those the lock made its empty file with): the temporary file
// is private while it is written.
bool WriteWholeArchive(AddSession& s, const AddRequest& request, const std::string& target, bool append,
                       DataFile& temp) {
  const std::string unchanged = append ? "; the archive is unchanged" : "";
  try {
    DataFile old;
    ThrowIfFailed(OpenExisting(old, target, Access::kRead));
    s.replacedIdentity = IdentityOf(old);
    s.archiveIdentity = IdentityOf(temp);
    s.wholeWriter = s.format->WriteWhole(temp);
    RewriteChanges keepAll;
    if (append) s.wholeWriter->CopyKept(old, keepAll, *s.observer);
    if (!WalkSources(s, request.sources)) {
      if (!s.report->cancelled) s.report->Add(request.archive, FailureKind::kNotWritten, "nothing was added" + unchanged);
      return false;
    }
    if (s.added == 0) return false;
    s.wholeWriter->Close();
    ThrowIfFailed(CopyPermissions(old, temp));
    ThrowIfFailed(CloseDataFile(old));
    return true;
  } catch (const RewriteCancelled&) {
    s.report->cancelled = true;
  } catch (const EInOutError& e) {
    s.report->Add(request.archive, FailureKind::kNotWritten, IoReasonText(e.Code()) + unchanged);
  } catch (const std::exception& e) {
    s.report->Add(request.archive, FailureKind::kNotWritten, e.what() + unchanged);
  }
  return false;
}

}  // namespace

void AddByWholeArchive(AddSession& s, const AddRequest& request, const std::string& target, bool append) {
  const bool replaced = ReplaceBeside(request.archive, target, *s.report, [&](DataFile& temp) {
    const bool written = WriteWholeArchive(s, request, target, append, temp);
    // The writer goes with the file it writes into.
    s.wholeWriter.reset();
    return written;
  });
  if (!replaced) {
    s.added = 0;
    return;
  }
  for (const std::string& moved : s.movedAfterReplace) DeleteFileByName(moved);
}

void AddWholeFile(AddSession& s, const std::string& fullPath, const std::string& storedName) {
  if (s.observer->CancelRequested()) throw AddCancelled();
  DataFile source;
  if (const int error = OpenExisting(source, fullPath, Access::kRead).code; error != 0) {
    s.report->Add(fullPath, FailureKind::kRefused, OpenFailureText(error));
    Progressed(s, storedName);
    return;
  }
  const std::uint32_t mode = FileMode(source);
  if ((mode & kModeTypeMask) != kModeRegular) {
    s.report->Add(fullPath, FailureKind::kRefused, OpenFailureText(EINVAL));
    Progressed(s, storedName);
    return;
  }
  const auto size = static_cast<std::uint64_t>(FileSize64(source));
  s.wholeWriter->Begin({ConvertPathSeparators(storedName, false), EntryType::kFile, mode, FileModifiedTime(source), size, ""});
  std::string piece(kPieceBytes, '\0');
  for (std::uint64_t done = 0; done < size;) {
    if (s.observer->CancelRequested()) throw AddCancelled();
    std::size_t got = 0;
    ReadBlock(source, piece.data(), static_cast<std::size_t>(std::min<std::uint64_t>(size - done, kPieceBytes)), got);
    if (got == 0) throw std::runtime_error(fullPath + ": it got shorter while it was read");
    s.wholeWriter->Content(piece.data(), got);
    done += got;
    s.progress.bytesDone += got;
    s.observer->Progress(s.progress);
  }
  ThrowIfFailed(CloseDataFile(source));
  ++s.added;
  if (s.move) s.movedAfterReplace.push_back(fullPath);
  Progressed(s, storedName);
}

void AddWholeFolder(AddSession& s, const std::string& storedName, const FolderEntry& folder) {
  if (s.observer->CancelRequested()) throw AddCancelled();
  s.wholeWriter->Begin({ConvertPathSeparators(storedName, false), EntryType::kFolder, folder.mode, folder.modified, 0, ""});
  ++s.added;
}

void AddWholeLink(AddSession& s, const std::string& fullPath, const std::string& storedName) {
  if (s.observer->CancelRequested()) throw AddCancelled();
  std::string target;
  std::int64_t modified = 0;
  if (const int error = ReadSymbolicLink(fullPath, target, modified); error != 0) {
    s.report->Add(fullPath, FailureKind::kRefused, OpenFailureText(error));
    return;
  }
  // The link's own time, as tar keeps it; its permission bits mean nothing.
  s.wholeWriter->Begin({ConvertPathSeparators(storedName, false), EntryType::kSymbolicLink, 0777,
                        modified, 0, target});
  ++s.added;
  if (s.move) s.movedAfterReplace.push_back(fullPath);
  Progressed(s, storedName);
}

}  // namespace ovk
