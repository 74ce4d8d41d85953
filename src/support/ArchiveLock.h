// Writers of one archive take turns: each holds an exclusive lock on the
// archive file itself (flock) for its whole run, whether it runs in this
// process or another, and the lock ends with its process however that ends.
#pragma once

#include <functional>
#include <string>

namespace ovk {

class ArchiveLock {
 public:
  // Opens the archive for reading and writing (creating it when create is
  // set and it is missing, never truncating it) and takes the lock, waiting
  // for its holder; onWait is called once when a wait begins. A holder may
  // have replaced the file meanwhile (deletion renames a new one over it),
  // so the lock ends up on the file the name holds once it is taken. A
  // link to nothing gets its file made where it points. The
  // holder then removes the temporary files that killed runs left beside it.
  // While it waits, stopWaiting is asked a few times a second; once it says
  // yes the wait ends with ECANCELED.
  ArchiveLock(const std::string& path, bool create, const std::function<void()>& onWait,
              const std::function<bool()>& stopWaiting = {});
  ~ArchiveLock();
  ArchiveLock(const ArchiveLock&) = delete;
  ArchiveLock& operator=(const ArchiveLock&) = delete;

  // 0 once the lock is held, else the errno of the step that failed
  // (EACCES also for a file WriteAccessError refuses).
  int Error() const { return error_; }
  // This lock made the file and nobody has written to it since.
  bool Created() const { return created_; }
  // Where the locked file is, past any symbolic link on the way: a writer
  // that replaces the file replaces it there and keeps the link.
  const std::string& Target() const { return target_; }

 private:
  std::string target_;
  int fd_ = -1;
  int error_ = 0;
  bool created_ = false;
};

}  // namespace ovk
