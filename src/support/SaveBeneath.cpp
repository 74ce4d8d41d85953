// Writing a file below a root folder without ever following a symbolic link
// at or below the root, so that an archive's names cannot reach outside it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "support/SysCalls.h"

namespace ovk {

namespace {

// Closes the descriptor it holds when it goes out of scope.
class FdHolder {
 public:
  explicit FdHolder(int fd) : fd_(fd) {}
  ~FdHolder() {
    if (fd_ >= 0) sys::Close(fd_);
  }
  FdHolder(const FdHolder&) = delete;
  FdHolder& operator=(const FdHolder&) = delete;
  int Get() const { return fd_; }
  void Reset(int fd) {
    if (fd_ >= 0) sys::Close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

std::vector<std::string> PathComponents(const std::string& relative) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : relative + '/') {
    if (!IsPathSeparator(c)) {
      part.push_back(c);
    } else if (!part.empty()) {
      if (part != ".") parts.push_back(part);
      part.clear();
    }
  }
  return parts;
}

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// The sub-folder name of dirFd, made when missing; -1 when it cannot be
// entered without following a link.
int EnterFolder(int dirFd, const std::string& name) {
  int fd = sys::OpenAt(dirFd, name.c_str(), kFolderFlags);
  if (fd < 0 && errno == ENOENT) {
    if (mkdirat(dirFd, name.c_str(), 0777) != 0 && errno != EEXIST) return -1;
    fd = sys::OpenAt(dirFd, name.c_str(), kFolderFlags);
  }
  return fd;
}

// A fresh regular file for name in dirFd; whatever other than a folder was
// there (a link, a FIFO, a file) is removed first, so a link is never written
// through.
int CreateFileIn(int dirFd, const std::string& name) {
  // The usual case, in one call: nothing there yet, and what O_EXCL creates
  // is a fresh regular file (it fails on any name that exists, links too).
  const int fresh = sys::OpenAt(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fresh >= 0 || errno != EEXIST) return fresh;
  struct stat st;
  if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISDIR(st.st_mode)) return -1;
    if (!S_ISREG(st.st_mode) && unlinkat(dirFd, name.c_str(), 0) != 0) return -1;
  }
  const int fd = sys::OpenAt(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                             0666);
  if (fd < 0) return -1;
  // Something may have replaced the name between the check and the open.
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    sys::Close(fd);
    return -1;
  }
  return fd;
}

int OpenRoot(const std::string& root) {
  const std::string path = root.empty() ? std::string(".") : PlatformPath(root);
  int fd = sys::Open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT && ForceFolders(root)) fd = sys::Open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return fd;
}

}  // namespace

BeneathWriter::BeneathWriter(std::string root) : root_(std::move(root)) {}

BeneathWriter::~BeneathWriter() {
  LeaveFolders(0);
  if (rootFd_ >= 0) sys::Close(rootFd_);
}

void BeneathWriter::LeaveFolders(std::size_t keep) {
  while (folderFds_.size() > keep) {
    sys::Close(folderFds_.back());
    folderFds_.pop_back();
    folderNames_.pop_back();
  }
}

// The folder of parts[0..count) below the root, entered without following a
// link and made where missing; the folders the last file shared stay open.
int BeneathWriter::Folder(const std::vector<std::string>& parts, std::size_t count) {
  std::size_t shared = 0;
  while (shared < folderNames_.size() && shared < count && folderNames_[shared] == parts[shared]) ++shared;
  LeaveFolders(shared);
  while (folderFds_.size() < count) {
    const int parent = folderFds_.empty() ? rootFd_ : folderFds_.back();
    const int next = EnterFolder(parent, parts[folderFds_.size()]);
    if (next < 0) return -1;
    folderFds_.push_back(next);
    folderNames_.push_back(parts[folderFds_.size() - 1]);
  }
  return folderFds_.empty() ? rootFd_ : folderFds_.back();
}

bool BeneathWriter::Save(const std::string& data, const std::string& relative) {
  const std::vector<std::string> parts = PathComponents(relative);
  if (parts.empty()) return false;
  for (const std::string& part : parts) {
    if (part == "..") return false;
  }
  if (rootFd_ < 0) rootFd_ = OpenRoot(root_);
  if (rootFd_ < 0) return false;
  const int folder = Folder(parts, parts.size() - 1);
  if (folder < 0) return false;
  const int fd = CreateFileIn(folder, parts.back());
  if (fd < 0) return false;
  DataFile file;  // the write and close raise exactly as SaveStringToFile's do
  file.name = root_ + "/" + relative;
  file.fd = fd;
  file.state = FileState::Output;
  try {
    if (!data.empty()) WriteBlock(file, data.data(), data.size());
    CloseDataFile(file);
  } catch (const EInOutError&) {
    // A file cut short by the failure must not pass for the whole content.
    unlinkat(folder, parts.back().c_str(), 0);
    throw;
  }
  return true;
}

bool SaveStringToFileBeneath(const std::string& data, const std::string& root, const std::string& relative) {
  return BeneathWriter(root).Save(data, relative);
}

}  // namespace ovk
