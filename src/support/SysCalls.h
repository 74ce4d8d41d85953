// Internal to the file layer: the POSIX calls with EINTR handled, each one
// passing the fault-injection switch. Every file-layer call goes through here.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace ovk::sys {

// open/openat, retried on EINTR; -1 and errno on failure.
int Open(const char* path, int flags, mode_t mode = 0);
int OpenAt(int dirFd, const char* path, int flags, mode_t mode = 0);
// One read/write call (retried on EINTR); the count moved, or -1 and errno.
ssize_t Read(int fd, void* buffer, std::size_t count);
ssize_t Write(int fd, const void* buffer, std::size_t count);
// The whole buffer; false and errno on failure (errno 0 for end of file).
bool ReadFully(int fd, void* buffer, std::size_t count, std::size_t& done);
bool WriteFully(int fd, const void* buffer, std::size_t count, std::size_t& done);
int Rename(const char* oldPath, const char* newPath);
int Fsync(int fd);
// close; EINTR counts as closed (Linux releases the descriptor anyway).
int Close(int fd);

}  // namespace ovk::sys
