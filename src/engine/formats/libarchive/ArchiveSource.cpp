#include "engine/formats/libarchive/ArchiveSource.h"

#include <algorithm>
#include <cerrno>

#include "coding/GzipDecompressor.h"
#include "engine/Archive.h"

namespace ovk {

namespace {

constexpr std::size_t kPieceBytes = 64 * 1024;
constexpr std::size_t kInflatedPieceBytes = 256 * 1024;

}  // namespace

ArchiveSource::ArchiveSource(DataFile& first, const std::vector<std::string>& laterParts) {
  Append(first, nullptr);
  for (const std::string& path : laterParts) {
    auto part = std::make_unique<DataFile>();
    // A volume that cannot be opened ends the stream there; the reader then
    // meets a cut archive and says so.
    if (!OpenArchiveForReading(*part, path)) break;
    DataFile& file = *part;
    Append(file, std::move(part));
  }
  buffer_.resize(kPieceBytes);
  std::string magic(2, '\0');
  std::size_t got = 0;
  Seek64(first, 0);
  ReadBlock(first, magic.data(), magic.size(), got);
  if (got == 2 && magic == "\x1f\x8b") gunzip_ = MakeGzipDecompressor();
}

void ArchiveSource::Append(DataFile& file, std::unique_ptr<DataFile> owned) {
  const std::int64_t size = FileSize64(file);
  parts_.push_back({&file, std::move(owned), total_, size});
  total_ += size;
}

int ArchiveSource::Open(archive* reader) {
  archive_read_set_callback_data(reader, this);
  archive_read_set_read_callback(reader, ReadCallback);
  // Inflated bytes are read in order only: skipping them means reading them.
  if (!gunzip_) {
    archive_read_set_seek_callback(reader, SeekCallback);
    archive_read_set_skip_callback(reader, SkipCallback);
  }
  return archive_read_open1(reader);
}

void ArchiveSource::RaiseFailure() {
  if (!failure_) return;
  const IoError failure = failure_;
  failure_ = {};
  throw EInOutError(failure);
}

la_ssize_t ArchiveSource::ReadPiece(const void** buffer, const char*& damage) {
  return gunzip_ ? ReadInflated(buffer, damage) : ReadStored(buffer);
}

la_ssize_t ArchiveSource::ReadInflated(const void** buffer, const char*& damage) {
  inflated_.clear();
  while (inflated_.empty() && !gzipEnded_) {
    // A lone first byte of a member's magic waits for the piece after it.
    const bool splitMagic = memberEnded_ && stored_ == "\x1f";
    if (stored_.empty() || splitMagic) {
      const void* stored = nullptr;
      const la_ssize_t got = ReadStored(&stored);
      if (got == 0) {
        if (memberEnded_) return 0;
        damage = "the gzip data ends early";
        return -1;
      }
      stored_ = std::string_view(static_cast<const char*>(stored), static_cast<std::size_t>(got));
      if (splitMagic) {
        joined_ = "\x1f" + std::string(stored_);
        stored_ = joined_;
      }
    }
    const StreamStatus status = gunzip_->Decode(stored_, inflated_, kInflatedPieceBytes);
    if (status == StreamStatus::kError) {
      damage = "the gzip data is damaged";
      return -1;
    }
    memberEnded_ = status == StreamStatus::kEnd;
    // Bytes after the last member are no part of the stream.
    gzipEnded_ = memberEnded_ && !stored_.empty() && stored_ != "\x1f";
  }
  *buffer = inflated_.data();
  return static_cast<la_ssize_t>(inflated_.size());
}

la_ssize_t ArchiveSource::ReadStored(const void** buffer) {
  const auto part = std::find_if(parts_.begin(), parts_.end(),
                                 [&](const Part& p) { return position_ < p.start + p.size; });
  if (part == parts_.end()) return 0;
  const std::int64_t left = part->start + part->size - position_;
  const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, kPieceBytes));
  std::size_t got = 0;
  Seek64(*part->file, position_ - part->start);
  ReadBlock(*part->file, buffer_.data(), want, got);
  // A volume shorter than it was a moment ago: the stream ends early.
  if (got == 0) throw EInOutError(IoError{"read", part->file->name, kIoReadPastEnd});
  position_ += static_cast<std::int64_t>(got);
  *buffer = buffer_.data();
  return static_cast<la_ssize_t>(got);
}

// Exceptions must not cross libarchive's C frames: a failure is kept, told
// to libarchive as fatal, and raised again once libarchive returns.
la_ssize_t ArchiveSource::ReadCallback(archive* reader, void* self, const void** buffer) {
  auto& source = *static_cast<ArchiveSource*>(self);
  try {
    const char* damage = nullptr;
    const la_ssize_t got = source.ReadPiece(buffer, damage);
    if (got < 0) archive_set_error(reader, EILSEQ, "%s", damage);
    return got;
  } catch (const EInOutError& e) {
    source.failure_ = e.Error();
    archive_set_error(reader, EIO, "%s", e.what());
    return -1;
  }
}

la_int64_t ArchiveSource::SeekCallback(archive*, void* self, la_int64_t offset, int whence) {
  auto& source = *static_cast<ArchiveSource*>(self);
  const std::int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? source.position_ : source.total_;
  const std::int64_t target = base + offset;
  if (target < 0) return ARCHIVE_FATAL;
  source.position_ = std::min(target, source.total_);
  return source.position_;
}

la_int64_t ArchiveSource::SkipCallback(archive*, void* self, la_int64_t request) {
  auto& source = *static_cast<ArchiveSource*>(self);
  const std::int64_t skipped = std::clamp<std::int64_t>(request, 0, source.total_ - source.position_);
  source.position_ += skipped;
  return skipped;
}

}  // namespace ovk
