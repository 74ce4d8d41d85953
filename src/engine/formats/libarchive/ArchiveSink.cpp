#include "engine/formats/libarchive/ArchiveSink.h"

#include <cerrno>
#include <string_view>

#include "engine/CodingPool.h"

namespace ovk {

ArchiveSink::ArchiveSink(DataFile& file, SinkFilter filter) : file_(file) {
  if (filter == SinkFilter::kGzip) gzip_ = std::make_unique<ParallelGzip>(file);
  if (filter == SinkFilter::kXz) xz_ = std::make_unique<XzCompressor>(CodingPool::Cores());
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

void ArchiveSink::Write(const void* buffer, size_t length) {
  if (gzip_) return gzip_->Write(buffer, length);
  if (!xz_) return WriteBlock(file_, buffer, length);
  compressed_.clear();
  xz_->Compress(std::string_view(static_cast<const char*>(buffer), length), compressed_);
  WriteXz();
}

void ArchiveSink::Finish() {
  if (gzip_) gzip_->Finish();
  if (!xz_) return;
  compressed_.clear();
  xz_->Finish(compressed_);
  WriteXz();
}

void ArchiveSink::WriteXz() { WriteBlock(file_, compressed_.data(), compressed_.size()); }

la_ssize_t ArchiveSink::WriteCallback(archive* writer, void* self, const void* buffer, size_t length) {
  auto& sink = *static_cast<ArchiveSink*>(self);
  if (sink.discarding_) return static_cast<la_ssize_t>(length);
  return sink.Guarded(writer, [&] { sink.Write(buffer, length); }) ? static_cast<la_ssize_t>(length) : -1;
}

int ArchiveSink::CloseCallback(archive* writer, void* self) {
  auto& sink = *static_cast<ArchiveSink*>(self);
  if (sink.discarding_) return ARCHIVE_OK;
  return sink.Guarded(writer, [&] { sink.Finish(); }) ? ARCHIVE_OK : ARCHIVE_FATAL;
}

}  // namespace ovk
