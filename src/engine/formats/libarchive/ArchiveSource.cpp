#include "engine/formats/libarchive/ArchiveSource.h"

#include <algorithm>
#include <cerrno>

#include "coding/GzipDecompressor.h"
#include "coding/OtherMethods.h"
#include "coding/XzFileDecompressor.h"
#include "engine/Archive.h"

namespace ovk {

namespace {

constexpr std::size_t kPieceBytes = 64 * 1024;
constexpr std::size_t kDecodedPieceBytes = 256 * 1024;
constexpr std::string_view kGzipMagic("\x1f\x8b", 2);
constexpr std::string_view kXzMagic("\xfd" "7zXZ\0", 6);
constexpr std::string_view kZstdMagic("\x28\xb5\x2f\xfd", 4);

}  // namespace

ArchiveSource::ArchiveSource(DataFile& first, const std::vector<std::string>& laterParts, unsigned threads) {
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
  std::string magic(kXzMagic.size(), '\0');
  std::size_t got = 0;
  Seek64(first, 0);
  ReadBlock(first, magic.data(), magic.size(), got);
  magic.resize(got);
  if (magic.starts_with(kGzipMagic)) {
    decoder_ = MakeGzipDecompressor();
    decodedFilter_ = ARCHIVE_FILTER_GZIP;
  } else if (magic == kXzMagic) {
    decoder_ = MakeXzFileDecompressor(threads);
    decodedFilter_ = ARCHIVE_FILTER_XZ;
  } else if (magic.starts_with(kZstdMagic)) {
    decoder_ = MakeZstdDecompressor();
    decodedFilter_ = ARCHIVE_FILTER_ZSTD;
  }
}

ArchiveSource::~ArchiveSource() = default;

void ArchiveSource::Append(DataFile& file, std::unique_ptr<DataFile> owned) {
  const std::int64_t size = FileSize64(file);
  parts_.push_back({&file, std::move(owned), total_, size});
  total_ += size;
}

int ArchiveSource::Open(archive* reader) {
  archive_read_set_callback_data(reader, this);
  archive_read_set_read_callback(reader, ReadCallback);
  // Decoded bytes are read in order only: skipping them means reading them.
  if (decoder_) ahead_ = std::make_unique<DecodeAhead>([this](DecodeAhead::Piece& piece) { MakePiece(piece); });
  else {
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

la_ssize_t ArchiveSource::Decode(std::string& to, const char*& damage) {
  while (to.empty() && !decodedEnded_) {
    // A lone first byte of a member's magic waits for the piece after it.
    const bool splitMagic = memberEnded_ && stored_ == "\x1f";
    if (stored_.empty() || splitMagic) {
      const void* stored = nullptr;
      const la_ssize_t got = ReadStored(&stored);
      if (got == 0) {
        if (memberEnded_) return 0;
        damage = "the compressed data ends early";
        return -1;
      }
      stored_ = std::string_view(static_cast<const char*>(stored), static_cast<std::size_t>(got));
      if (splitMagic) {
        joined_ = "\x1f" + std::string(stored_);
        stored_ = joined_;
      }
    }
    const StreamStatus status = decoder_->Decode(stored_, to, kDecodedPieceBytes);
    if (status == StreamStatus::kError) {
      damage = "the compressed data is damaged";
      return -1;
    }
    memberEnded_ = status == StreamStatus::kEnd;
    // Bytes after the last member are no part of the stream.
    decodedEnded_ = memberEnded_ && !stored_.empty() && stored_ != "\x1f";
  }
  return static_cast<la_ssize_t>(to.size());
}

// On the decoding thread: what goes wrong there travels with the piece.
void ArchiveSource::MakePiece(DecodeAhead::Piece& piece) {
  try {
    piece.status = Decode(piece.bytes, piece.damage);
  } catch (const EInOutError& e) {
    piece.status = -1;
    piece.failure = e.Error();
  } catch (const std::exception&) {  // no memory for the decoder, say
    piece.status = -1;
    piece.damage = "the compressed data cannot be decoded";
  }
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
  if (source.ahead_) {
    const DecodeAhead::Piece& piece = source.ahead_->Next();
    if (piece.failure) {
      source.failure_ = piece.failure;
      archive_set_error(reader, EIO, "%s", EInOutError(piece.failure).what());
    } else if (piece.status < 0) archive_set_error(reader, EILSEQ, "%s", piece.damage);
    *buffer = piece.bytes.data();
    return piece.status;
  }
  try {
    return source.ReadStored(buffer);
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
