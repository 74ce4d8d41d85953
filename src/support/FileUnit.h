// The file layer: the one place that talks to the operating system about
// files and folders. Paths are UTF-8; "\" is accepted as a separator and
// handed to POSIX as "/".
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/IoError.h"

namespace ovk {

// How OpenExisting opens a file.
enum class Access { kRead, kWrite, kReadWrite };

// An open file with 64-bit byte positions; closed when fd is -1.
class DataFile {
 public:
  DataFile() = default;
  ~DataFile();  // closes quietly if still open
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;
  bool IsOpen() const { return fd >= 0; }

  std::string name;
  Access access = Access::kRead;
  int fd = -1;
  // Where the reads, writes and seeks below left the descriptor (-1: not
  // known, the system is asked): a walk over many small headers would
  // otherwise spend most of its time asking. Only the thread that moves the
  // descriptor sets it; another may read it, for progress.
  std::atomic<std::int64_t> position{-1};
};

// Opens only regular files (never blocks on a FIFO or device); anything else
// fails with EISDIR or kIoNotRegular. Whatever the file held before is closed first, so
// a failed open never leaves an earlier file in use.
[[nodiscard]] IoError OpenExisting(DataFile& file, const std::string& name, Access access);
// Opens for reading and writing, made when missing and emptied when not.
[[nodiscard]] IoError CreateOrTruncate(DataFile& file, const std::string& name);
// kIoNotOpen when the file is not open, else the close's errno.
[[nodiscard]] IoError CloseDataFile(DataFile& file);
// Without the out count a short read raises EInOutError(kIoReadPastEnd).
void ReadBlock(DataFile& file, void* buffer, std::size_t count);
void ReadBlock(DataFile& file, void* buffer, std::size_t count, std::size_t& countRead);
// A short write raises EInOutError(kIoDiskFull) (also for ENOSPC), another
// failure the errno.
void WriteBlock(DataFile& file, const void* buffer, std::size_t count);
// The position and size calls raise EInOutError on failure (kIoNotOpen when
// the file is not open): a position taken for granted would move every
// later read or write.
void Seek64(DataFile& file, std::int64_t position);
std::int64_t FilePos64(DataFile& file);
std::int64_t FileSize64(DataFile& file);
// Cuts the file to the given size; raises EInOutError on failure.
void TruncateDataFile(DataFile& file, std::int64_t size);
// Forces the file's data to the disk (fsync); raises EInOutError on failure.
void FlushDataFile(DataFile& file);

// Identity of a file on its file system (device and inode).
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
// Identity of an open file; {0,0} when it is not open.
FileIdentity IdentityOf(const DataFile& file);
// st_mode of an open file (type and permission bits); 0 when it is not open.
std::uint32_t FileMode(const DataFile& file);
// Modification time of an open file in seconds since 1970; -1 when it is not open.
std::int64_t FileModifiedTime(const DataFile& file);

// What a name of a folder listing leads to: a symbolic link reports its
// target, and counts as a link itself only when that target is missing.
enum class EntryKind { kRegular, kFolder, kLink, kOther };

// No more entries, as the listing reports it at the end.
constexpr int kNoMoreFiles = 18;

// One step of a folder listing.
struct FolderEntry {
  std::string name;               // no folder part
  EntryKind kind = EntryKind::kOther;
  std::uint64_t size = 0;         // of regular files; 0 for the rest
  std::int64_t modified = 0;      // seconds since 1970
  std::uint32_t mode = 0;         // st_mode (the link's target's for links)
  bool symbolicLink = false;      // the name itself is a symbolic link, whatever it leads to
  FileIdentity identity;          // of the entry (the link's target for links)
  // Listing state: the matching names of the folder, sorted by bytes.
  std::string folder;
  std::vector<std::string> names;
  std::size_t next = 0;
  bool open = false;
};

// 0 and the first entry matching the pattern's mask, or why none: an errno
// value, ENOENT when no name matches.
int FindFirstEntry(const std::string& pattern, FolderEntry& entry);
// 0 and the next entry, or kNoMoreFiles.
int FindNextEntry(FolderEntry& entry);
void FindCloseEntry(FolderEntry& entry);
// 0, where the symbolic link at path leads and the link's own modification
// time (seconds since 1970), or why not: an errno value.
int ReadSymbolicLink(const std::string& path, std::string& target, std::int64_t& modified);

// True for an existing name that is not a folder.
bool FileExistsByName(const std::string& name);
bool FolderExists(const std::string& name);
bool CreateFolder(const std::string& name);
bool ForceFolders(const std::string& path);
bool DeleteFileByName(const std::string& name);
// Gives the open file `to` the permission bits of the open file `from` (a
// rewritten archive must not become readable by others), and when running
// as root also its owner and group (root rewriting another user's archive
// must not take it over); else why not (kIoNotOpen when either is not open).
[[nodiscard]] IoError CopyPermissions(const DataFile& from, const DataFile& to);
// 0 when this process may write the existing file, else why not as an errno
// (EACCES when it may not). Root, whom the kernel lets write anything, is
// refused a file without any write bit: that file was made read-only on
// purpose.
int WriteAccessError(const std::string& name);
// rename; across file systems a copy to a temporary file beside the
// destination, fsync, rename over it, then the source is deleted. The
// destination is never half-written, and a failure leaves no temporary file.
// Only regular files are copied, through a temporary file with a name from
// the system's random source. True once the destination is complete, even
// if the source then cannot be removed.
bool MoveFileReplacing(const std::string& oldName, const std::string& newName);
bool SaveStringToFile(const std::string& data, const std::string& path);
// Writes the many files of one operation below one root folder, making the
// missing folders of each relative name ("\" and "/" both split it) and
// never following a symbolic link at or below the root (the root itself may
// be one). Each file is written to a new private file beside its name and
// renamed over it only once complete, so whatever held the name (a file, a
// hard or symbolic link, a FIFO) is replaced, never written into, and a
// failed write leaves the old file and no partial one. The root and the
// folders met stay open (a few hundred at most), so each folder is entered
// once and each file costs one open; a folder replaced by something else
// while the writer holds it keeps receiving files, so use one writer per
// operation. Its calls may come from several threads at once.
class FileBeneath;
struct HeldFolder;

class BeneathWriter {
 public:
  explicit BeneathWriter(std::string root);
  ~BeneathWriter();
  BeneathWriter(const BeneathWriter&) = delete;
  BeneathWriter& operator=(const BeneathWriter&) = delete;
  // 0 when root/relative holds data with the permission bits of mode (less
  // the umask); else why not, as an errno value or file-layer code: ELOOP a
  // link among the folders, ENOTDIR a file where a folder is needed, EISDIR
  // a folder at the name, EINVAL an empty name, a ".." component or a NUL
  // byte.
  // modifiedTime (seconds since 1970) is given to the file when >= 0.
  int Save(const std::string& data, const std::string& relative, std::uint32_t mode = 0666,
           std::int64_t modifiedTime = -1);
  // Save piece by piece: the private file is made now, written through the
  // FileBeneath and renamed over the name by its Commit. 0 or the reason.
  int Begin(const std::string& relative, FileBeneath& file);
  // Makes root/relative a folder, with its missing parents; 0 or the reason
  // (as for Save).
  int MakeFolder(const std::string& relative);
  // Gives the folder root/relative (made when missing) its permission bits
  // (less the umask) and its modification time when >= 0; 0 or the reason.
  int StampFolder(const std::string& relative, std::uint32_t mode, std::int64_t modifiedTime);
  // Makes root/relative a symbolic link to target, made beside the name and
  // renamed over whatever held it (a folder there stays: EISDIR); 0 or the
  // reason (as for Save). The target is taken as it is: the caller decides
  // where it may lead.
  int MakeLink(const std::string& relative, const std::string& target);
  // Makes root/relative a hard link to the file root/existing, both reached
  // without following a link, renamed over whatever held the name; 0 or the
  // reason (as for Save; EPERM when existing is no plain file).
  int MakeHardLink(const std::string& relative, const std::string& existing);
  // Removes from the folder root/relativeFolder the private files that a
  // process which no longer runs left unfinished; a folder that cannot be
  // reached, or that this writer made, is left alone.
  void RemoveStaleParts(const std::string& relativeFolder);

 private:
  struct Folders;
  // The folder that holds root/relative's last component, its name in
  // parts; null with errno when it cannot be reached.
  std::shared_ptr<HeldFolder> Parent(const std::string& relative, std::vector<std::string>& parts);
  // The folder of parts[0..count) below the root, entered without following
  // a link and made where missing; null with errno when it cannot be.
  std::shared_ptr<HeldFolder> Folder(const std::vector<std::string>& parts, std::size_t count);

  std::string root_;
  std::unique_ptr<Folders> folders_;
};
// A file that BeneathWriter::Begin made and that is written piece by piece;
// dropped without Commit, nothing of it stays and the name keeps what it held.
class FileBeneath {
 public:
  FileBeneath() = default;
  ~FileBeneath();
  FileBeneath(const FileBeneath&) = delete;
  FileBeneath& operator=(const FileBeneath&) = delete;
  // 0 or the reason the bytes could not be written.
  int Write(const char* data, std::size_t size);
  // Gives the file its mode (less the umask), its modification time when
  // modifiedTime >= 0, and its name; 0 or the reason.
  int Commit(std::uint32_t mode, std::int64_t modifiedTime = -1);
  // Removes what was written so far.
  void Abandon();

 private:
  friend class BeneathWriter;
  std::shared_ptr<HeldFolder> folder_;
  int fd_ = -1;
  std::string temporary_, name_, path_;
};

std::string SetTrailingSeparator(const std::string& path, bool withSeparator, bool slashesToBackslashes);
// kind 0 temporary ($TMPDIR when it is a folder, else /tmp), 1 system root
// ("/"), 2 system (/usr/bin); empty kinds fall back to the program's folder
// unless noFallback. A non-empty result ends in "/".
std::string GetSpecialFolder(int kind, bool noFallback);
std::string GetTempFolder(bool noFallback);

// The POSIX form of a path: every "\" turned into "/".
std::string PlatformPath(const std::string& path);

}  // namespace ovk
