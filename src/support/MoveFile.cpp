// Moving a file over another: rename, or across file systems a copy that
// reaches the destination only when it is complete and on the disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "support/SysCalls.h"

namespace ovk {

namespace {

// A new, exclusively created file beside the destination; -1 when none.
int CreateSiblingTemp(const std::string& destination, std::string& tempPath) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    tempPath = FolderPart(destination) + ".ovk-move-" + std::to_string(getpid()) + "-" +
               std::to_string(++counter) + "-" + std::to_string(ts.tv_nsec) + ".tmp";
    const int fd = sys::Open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool CopyContent(int from, int to) {
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t n = sys::Read(from, buffer, sizeof buffer);
    if (n < 0) return false;
    if (n == 0) return true;
    std::size_t written = 0;
    if (!sys::WriteFully(to, buffer, static_cast<std::size_t>(n), written)) return false;
  }
}

// Copies the source's content, permissions and times into the temporary
// file and forces it to the disk; true when all of that worked.
bool FillTemp(int source, int temp) {
  struct stat st;
  if (fstat(source, &st) != 0 || !CopyContent(source, temp)) return false;
  fchmod(temp, st.st_mode & 07777);
  const timespec times[2] = {st.st_atim, st.st_mtim};
  futimens(temp, times);
  return sys::Fsync(temp) == 0;
}

bool CopyAcross(const std::string& oldPath, const std::string& newPath) {
  DataFile source;
  AssignFileName(source, oldPath);
  const std::uint8_t savedMode = FileOpenMode;
  FileOpenMode = 0;
  OpenExisting(source);
  FileOpenMode = savedMode;
  if (PendingIoError() != 0) return false;
  std::string tempPath;
  const int temp = CreateSiblingTemp(newPath, tempPath);
  if (temp < 0) return false;
  const bool filled = FillTemp(source.fd, temp);
  const bool closed = sys::Close(temp) == 0;
  if (!filled || !closed || sys::Rename(tempPath.c_str(), newPath.c_str()) != 0) {
    unlink(tempPath.c_str());
    return false;
  }
  // The destination is complete; a source that cannot be removed stays as a
  // copy rather than turning the finished move into a failure.
  unlink(oldPath.c_str());
  return true;
}

}  // namespace

bool MoveFileReplacing(const std::string& oldName, const std::string& newName, bool /*wideNames*/) {
  if (oldName.empty() || newName.empty()) return false;
  const std::string oldPath = PlatformPath(oldName);
  const std::string newPath = PlatformPath(newName);
  if (sys::Rename(oldPath.c_str(), newPath.c_str()) == 0) return true;
  return errno == EXDEV && CopyAcross(oldPath, newPath);
}

}  // namespace ovk
