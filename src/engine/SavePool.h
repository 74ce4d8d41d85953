// Writing extracted files on a few threads while the walk decodes the next
// entries. Two files whose paths could meet (the same name, or one naming a
// folder of the other) are never in flight together, so files and folders
// end up as a one-by-one run leaves them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
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

// Why a file handed over was not written besides the system's reasons: its
// content failed its check, or the pool was cancelled while it streamed.
constexpr int kContentUnverified = -1;
constexpr int kSaveCancelled = -2;

// A file that was not written, and why (an errno value, a file-layer code or
// one of the two above).
struct SaveFailure {
  std::string entryName;
  int code = 0;
  std::uint64_t order = 0;  // the file's place among those handed over
  bool reading = false;     // reading the archive failed, not the writing
};

// Turns what was handed over into the file's content on the writer's
// thread; false when the content fails its check.
using SaveDecode = std::function<bool(std::string& data)>;
// Writes a file's content into its private file on the writer's thread: 0,
// else why not (as SaveFailure::code). Raises EInOutError as a read of the
// archive does.
using SaveFill = std::function<int(FileBeneath& out)>;

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
  // once a write failed in a way that ends the walk. With decode, data is
  // what it decodes into content of at most contentBytes.
  bool Save(std::string data, const std::string& relative, const std::string& entryName, const FileStamp& stamp,
            const SaveDecode& decode = {}, std::size_t contentBytes = 0);
  // A file too large to hold whole: fill writes it on a writer's thread
  // while the walk goes on; handed over as Save.
  bool Stream(const std::string& relative, const std::string& entryName, const FileStamp& stamp, SaveFill fill);
  // Streams in flight stop at their next piece and leave no file.
  void Cancel() { cancelled_ = true; }
  bool Cancelled() const { return cancelled_; }
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
  // Runs job on a free writer once the path and the bytes allow; false once
  // a failure ended the walk. The job returns 0 or why the file failed.
  bool HandOver(const std::string& relative, const std::string& entryName, std::size_t bytes,
                std::function<int()> job);
  void Done(Writer& writer, const std::string& entryName, int code, bool reading);

  BeneathWriter& output_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Writer> writers_;
  std::size_t bytesInFlight_ = 0;
  std::vector<SaveFailure> failures_;
  std::uint64_t written_ = 0;
  std::uint64_t handedOver_ = 0;
  bool stopped_ = false;
  std::atomic<bool> cancelled_{false};
  CodingPool pool_;  // last: its threads end before the rest goes
};

}  // namespace ovk
