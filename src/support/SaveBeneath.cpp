// Writing a file below a root folder without ever following a symbolic link
// at or below the root, so that an archive's names cannot reach outside it.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "support/SysCalls.h"
#include "support/SystemRandom.h"

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
  // The open says ENOTDIR for a link too; the user is told which it was.
  struct stat st;
  if (fd < 0 && errno == ENOTDIR && fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISLNK(st.st_mode))
    errno = ELOOP;
  return fd;
}

// The process's file-creation mask, read once: umask() can only be read by
// setting it, which must not race with files being created on other threads.
mode_t CreationMask() {
  static const mode_t mask = [] {
    const mode_t m = umask(077);
    umask(m);
    return m;
  }();
  return mask;
}

constexpr char kPartStart[] = ".ovk-", kPartEnd[] = ".part";
constexpr std::size_t kPartDigits = 16;

// Makes a new name beside the final one with make(name), which fails with
// EEXIST when the name is taken; make's result (-1 with errno on failure).
// The process's number in the name lets a later run find what a killed one
// left; the random part keeps others from planting the name beforehand.
template <typename Make>
int MakeTemporaryIn(std::string& name, Make make) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    try {
      name = kPartStart + std::to_string(getpid()) + "-" + SystemRandomHex(kPartDigits) + kPartEnd;
    } catch (const std::system_error& e) {
      errno = e.code().value();
      return -1;
    }
    const int result = make(name);
    if (result >= 0 || errno != EEXIST) return result;
  }
  return -1;
}

// A new file beside the final name that no one else can have opened: made
// exclusively, private until it is complete. -1 with errno on failure.
int CreateTemporaryIn(int dirFd, std::string& name) {
  return MakeTemporaryIn(name, [dirFd](const std::string& n) {
    return sys::OpenAt(dirFd, n.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  });
}

// The process that made a temporary name of ours, or 0 when it is none.
pid_t MakerOfPart(std::string_view name) {
  const std::string_view start = kPartStart, end = kPartEnd;
  if (!name.starts_with(start) || !name.ends_with(end)) return 0;
  name = name.substr(start.size(), name.size() - start.size() - end.size());
  const std::size_t dash = name.find('-');
  auto digits = [](std::string_view s, std::size_t most, std::string_view allowed) {
    return !s.empty() && s.size() <= most && s.find_first_not_of(allowed) == std::string_view::npos;
  };
  if (dash == std::string_view::npos || !digits(name.substr(0, dash), 9, "0123456789") ||
      !digits(name.substr(dash + 1), 20, "0123456789abcdef"))
    return 0;
  return static_cast<pid_t>(std::stol(std::string(name.substr(0, dash))));
}

// A process that no longer runs; one that runs under another user counts
// as running.
bool ProcessGone(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

// 0 or errno; a negative time leaves the file's own.
int SetModifiedTime(int fd, std::int64_t modifiedTime) {
  if (modifiedTime < 0) return 0;
  const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(modifiedTime), 0}};
  return futimens(fd, times) == 0 ? 0 : errno;
}

int OpenRoot(const std::string& root) {
  const std::string path = root.empty() ? std::string(".") : PlatformPath(root);
  int fd = sys::Open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT && ForceFolders(root)) fd = sys::Open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  return fd;
}

}  // namespace

BeneathWriter::BeneathWriter(std::string root) : root_(std::move(root)) {
  CreationMask();  // read now, before files are written on several threads
}

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

int BeneathWriter::Parent(const std::string& relative, std::vector<std::string>& parts) {
  parts = PathComponents(relative);
  errno = EINVAL;
  if (parts.empty()) return -1;
  // A NUL would end the name the system call sees early.
  for (const std::string& part : parts) {
    if (part == ".." || part.find('\0') != std::string::npos) return -1;
  }
  if (rootFd_ < 0) rootFd_ = OpenRoot(root_);
  if (rootFd_ < 0) return -1;
  return Folder(parts, parts.size() - 1);
}

int BeneathWriter::MakeFolder(const std::string& relative) {
  std::vector<std::string> parts;
  const int parent = Parent(relative, parts);
  if (parent < 0) return errno;
  const int fd = EnterFolder(parent, parts.back());
  if (fd < 0) return errno;
  sys::Close(fd);
  return 0;
}

int BeneathWriter::StampFolder(const std::string& relative, std::uint32_t mode, std::int64_t modifiedTime) {
  std::vector<std::string> parts;
  const int parent = Parent(relative, parts);
  if (parent < 0) return errno;
  const int fd = sys::OpenAt(parent, parts.back().c_str(), kFolderFlags);
  if (fd < 0) return errno;
  int code = fchmod(fd, static_cast<mode_t>(mode) & ~CreationMask() & 07777) == 0 ? 0 : errno;
  if (code == 0) code = SetModifiedTime(fd, modifiedTime);
  sys::Close(fd);
  return code;
}

int BeneathWriter::ParentOfNonFolder(const std::string& relative, std::vector<std::string>& parts, int& folder) {
  folder = Parent(relative, parts);
  if (folder < 0) return errno;
  struct stat st;
  if (fstatat(folder, parts.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) return EISDIR;
  return 0;
}

int BeneathWriter::MakeLink(const std::string& relative, const std::string& target) {
  std::vector<std::string> parts;
  int folder = -1;
  if (const int code = ParentOfNonFolder(relative, parts, folder); code != 0) return code;
  const std::string& name = parts.back();
  std::string temporary;
  if (MakeTemporaryIn(temporary, [&](const std::string& n) { return symlinkat(target.c_str(), folder, n.c_str()); }) < 0)
    return errno;
  if (renameat(folder, temporary.c_str(), folder, name.c_str()) == 0) return 0;
  const int code = errno;
  unlinkat(folder, temporary.c_str(), 0);
  return code;
}

int BeneathWriter::MakeHardLink(const std::string& relative, const std::string& existing) {
  std::vector<std::string> parts;
  const int existingFolder = Parent(existing, parts);
  if (existingFolder < 0) return errno;
  // Held on its own: reaching the link's folder may leave this one.
  const FdHolder from(fcntl(existingFolder, F_DUPFD_CLOEXEC, 0));
  if (from.Get() < 0) return errno;
  const std::string existingName = parts.back();
  struct stat st;
  if (fstatat(from.Get(), existingName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return EPERM;
  int folder = -1;
  if (const int code = ParentOfNonFolder(relative, parts, folder); code != 0) return code;
  std::string temporary;
  const auto link = [&](const std::string& n) {
    return linkat(from.Get(), existingName.c_str(), folder, n.c_str(), 0);
  };
  if (MakeTemporaryIn(temporary, link) < 0) return errno;
  const int code = renameat(folder, temporary.c_str(), folder, parts.back().c_str()) == 0 ? 0 : errno;
  // A rename between two links of one file leaves both names.
  unlinkat(folder, temporary.c_str(), 0);
  return code;
}

void BeneathWriter::RemoveStaleParts(const std::string& relativeFolder) {
  std::vector<std::string> parts;
  // The folder that would hold a file in it.
  const int folder = Parent(relativeFolder + "/x", parts);
  if (folder < 0) return;
  const int listed = fcntl(folder, F_DUPFD_CLOEXEC, 0);
  DIR* dir = listed < 0 ? nullptr : fdopendir(listed);
  if (!dir) {
    if (listed >= 0) sys::Close(listed);
    return;
  }
  std::vector<std::string> stale;
  while (const dirent* item = readdir(dir)) {
    const pid_t maker = MakerOfPart(item->d_name);
    if (maker > 0 && maker != getpid() && ProcessGone(maker)) stale.push_back(item->d_name);
  }
  closedir(dir);
  for (const std::string& name : stale) unlinkat(folder, name.c_str(), 0);
}

int BeneathWriter::Begin(const std::string& relative, FileBeneath& file) {
  std::vector<std::string> parts;
  int folder = -1;
  if (const int code = ParentOfNonFolder(relative, parts, folder); code != 0) return code;
  const std::string& name = parts.back();
  // The file keeps its own hold on the folder: the writer may leave it for
  // the next file before this one is done.
  file.Abandon();
  file.dirFd_ = fcntl(folder, F_DUPFD_CLOEXEC, 0);
  if (file.dirFd_ < 0) return errno;
  file.fd_ = CreateTemporaryIn(file.dirFd_, file.temporary_);
  if (file.fd_ < 0) return errno;
  file.name_ = name;
  file.path_ = root_ + "/" + relative;
  return 0;
}

int BeneathWriter::Save(const std::string& data, const std::string& relative, std::uint32_t mode,
                        std::int64_t modifiedTime) {
  FileBeneath file;
  int code = Begin(relative, file);
  if (code == 0) code = file.Write(data.data(), data.size());
  if (code == 0) code = file.Commit(mode, modifiedTime);
  return code;
}

FileBeneath::~FileBeneath() { Abandon(); }

int FileBeneath::Write(const char* data, std::size_t size) {
  DataFile file;  // the write raises as every other file write does
  file.name = path_;
  file.access = Access::kWrite;
  file.fd = fd_;
  int code = 0;
  try {
    if (size > 0) WriteBlock(file, data, size);
  } catch (const EInOutError& e) {
    code = e.Code();
  }
  file.fd = -1;  // the descriptor stays this object's
  return code;
}

int FileBeneath::Commit(std::uint32_t mode, std::int64_t modifiedTime) {
  int code = fchmod(fd_, static_cast<mode_t>(mode) & ~CreationMask() & 07777) == 0 ? 0 : errno;
  if (code == 0) code = SetModifiedTime(fd_, modifiedTime);
  if (sys::Close(fd_) != 0 && code == 0) code = errno;
  fd_ = -1;
  // The rename replaces whatever held the name (a file, a hard link to a
  // file elsewhere, a symbolic link) without writing into it.
  if (code == 0 && renameat(dirFd_, temporary_.c_str(), dirFd_, name_.c_str()) != 0) code = errno;
  if (code == 0) temporary_.clear();
  Abandon();
  return code;
}

void FileBeneath::Abandon() {
  if (fd_ >= 0) sys::Close(fd_);
  fd_ = -1;
  if (dirFd_ >= 0) {
    if (!temporary_.empty()) unlinkat(dirFd_, temporary_.c_str(), 0);
    sys::Close(dirFd_);
  }
  dirFd_ = -1;
  temporary_.clear();
}

}  // namespace ovk
