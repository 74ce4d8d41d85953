#include "engine/SavePool.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "support/StringUnit.h"

namespace ovk {

namespace {

// Files in flight hold together at most this much (or one larger file alone).
constexpr std::size_t kBytesInFlight = 64u << 20;

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
                    const FileStamp& stamp) {
  const std::string path = LowerAscii(relative);
  Writer* writer = nullptr;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] {
      if (stopped_) return true;
      writer = FreeWriter();
      return writer && !MeetsPathInFlight(path) &&
             (bytesInFlight_ == 0 || bytesInFlight_ + data.size() <= kBytesInFlight);
    });
    if (stopped_) return false;
    writer->busy = true;
    writer->path = path;
    writer->bytes = data.size();
    writer->order = handedOver_++;
    bytesInFlight_ += data.size();
  }
  pool_.Run([this, writer, data = std::move(data), relative, entryName, stamp] {
    Write(*writer, data, relative, entryName, stamp);
  });
  return true;
}

void SavePool::Write(Writer& writer, const std::string& data, const std::string& relative,
                     const std::string& entryName, const FileStamp& stamp) {
  const int code = output_.Save(data, relative, stamp.mode, stamp.modifiedTime);
  std::lock_guard<std::mutex> lock(mutex_);
  if (code != 0) {
    failures_.push_back({entryName, code, writer.order});
    stopped_ = stopped_ || FailureEndsWalk(code);
  } else {
    ++written_;
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
