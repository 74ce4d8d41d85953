// Writing a file below a root folder without ever following a symbolic link
// at or below the root, so that an archive's names cannot reach outside it.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "support/FileUnit.h"
#include "support/StringUnit.h"
#include "support/SysCalls.h"
#include "support/SystemRandom.h"

namespace ovk {

namespace {

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

// The sub-folder name of dirFd, made when missing (made says so); -1 with
// errno when it cannot be entered without following a link. A folder not
// known to exist is made first, which spares a failed open per new folder;
// mkdir never follows a link at the name.
int EnterFolder(int dirFd, const std::string& name, bool known, bool& made) {
  made = false;
  int fd = known ? sys::OpenAt(dirFd, name.c_str(), kFolderFlags) : -1;
  if (fd >= 0) return fd;
  if (!known || errno == ENOENT) {
    made = mkdirat(dirFd, name.c_str(), 0777) == 0;
    const int makeError = made ? 0 : errno;
    fd = sys::OpenAt(dirFd, name.c_str(), kFolderFlags);
    if (fd >= 0) return fd;
    if (errno == ENOENT && makeError != 0 && makeError != EEXIST) errno = makeError;
  }
  // The open says ENOTDIR for a link too; the user is told which it was.
  const int code = errno;
  struct stat st;
  const bool link = code == ENOTDIR && fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                    S_ISLNK(st.st_mode);
  errno = link ? ELOOP : code;
  return -1;
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

// The components of relative in parts; false with errno EINVAL when it has
// none, or one is ".." or holds a NUL byte (which would end the name the
// system call sees early).
bool SplitName(const std::string& relative, std::vector<std::string>& parts) {
  parts = PathComponents(relative);
  errno = EINVAL;
  if (parts.empty()) return false;
  for (const std::string& part : parts) {
    if (part == ".." || part.find('\0') != std::string::npos) return false;
  }
  return true;
}

// The path a folder of parts[0..count) is held by: "a/b".
std::string FolderKey(const std::vector<std::string>& parts, std::size_t count) {
  std::string key;
  for (std::size_t i = 0; i < count; ++i) key += (i == 0 ? "" : "/") + parts[i];
  return key;
}

// How many folders a writer holds at most: a quarter of the descriptors the
// process may open, so that a tree of many folders cannot use them up; when
// full, the half used longest ago is let go.
std::size_t FoldersToHold() {
  constexpr std::size_t kFewest = 64, kMost = 4096;
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kMost;
  return std::clamp<std::size_t>(static_cast<std::size_t>(limit.rlim_cur / 4), kFewest, kMost);
}

}  // namespace

// A folder's descriptor, closed with its last holder: the writer's table
// and the files in flight in the folder share it.
struct HeldFolder {
  explicit HeldFolder(int descriptor) : fd(descriptor) {}
  ~HeldFolder() { sys::Close(fd); }
  HeldFolder(const HeldFolder&) = delete;
  HeldFolder& operator=(const HeldFolder&) = delete;
  const int fd;
};

// Each folder below the root is entered once (without following a link) and
// held by its path. A held folder that someone later replaces by a link, or
// moves away, is still the folder the writer made or entered: files go on
// landing in that real folder and never where the link leads.
struct BeneathWriter::Folders {
  struct Held {
    std::shared_ptr<HeldFolder> folder;
    std::uint64_t used = 0;  // the clock at its last use
  };
  // Lets the older half of the held folders go.
  void DropOldest();

  std::mutex mutex;  // the writer serves the save threads of an operation
  const std::size_t most = FoldersToHold();
  std::shared_ptr<HeldFolder> root;
  std::unordered_map<std::string, Held> held;  // "a/b" for a\b
  std::uint64_t clock = 0;
  // Made by this writer: they exist unless someone removed them, and no
  // earlier run can have left parts in them.
  std::unordered_set<std::string> made;
};

void BeneathWriter::Folders::DropOldest() {
  std::vector<std::uint64_t> uses;
  for (const auto& [path, h] : held) uses.push_back(h.used);
  const auto middle = uses.begin() + static_cast<std::ptrdiff_t>(uses.size() / 2);
  std::nth_element(uses.begin(), middle, uses.end());
  std::erase_if(held, [&](const auto& item) { return item.second.used < *middle; });
}

BeneathWriter::BeneathWriter(std::string root) : root_(std::move(root)), folders_(std::make_unique<Folders>()) {
  CreationMask();  // read now, before files are written on several threads
}

BeneathWriter::~BeneathWriter() = default;

std::shared_ptr<HeldFolder> BeneathWriter::Folder(const std::vector<std::string>& parts, std::size_t count) {
  Folders& f = *folders_;
  const std::lock_guard<std::mutex> lock(f.mutex);
  if (!f.root) {
    const int fd = OpenRoot(root_);
    if (fd < 0) return nullptr;
    f.root = std::make_shared<HeldFolder>(fd);
  }
  // From the deepest held folder on the way down.
  std::size_t known = count;
  std::shared_ptr<HeldFolder> folder;
  for (; known > 0; --known) {
    if (const auto it = f.held.find(FolderKey(parts, known)); it != f.held.end()) {
      it->second.used = ++f.clock;
      folder = it->second.folder;
      break;
    }
  }
  if (!folder) folder = f.root;
  for (std::size_t i = known; i < count; ++i) {
    const std::string key = FolderKey(parts, i + 1);
    bool made = false;
    const int fd = EnterFolder(folder->fd, parts[i], f.made.contains(key), made);
    if (fd < 0) return nullptr;
    folder = std::make_shared<HeldFolder>(fd);
    if (f.held.size() >= f.most) f.DropOldest();
    f.held[key] = {folder, ++f.clock};
    if (made) f.made.insert(key);
  }
  return folder;
}

std::shared_ptr<HeldFolder> BeneathWriter::Parent(const std::string& relative, std::vector<std::string>& parts) {
  if (!SplitName(relative, parts)) return nullptr;
  return Folder(parts, parts.size() - 1);
}

int BeneathWriter::MakeFolder(const std::string& relative) {
  std::vector<std::string> parts;
  if (!SplitName(relative, parts)) return errno;
  return Folder(parts, parts.size()) ? 0 : errno;
}

int BeneathWriter::StampFolder(const std::string& relative, std::uint32_t mode, std::int64_t modifiedTime) {
  std::vector<std::string> parts;
  if (!SplitName(relative, parts)) return errno;
  const std::shared_ptr<HeldFolder> folder = Folder(parts, parts.size());
  if (!folder) return errno;
  const int code = fchmod(folder->fd, static_cast<mode_t>(mode) & ~CreationMask() & 07777) == 0 ? 0 : errno;
  return code == 0 ? SetModifiedTime(folder->fd, modifiedTime) : code;
}

// Whatever holds the final name is replaced by a rename, which refuses a
// folder there with EISDIR: no look at the name beforehand is needed.
int BeneathWriter::MakeLink(const std::string& relative, const std::string& target) {
  std::vector<std::string> parts;
  const std::shared_ptr<HeldFolder> folder = Parent(relative, parts);
  if (!folder) return errno;
  const int fd = folder->fd;
  std::string temporary;
  if (MakeTemporaryIn(temporary, [&](const std::string& n) { return symlinkat(target.c_str(), fd, n.c_str()); }) < 0)
    return errno;
  if (renameat(fd, temporary.c_str(), fd, parts.back().c_str()) == 0) return 0;
  const int code = errno;
  unlinkat(fd, temporary.c_str(), 0);
  return code;
}

int BeneathWriter::MakeHardLink(const std::string& relative, const std::string& existing) {
  std::vector<std::string> parts;
  const std::shared_ptr<HeldFolder> from = Parent(existing, parts);
  if (!from) return errno;
  const std::string existingName = parts.back();
  struct stat st;
  if (fstatat(from->fd, existingName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return EPERM;
  const std::shared_ptr<HeldFolder> folder = Parent(relative, parts);
  if (!folder) return errno;
  const int fd = folder->fd;
  std::string temporary;
  const auto link = [&](const std::string& n) { return linkat(from->fd, existingName.c_str(), fd, n.c_str(), 0); };
  if (MakeTemporaryIn(temporary, link) < 0) return errno;
  const int code = renameat(fd, temporary.c_str(), fd, parts.back().c_str()) == 0 ? 0 : errno;
  // A rename between two links of one file leaves both names.
  unlinkat(fd, temporary.c_str(), 0);
  return code;
}

void BeneathWriter::RemoveStaleParts(const std::string& relativeFolder) {
  std::vector<std::string> parts;
  // The folder that would hold a file in it.
  if (!SplitName(relativeFolder + "/x", parts)) return;
  parts.pop_back();
  {
    const std::lock_guard<std::mutex> lock(folders_->mutex);
    if (folders_->made.contains(FolderKey(parts, parts.size()))) return;
  }
  const std::shared_ptr<HeldFolder> folder = Folder(parts, parts.size());
  if (!folder) return;
  // The listing closes its own descriptor; the held one stays.
  const int listed = fcntl(folder->fd, F_DUPFD_CLOEXEC, 0);
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
  for (const std::string& name : stale) unlinkat(folder->fd, name.c_str(), 0);
}

int BeneathWriter::Begin(const std::string& relative, FileBeneath& file) {
  file.Abandon();
  std::vector<std::string> parts;
  // The file holds its folder too: the writer may let it go before the file is done.
  file.folder_ = Parent(relative, parts);
  if (!file.folder_) return errno;
  file.fd_ = CreateTemporaryIn(file.folder_->fd, file.temporary_);
  if (file.fd_ < 0) {
    const int code = errno;
    file.Abandon();
    return code;
  }
  file.name_ = parts.back();
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
  // file elsewhere, a symbolic link) without writing into it; a folder there
  // stays, and the rename says EISDIR.
  const int folder = folder_->fd;
  if (code == 0 && renameat(folder, temporary_.c_str(), folder, name_.c_str()) != 0) code = errno;
  if (code == 0) temporary_.clear();
  Abandon();
  return code;
}

void FileBeneath::Abandon() {
  if (fd_ >= 0) sys::Close(fd_);
  fd_ = -1;
  if (folder_ && !temporary_.empty()) unlinkat(folder_->fd, temporary_.c_str(), 0);
  folder_.reset();
  temporary_.clear();
}

}  // namespace ovk
