// The archive lock: open, flock, and make sure the name still holds the
// locked file.
#include "support/ArchiveLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "support/ArchiveTemps.h"
#include "support/FileUnit.h"
#include "support/SysCalls.h"

namespace ovk {

namespace {

constexpr int kOpenFlags = O_RDWR | O_CLOEXEC | O_NONBLOCK;
// Links followed, and turns a name that keeps changing under us is given,
// before the lock gives up (the kernel's own limit of links in a path).
constexpr int kMostSteps = 40;

// What the symbolic link at path names, read from the link's folder; empty
// when path is no link.
std::string LinkTarget(const std::string& path) {
  char target[PATH_MAX];
  const ssize_t n = readlink(path.c_str(), target, sizeof target);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target) return "";
  const std::string text(target, static_cast<std::size_t>(n));
  const std::size_t slash = path.rfind('/');
  return text[0] == '/' || slash == std::string::npos ? text : path.substr(0, slash + 1) + text;
}

// Opens the file, making it when create is set; created tells whether this
// call made it. A link to nothing gets the file made where it points, as a
// shell's redirection does. -1 with errno on failure.
int OpenOrCreate(const std::string& path, bool create, bool& created) {
  std::string name = path;
  for (int step = 0; step < kMostSteps; ++step) {
    created = false;
    if (create) {
      const int fd = sys::Open(name.c_str(), kOpenFlags | O_CREAT | O_EXCL, 0666);
      created = fd >= 0;
      if (fd >= 0 || errno != EEXIST) return fd;
    }
    const int fd = sys::Open(name.c_str(), kOpenFlags);
    if (fd >= 0 || !create || errno != ENOENT) return fd;
    // Else removed between the two opens (make it after all), or a link to nothing.
    const std::string target = LinkTarget(name);
    if (!target.empty()) name = target;
  }
  errno = ELOOP;
  return -1;
}

constexpr auto kWaitPoll = std::chrono::milliseconds(50);

// Takes the lock, calling onWait (once per ArchiveLock) when it is held by
// another; waited tells whether this call had to. The lock is tried again
// and again rather than waited for in the kernel, so that a user can stop
// waiting. 0, ECANCELED or errno.
int LockWaiting(int fd, const std::function<void()>& onWait, const std::function<bool()>& stopWaiting, bool& told,
                bool& waited) {
  waited = false;
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return errno;
    if (!told && onWait) onWait();
    told = waited = true;
    if (stopWaiting && stopWaiting()) return ECANCELED;
    std::this_thread::sleep_for(kWaitPoll);
  }
  return 0;
}

// 0 for a regular file, EINVAL for a FIFO, device or the like (no archive,
// and never locked), else errno.
int CheckRegular(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0) return errno;
  return S_ISREG(st.st_mode) ? 0 : EINVAL;
}

// 0 when the name still holds the open file, -1 when it holds another file
// or none, else errno.
int CheckStillNamed(int fd, const std::string& path) {
  struct stat held;
  struct stat named;
  if (fstat(fd, &held) != 0) return errno;
  if (stat(path.c_str(), &named) != 0) return errno == ENOENT ? -1 : errno;
  return named.st_dev == held.st_dev && named.st_ino == held.st_ino ? 0 : -1;
}

// The path of the locked file itself, past any symbolic link; the path as
// given when it cannot be told.
std::string LockedTarget(int fd, const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  std::string target = resolved != nullptr ? resolved : "";
  free(resolved);
  return !target.empty() && CheckStillNamed(fd, target) == 0 ? target : path;
}

bool IsEmpty(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && st.st_size == 0;
}

}  // namespace

ArchiveLock::ArchiveLock(const std::string& path, bool create, const std::function<void()>& onWait,
                         const std::function<bool()>& stopWaiting) {
  const std::string platformPath = PlatformPath(path);
  bool told = false;
  // Only turns without a wait count: each wait is another writer's whole
  // run, and the user can stop it.
  for (int quickTurns = 0;;) {
    fd_ = OpenOrCreate(platformPath, create, created_);
    if (fd_ < 0) {
      error_ = errno;
      return;
    }
    bool waited = false;
    error_ = CheckRegular(fd_);
    if (error_ == 0) error_ = LockWaiting(fd_, onWait, stopWaiting, told, waited);
    if (error_ == 0) error_ = CheckStillNamed(fd_, platformPath);
    if (error_ == -1 && !waited && ++quickTurns == kMostSteps) error_ = ELOOP;
    if (error_ != -1) break;
    // Replaced or removed while we waited: lock what the name holds now.
    sys::Close(fd_);
    fd_ = -1;
  }
  if (error_ != 0) return;
  target_ = LockedTarget(fd_, platformPath);
  // Another writer may have filled a file we made before we got the lock.
  created_ = created_ && IsEmpty(fd_);
  if (!created_) error_ = WriteAccessError(path);
  if (error_ == 0) RemoveArchiveTemps(path);
}

ArchiveLock::~ArchiveLock() {
  if (fd_ >= 0) sys::Close(fd_);
}

}  // namespace ovk
