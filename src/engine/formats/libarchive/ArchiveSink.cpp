#include "engine/formats/libarchive/ArchiveSink.h"

#include <cerrno>

namespace ovk {

ArchiveSink::ArchiveSink(DataFile& file, bool gzipped)
    : file_(file), gzip_(gzipped ? std::make_unique<ParallelGzip>(file) : nullptr) {}

int ArchiveSink::Open(archive* writer) {
  return archive_write_open2(writer, this, nullptr, WriteCallback, nullptr, nullptr);
}

void ArchiveSink::RaiseFailure() {
  if (!failure_) return;
  const std::exception_ptr failure = failure_;
  failure_ = nullptr;
  std::rethrow_exception(failure);
}

void ArchiveSink::Finish() {
  if (gzip_) gzip_->Finish();
}

void ArchiveSink::Write(const void* buffer, size_t length) {
  if (gzip_)
    gzip_->Write(buffer, length);
  else
    WriteBlock(file_, buffer, length);
}

// Exceptions must not cross libarchive's C frames: a failure is kept, told
// to libarchive as fatal, and raised again once libarchive returns.
la_ssize_t ArchiveSink::WriteCallback(archive* writer, void* self, const void* buffer, size_t length) {
  auto& sink = *static_cast<ArchiveSink*>(self);
  if (sink.discarding_) return static_cast<la_ssize_t>(length);
  try {
    sink.Write(buffer, length);
    return static_cast<la_ssize_t>(length);
  } catch (const std::exception& e) {
    sink.failure_ = std::current_exception();
    archive_set_error(writer, EIO, "%s", e.what());
    return -1;
  }
}

}  // namespace ovk
