#include "engine/SavePool.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "support/StringUnit.h"

namespace ovk {

namespace {

// Files in flight hold together at most this much (or one larger file alone).
constexpr std::size_t kBytesInFlight = 64u << 20;
// What a streamed file holds at a time: a stored piece and the content it gives.
constexpr std::size_t kStreamBytes = 2u << 20;

// Letter case is ignored: on a file system that ignores it the two names
// are one file.
bool PathsMeet(const std::string& a, const std::string& b) {
  const std::string& shorter = a.size() <= b.size() ? a : b;
  const std::string& longer = a.size() <= b.size() ? b : a;
  return longer.compare(0, shorter.size(), shorter) == 0 &&
         (longer.size() == shorter.size() || IsPathSeparator(longer[shorter.size()]));
}

}  // namespace

bool FailureEndsWalk(int code) {
  return code != ELOOP && code != ENOTDIR && code != EISDIR && code != ENAMETOOLONG && code != EINVAL;
}

SavePool::SavePool(BeneathWriter& output, unsigned threads)
    : output_(output), writers_(std::max(1u, threads)), pool_(std::max(1u, threads)) {}

SavePool::Writer* SavePool::FreeWriter() {
  for (Writer& w : writers_) {
    if (!w.busy) return &w;
  }
  return nullptr;
}

bool SavePool::AnyBusy() const {
  for (const Writer& w : writers_) {
    if (w.busy) return true;
  }
  return false;
}

bool SavePool::MeetsPathInFlight(const std::string& path) const {
  for (const Writer& w : writers_) {
    if (w.busy && PathsMeet(w.path, path)) return true;
  }
  return false;
}

bool SavePool::Save(std::string data, const std::string& relative, const std::string& entryName,
                    const FileStamp& stamp, const SaveDecode& decode, std::size_t contentBytes) {
  const std::size_t bytes = std::max(data.size(), contentBytes);
  return HandOver(relative, entryName, bytes, [this, data = std::move(data), relative, stamp, decode]() mutable {
    if (decode && !decode(data)) return kContentUnverified;
    return output_.Save(data, relative, stamp.mode, stamp.modifiedTime);
  });
}

bool SavePool::Stream(const std::string& relative, const std::string& entryName, const FileStamp& stamp,
                      SaveFill fill) {
  return HandOver(relative, entryName, kStreamBytes, [this, relative, stamp, fill = std::move(fill)] {
    FileBeneath out;
    int code = output_.Begin(relative, out);
    if (code == 0) code = fill(out);
    if (code == 0) code = out.Commit(stamp.mode, stamp.modifiedTime);
    return code;
  });
}

bool SavePool::HandOver(const std::string& relative, const std::string& entryName, std::size_t bytes,
                        std::function<int()> job) {
  const std::string path = LowerAscii(relative);
  Writer* writer = nullptr;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] {
      if (stopped_) return true;
      writer = FreeWriter();
      return writer && !MeetsPathInFlight(path) && (bytesInFlight_ == 0 || bytesInFlight_ + bytes <= kBytesInFlight);
    });
    if (stopped_) return false;
    writer->busy = true;
    writer->path = path;
    writer->bytes = bytes;
    writer->order = handedOver_++;
    bytesInFlight_ += bytes;
  }
  pool_.Run([this, writer, entryName, job = std::move(job)] {
    try {
      Done(*writer, entryName, job(), false);
    } catch (const EInOutError& e) {
      Done(*writer, entryName, e.Code(), true);
    }
  });
  return true;
}

void SavePool::Done(Writer& writer, const std::string& entryName, int code, bool reading) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (code == 0) {
    ++written_;
  } else if (code != kSaveCancelled) {
    failures_.push_back({entryName, code, writer.order, reading});
    stopped_ = stopped_ || (code != kContentUnverified && FailureEndsWalk(code));
  }
  bytesInFlight_ -= writer.bytes;
  writer.busy = false;
  changed_.notify_all();
}

void SavePool::Settle(const std::string& relative) {
  const std::string path = LowerAscii(relative);
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return !MeetsPathInFlight(path); });
}

void SavePool::Finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return !AnyBusy(); });
  std::sort(failures_.begin(), failures_.end(),
            [](const SaveFailure& a, const SaveFailure& b) { return a.order < b.order; });
}

}  // namespace ovk
