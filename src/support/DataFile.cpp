// The open-file object: a POSIX descriptor with positions counted in records.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "support/FileUnit.h"
#include "support/SysCalls.h"

namespace ovk {

thread_local std::uint8_t FileOpenMode = 2;

namespace {

// Per thread, as the extraction writes its files on several.
thread_local int g_pendingIoError = 0;

bool IsOpen(const DataFile& file) {
  return file.fd >= 0 && (file.state == FileState::Input || file.state == FileState::Output ||
                          file.state == FileState::InOut);
}

std::uint32_t RecordSize(const DataFile& file) { return file.recordSize == 0 ? 1 : file.recordSize; }

// The message is what a user reads: callers pass it on as it stands.
[[noreturn]] void RaiseIoError(int code) { throw EInOutError(code, IoReasonText(code)); }

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
    failure = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
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

void OpenBound(DataFile& file, std::uint32_t recordSize, int flags, FileState state) {
  if (file.state == FileState::Unbound) {
    SetPendingIoError(kIoNotAssigned);
    return;
  }
  if (IsOpen(file)) sys::Close(file.fd);
  file.fd = -1;
  file.state = FileState::Closed;
  file.recordSize = recordSize;
  const int fd = OpenRegularFile(file.name, flags);
  if (fd < 0) {
    SetPendingIoError(errno);
    return;
  }
  file.fd = fd;
  file.state = state;
  SetPendingIoError(0);
}

}  // namespace

EInOutError::EInOutError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}

int PendingIoError() {
  const int code = g_pendingIoError;
  g_pendingIoError = 0;
  return code;
}

void SetPendingIoError(int code) { g_pendingIoError = code; }

DataFile::~DataFile() {
  if (IsOpen(*this)) sys::Close(fd);
}

std::string PlatformPath(const std::string& path) {
  std::string out = path;
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

void AssignFileName(DataFile& file, const std::string& name) {
  if (name.size() >= PATH_MAX) return;
  if (IsOpen(file)) sys::Close(file.fd);
  file.fd = -1;
  file.name = name;
  file.state = FileState::Closed;
}

void OpenExisting(DataFile& file, std::uint32_t recordSize, bool /*wideNames*/) {
  switch (FileOpenMode & 3) {
    case 0:
      OpenBound(file, recordSize, O_RDONLY, FileState::Input);
      break;
    case 1:
      OpenBound(file, recordSize, O_WRONLY, FileState::Output);
      break;
    default:
      OpenBound(file, recordSize, O_RDWR, FileState::InOut);
      break;
  }
}

void CreateOrTruncate(DataFile& file, std::uint32_t recordSize, bool /*wideNames*/) {
  OpenBound(file, recordSize, O_RDWR | O_CREAT | O_TRUNC, FileState::InOut);
}

namespace {

std::size_t ReadRecords(DataFile& file, void* buffer, std::size_t count) {
  if (!IsOpen(file) || file.state == FileState::Output) RaiseIoError(kIoNotOpen);
  const std::size_t bytes = count * RecordSize(file);
  std::size_t done = 0;
  if (!sys::ReadFully(file.fd, buffer, bytes, done) && errno != 0) RaiseIoError(errno);
  return done / RecordSize(file);
}

}  // namespace

void ReadBlock(DataFile& file, void* buffer, std::size_t count) {
  if (ReadRecords(file, buffer, count) != count) RaiseIoError(kIoReadPastEnd);
}

void ReadBlock(DataFile& file, void* buffer, std::size_t count, std::size_t& countRead) {
  countRead = ReadRecords(file, buffer, count);
}

void WriteBlock(DataFile& file, const void* buffer, std::size_t count) {
  if (!IsOpen(file) || file.state == FileState::Input) RaiseIoError(kIoNotOpen);
  std::size_t done = 0;
  if (!sys::WriteFully(file.fd, buffer, count * RecordSize(file), done)) {
    RaiseIoError(errno == ENOSPC ? kIoDiskFull : errno);
  }
}

void Seek64(DataFile& file, std::int64_t position) {
  if (!IsOpen(file)) {
    SetPendingIoError(kIoNotOpen);
    return;
  }
  if (lseek(file.fd, static_cast<off_t>(position * RecordSize(file)), SEEK_SET) < 0) SetPendingIoError(errno);
}

std::int64_t FilePos64(DataFile& file) {
  if (!IsOpen(file)) {
    SetPendingIoError(kIoNotOpen);
    return -1;
  }
  const off_t at = lseek(file.fd, 0, SEEK_CUR);
  if (at < 0) {
    SetPendingIoError(errno);
    return -1;
  }
  return at / RecordSize(file);
}

std::int64_t FileSize64(DataFile& file) {
  if (!IsOpen(file)) {
    SetPendingIoError(kIoNotOpen);
    return -1;
  }
  struct stat st;
  if (fstat(file.fd, &st) != 0) {
    SetPendingIoError(errno);
    return -1;
  }
  return st.st_size / RecordSize(file);
}

bool AtEndOfFile(DataFile& file) {
  const std::int64_t at = FilePos64(file);
  const std::int64_t size = FileSize64(file);
  return at < 0 || size < 0 || at >= size;
}

void CloseDataFile(DataFile& file) {
  if (!IsOpen(file)) RaiseIoError(kIoNotOpen);
  const int fd = file.fd;
  file.fd = -1;
  file.state = FileState::Closed;
  if (sys::Close(fd) != 0) {
    SetPendingIoError(errno);
    RaiseIoError(errno);
  }
}

void TruncateDataFile(DataFile& file, std::int64_t size) {
  if (!IsOpen(file)) RaiseIoError(kIoNotOpen);
  int rc;
  do {
    rc = ftruncate(file.fd, static_cast<off_t>(size * RecordSize(file)));
  } while (rc < 0 && errno == EINTR);
  if (rc != 0) RaiseIoError(errno);
}

void FlushDataFile(DataFile& file) {
  if (!IsOpen(file)) RaiseIoError(kIoNotOpen);
  if (sys::Fsync(file.fd) != 0) RaiseIoError(errno);
}

FileIdentity IdentityOf(const DataFile& file) {
  struct stat st;
  if (!IsOpen(file) || fstat(file.fd, &st) != 0) return {};
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

std::uint32_t FileMode(const DataFile& file) {
  struct stat st;
  if (!IsOpen(file) || fstat(file.fd, &st) != 0) return 0;
  return static_cast<std::uint32_t>(st.st_mode);
}

std::int64_t FileModifiedTime(const DataFile& file) {
  struct stat st;
  if (!IsOpen(file) || fstat(file.fd, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_mtime);
}

}  // namespace ovk
