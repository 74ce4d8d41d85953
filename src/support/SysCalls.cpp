// The POSIX calls of the file layer and the fault-injection switch they pass.
#include "support/SysCalls.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <utility>

#include "support/FaultInjection.h"

namespace ovk {

namespace {

constexpr int kOpCount = 5;
constexpr std::size_t kWritePiece = 1u << 20;

struct FaultState {
  int seen[kOpCount] = {};
  int failAt[kOpCount] = {};  // value of seen[] that fails; 0 = not armed
  int failErrno[kOpCount] = {};
  int actAt[kOpCount] = {};  // as failAt, for the actions of BeforeCall
  std::function<void()> action[kOpCount];
  bool diskFull = false;
  std::uint64_t bytesLeft = 0;
};

// Several threads pass the calls (the extraction writes files on a few).
std::mutex g_faultMutex;
FaultState g_faults;

// Counts the call and runs the action armed for it; true (with errno set)
// when it is the one armed to fail.
bool Fails(FaultOp op) {
  const int k = static_cast<int>(op);
  std::function<void()> action;
  int failure = 0;
  {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    const int count = ++g_faults.seen[k];
    if (g_faults.actAt[k] != 0 && count == g_faults.actAt[k]) {
      g_faults.actAt[k] = 0;
      action = std::move(g_faults.action[k]);
    }
    if (g_faults.failAt[k] != 0 && count == g_faults.failAt[k]) {
      g_faults.failAt[k] = 0;
      failure = g_faults.failErrno[k];
    }
  }
  if (action) action();  // unlocked: it may well make file calls of its own
  if (failure == 0) return false;
  errno = failure;
  return true;
}

// The bytes of a write of count bytes the simulated disk still takes,
// reserved at once so that writes on other threads cannot take them too.
std::size_t ReserveSpace(std::size_t count) {
  std::lock_guard<std::mutex> lock(g_faultMutex);
  if (!g_faults.diskFull) return count;
  const auto granted = static_cast<std::size_t>(std::min<std::uint64_t>(count, g_faults.bytesLeft));
  g_faults.bytesLeft -= granted;
  return granted;
}

void ReturnSpace(std::size_t unused) {
  std::lock_guard<std::mutex> lock(g_faultMutex);
  if (g_faults.diskFull) g_faults.bytesLeft += unused;
}

}  // namespace

void InjectFault(FaultOp op, int nth, int errnoValue) {
  std::lock_guard<std::mutex> lock(g_faultMutex);
  const int k = static_cast<int>(op);
  g_faults.failAt[k] = nth > 0 ? g_faults.seen[k] + nth : 0;
  g_faults.failErrno[k] = errnoValue;
}

void BeforeCall(FaultOp op, int nth, std::function<void()> action) {
  std::lock_guard<std::mutex> lock(g_faultMutex);
  const int k = static_cast<int>(op);
  g_faults.actAt[k] = nth > 0 ? g_faults.seen[k] + nth : 0;
  g_faults.action[k] = std::move(action);
}

void InjectDiskFull(std::uint64_t bytesLeft) {
  std::lock_guard<std::mutex> lock(g_faultMutex);
  g_faults.diskFull = true;
  g_faults.bytesLeft = bytesLeft;
}

void ClearFaults() {
  std::lock_guard<std::mutex> lock(g_faultMutex);
  g_faults = FaultState{};
}

int FaultOpCount(FaultOp op) {
  std::lock_guard<std::mutex> lock(g_faultMutex);
  return g_faults.seen[static_cast<int>(op)];
}

namespace sys {

int Open(const char* path, int flags, mode_t mode) { return OpenAt(AT_FDCWD, path, flags, mode); }

int OpenAt(int dirFd, const char* path, int flags, mode_t mode) {
  if (Fails(FaultOp::Open)) return -1;
  int fd;
  do {
    fd = ::openat(dirFd, path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

ssize_t Read(int fd, void* buffer, std::size_t count) {
  if (Fails(FaultOp::Read)) return -1;
  ssize_t n;
  do {
    n = ::read(fd, buffer, count);
  } while (n < 0 && errno == EINTR);
  return n;
}

ssize_t Write(int fd, const void* buffer, std::size_t count) {
  if (Fails(FaultOp::Write)) return -1;
  const std::size_t granted = ReserveSpace(count);
  if (granted == 0 && count > 0) {
    errno = ENOSPC;
    return -1;
  }
  ssize_t n;
  do {
    n = ::write(fd, buffer, granted);
  } while (n < 0 && errno == EINTR);
  ReturnSpace(granted - static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
  return n;
}

bool ReadFully(int fd, void* buffer, std::size_t count, std::size_t& done) {
  done = 0;
  while (done < count) {
    const ssize_t n = Read(fd, static_cast<char*>(buffer) + done, count - done);
    if (n < 0) return false;
    if (n == 0) {
      errno = 0;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteFully(int fd, const void* buffer, std::size_t count, std::size_t& done) {
  done = 0;
  while (done < count) {
    // In pieces: the kernel takes one write of tens of megabytes at several
    // times the cost of the same bytes in 1 MiB writes.
    const ssize_t n = Write(fd, static_cast<const char*>(buffer) + done, std::min(count - done, kWritePiece));
    if (n < 0) return false;
    if (n == 0) {
      errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

int Rename(const char* oldPath, const char* newPath) {
  if (Fails(FaultOp::Rename)) return -1;
  return ::rename(oldPath, newPath);
}

int Fsync(int fd) {
  if (Fails(FaultOp::Fsync)) return -1;
  int rc;
  do {
    rc = ::fsync(fd);
  } while (rc < 0 && errno == EINTR);
  return rc;
}

int Close(int fd) {
  const int rc = ::close(fd);
  return (rc < 0 && errno == EINTR) ? 0 : rc;
}

}  // namespace sys

}  // namespace ovk
