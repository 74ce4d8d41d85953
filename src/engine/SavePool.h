// Writing extracted files on a few threads while the walk decodes the next
// entries. Two files whose paths could meet (the same name, or one naming a
// folder of the other) are never in flight together, so files and folders
// end up as a one-by-one run leaves them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "engine/CodingPool.h"
#include "support/FileUnit.h"

namespace ovk {

// What an extracted file gets besides its content.
struct FileStamp {
  std::uint32_t mode = 0666;        // permission bits, the umask still to take off
  std::int64_t modifiedTime = -1;   // seconds since 1970; < 0: the time of writing
};

// A file that was not written, and why (an errno value or file-layer code).
struct SaveFailure {
  std::string entryName;
  int code = 0;
  std::uint64_t order = 0;  // the file's place among those handed over
};

// True for a failure that ends extraction (the disk or the destination
// refuses writes); false for one that concerns only its own name (a link or
// a folder in the way, a name the file system cannot hold).
bool FailureEndsWalk(int code);

class SavePool {
 public:
  // output serves the walk too, and must outlive the pool.
  SavePool(BeneathWriter& output, unsigned threads);
  // Waits for the files in flight.
  ~SavePool() = default;
  SavePool(const SavePool&) = delete;
  SavePool& operator=(const SavePool&) = delete;

  // Hands the file over once a writer is free, the bytes in flight leave
  // room for it and no file in flight could meet its path. False instead,
  // once a write failed in a way that ends the walk.
  bool Save(std::string data, const std::string& relative, const std::string& entryName, const FileStamp& stamp);
  // Waits until no file in flight could meet the path, so that asking the
  // file system about it gives what a one-by-one run would see.
  void Settle(const std::string& relative);
  // Waits for every file in flight.
  void Finish();
  // The files not written, in the order they were handed over, whichever
  // thread ended first; read after Finish.
  const std::vector<SaveFailure>& Failures() const { return failures_; }
  // How many files were written; read after Finish.
  std::uint64_t Written() const { return written_; }

 private:
  // One per thread: the file it writes.
  struct Writer {
    bool busy = false;
    std::string path;                       // lower-cased, while busy
    std::size_t bytes = 0;
    std::uint64_t order = 0;
  };
  Writer* FreeWriter();
  bool AnyBusy() const;
  bool MeetsPathInFlight(const std::string& path) const;
  void Write(Writer& writer, const std::string& data, const std::string& relative, const std::string& entryName,
             const FileStamp& stamp);

  BeneathWriter& output_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Writer> writers_;
  std::size_t bytesInFlight_ = 0;
  std::vector<SaveFailure> failures_;
  std::uint64_t written_ = 0;
  std::uint64_t handedOver_ = 0;
  bool stopped_ = false;
  CodingPool pool_;  // last: its threads end before the rest goes
};

}  // namespace ovk
