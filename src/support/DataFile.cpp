// The open-file object: a POSIX descriptor with 64-bit byte positions.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "support/FileUnit.h"
#include "support/SysCalls.h"

namespace ovk {

namespace {

[[noreturn]] void Raise(const DataFile& file, const char* what, int code) {
  throw EInOutError(IoError{what, file.name, code});
}

void RequireOpen(const DataFile& file, const char* what) {
  if (!file.IsOpen()) Raise(file, what, kIoNotOpen);
}

// Opens without ever blocking, keeps only regular files, then makes the
// descriptor blocking again; -1 with errno when refused.
int OpenRegularFile(const std::string& name, int flags) {
  const int fd = sys::Open(PlatformPath(name).c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) return -1;
  struct stat st;
  int failure = 0;
  if (fstat(fd, &st) != 0) {
    failure = errno;
  } else if (!S_ISREG(st.st_mode)) {
    failure = S_ISDIR(st.st_mode) ? EISDIR : kIoNotRegular;
  } else {
    const int fl = fcntl(fd, F_GETFL);
    if (fl < 0 || fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) < 0) failure = errno;
  }
  if (failure != 0) {
    sys::Close(fd);
    errno = failure;
    return -1;
  }
  return fd;
}

IoError Open(DataFile& file, const std::string& name, int flags, Access access, const char* what) {
  if (file.IsOpen()) sys::Close(file.fd);
  file.fd = -1;
  file.position = -1;
  file.name = name;
  file.access = access;
  const int fd = OpenRegularFile(name, flags);
  if (fd < 0) return {what, name, errno};
  file.fd = fd;
  return {};
}

}  // namespace

DataFile::~DataFile() {
  if (IsOpen()) sys::Close(fd);
}

std::string PlatformPath(const std::string& path) {
  std::string out = path;
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

IoError OpenExisting(DataFile& file, const std::string& name, Access access) {
  const int flags = access == Access::kRead ? O_RDONLY : access == Access::kWrite ? O_WRONLY : O_RDWR;
  return Open(file, name, flags, access, "open");
}

IoError CreateOrTruncate(DataFile& file, const std::string& name) {
  return Open(file, name, O_RDWR | O_CREAT | O_TRUNC, Access::kReadWrite, "create");
}

namespace {

// After a read or write of done bytes: a failed one may have moved the
// descriptor by any amount, so its position is asked for next time.
void Advance(DataFile& file, bool whole, std::size_t done) {
  const std::int64_t known = file.position;
  file.position = whole && known >= 0 ? known + static_cast<std::int64_t>(done) : -1;
}

std::size_t ReadBytes(DataFile& file, void* buffer, std::size_t count) {
  if (!file.IsOpen() || file.access == Access::kWrite) Raise(file, "read", kIoNotOpen);
  std::size_t done = 0;
  const bool read = sys::ReadFully(file.fd, buffer, count, done) || errno == 0;
  const int code = errno;
  Advance(file, read, done);
  if (!read) Raise(file, "read", code);
  return done;
}

}  // namespace

void ReadBlock(DataFile& file, void* buffer, std::size_t count) {
  if (ReadBytes(file, buffer, count) != count) Raise(file, "read", kIoReadPastEnd);
}

void ReadBlock(DataFile& file, void* buffer, std::size_t count, std::size_t& countRead) {
  countRead = ReadBytes(file, buffer, count);
}

void WriteBlock(DataFile& file, const void* buffer, std::size_t count) {
  if (!file.IsOpen() || file.access == Access::kRead) Raise(file, "write", kIoNotOpen);
  std::size_t done = 0;
  const bool written = sys::WriteFully(file.fd, buffer, count, done);
  const int code = errno;
  Advance(file, written, done);
  if (!written) Raise(file, "write", code == ENOSPC ? kIoDiskFull : code);
}

void Seek64(DataFile& file, std::int64_t position) {
  RequireOpen(file, "seek in");
  if (file.position == position) return;
  file.position = -1;
  if (lseek(file.fd, static_cast<off_t>(position), SEEK_SET) < 0) Raise(file, "seek in", errno);
  file.position = position;
}

std::int64_t FilePos64(DataFile& file) {
  RequireOpen(file, "seek in");
  if (const std::int64_t known = file.position; known >= 0) return known;
  // Not kept: only the thread that moves the descriptor keeps its position.
  const off_t at = lseek(file.fd, 0, SEEK_CUR);
  if (at < 0) Raise(file, "seek in", errno);
  return at;
}

std::int64_t FileSize64(DataFile& file) {
  RequireOpen(file, "measure");
  struct stat st;
  if (fstat(file.fd, &st) != 0) Raise(file, "measure", errno);
  return st.st_size;
}

IoError CloseDataFile(DataFile& file) {
  if (!file.IsOpen()) return {"close", file.name, kIoNotOpen};
  const int fd = file.fd;
  file.fd = -1;
  file.position = -1;
  if (sys::Close(fd) != 0) return {"close", file.name, errno};
  return {};
}

void TruncateDataFile(DataFile& file, std::int64_t size) {
  RequireOpen(file, "truncate");
  int rc;
  do {
    rc = ftruncate(file.fd, static_cast<off_t>(size));
  } while (rc < 0 && errno == EINTR);
  if (rc != 0) Raise(file, "truncate", errno);
}

void FlushDataFile(DataFile& file) {
  RequireOpen(file, "flush");
  if (sys::Fsync(file.fd) != 0) Raise(file, "flush", errno);
}

FileIdentity IdentityOf(const DataFile& file) {
  struct stat st;
  if (!file.IsOpen() || fstat(file.fd, &st) != 0) return {};
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

std::uint32_t FileMode(const DataFile& file) {
  struct stat st;
  if (!file.IsOpen() || fstat(file.fd, &st) != 0) return 0;
  return static_cast<std::uint32_t>(st.st_mode);
}

std::int64_t FileModifiedTime(const DataFile& file) {
  struct stat st;
  if (!file.IsOpen() || fstat(file.fd, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_mtime);
}

}  // namespace ovk
