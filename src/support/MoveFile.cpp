// Moving a file over another: rename, or across file systems a copy that
// reaches the destination only when it is complete and on the disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "support/ArchiveTemps.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "support/SysCalls.h"

namespace ovk {

namespace {

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

// The copy goes to a private temporary file with an unpredictable name,
// renamed over the destination only while that name still holds it: a name
// planted there in a folder others may write is never moved into place.
bool CopyAcross(const std::string& oldPath, const std::string& newPath) {
  DataFile source;
  if (OpenExisting(source, oldPath, Access::kRead)) return false;
  DataFile temp;
  if (CreateArchiveTemp(newPath, temp)) return false;
  if (!FillTemp(source.fd, temp.fd) || ReplaceWithTemp(temp, newPath) != 0) {
    DiscardArchiveTemp(temp);
    return false;
  }
  // The destination is complete; a source that cannot be removed stays as a
  // copy rather than turning the finished move into a failure.
  unlink(oldPath.c_str());
  return true;
}

}  // namespace

bool MoveFileReplacing(const std::string& oldName, const std::string& newName) {
  if (oldName.empty() || newName.empty()) return false;
  const std::string oldPath = PlatformPath(oldName);
  const std::string newPath = PlatformPath(newName);
  if (sys::Rename(oldPath.c_str(), newPath.c_str()) == 0) return true;
  return errno == EXDEV && CopyAcross(oldPath, newPath);
}

}  // namespace ovk
