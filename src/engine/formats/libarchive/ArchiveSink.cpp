#include "engine/formats/libarchive/ArchiveSink.h"

#include <cerrno>
#include <string_view>

namespace ovk {

ArchiveSink::ArchiveSink(DataFile& file, unsigned xzThreads) : file_(file) {
  if (xzThreads > 0) xz_ = std::make_unique<XzCompressor>(xzThreads);
}

int ArchiveSink::Open(archive* writer) {
  return archive_write_open2(writer, this, nullptr, WriteCallback, CloseCallback, nullptr);
}

void ArchiveSink::RaiseFailure() {
  if (!failure_) return;
  const std::exception_ptr failure = failure_;
  failure_ = nullptr;
  std::rethrow_exception(failure);
}

// Exceptions must not cross libarchive's C frames: a failure is kept, told
// to libarchive as fatal, and raised again once libarchive returns.
template <typename Step>
bool ArchiveSink::Guarded(archive* writer, Step step) {
  try {
    step();
    return true;
  } catch (const std::exception& e) {
    failure_ = std::current_exception();
    archive_set_error(writer, EIO, "%s", e.what());
    return false;
  }
}

la_ssize_t ArchiveSink::WriteCallback(archive* writer, void* self, const void* buffer, size_t length) {
  auto& sink = *static_cast<ArchiveSink*>(self);
  if (sink.discarding_) return static_cast<la_ssize_t>(length);
  const bool wrote = sink.Guarded(writer, [&] {
    if (!sink.xz_) return WriteBlock(sink.file_, buffer, length);
    sink.compressed_.clear();
    sink.xz_->Compress(std::string_view(static_cast<const char*>(buffer), length), sink.compressed_);
    WriteBlock(sink.file_, sink.compressed_.data(), sink.compressed_.size());
  });
  return wrote ? static_cast<la_ssize_t>(length) : -1;
}

int ArchiveSink::CloseCallback(archive* writer, void* self) {
  auto& sink = *static_cast<ArchiveSink*>(self);
  if (sink.discarding_ || !sink.xz_) return ARCHIVE_OK;
  const bool wrote = sink.Guarded(writer, [&] {
    sink.compressed_.clear();
    sink.xz_->Finish(sink.compressed_);
    WriteBlock(sink.file_, sink.compressed_.data(), sink.compressed_.size());
  });
  return wrote ? ARCHIVE_OK : ARCHIVE_FATAL;
}

}  // namespace ovk
