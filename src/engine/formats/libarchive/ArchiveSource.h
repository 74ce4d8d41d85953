// The bytes libarchive reads: the archive file and the volumes that follow
// it, one stream in order, read through the program's own file layer so that
// its failures (and the tests' injected faults) reach the walk. A gzip, xz
// or zstd stream is decoded here, by the coding layer's decoders on a
// thread of its own, and libarchive reads what it holds.
#pragma once

#include <archive.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "coding/Decompressor.h"
#include "engine/CodingPool.h"
#include "engine/formats/libarchive/DecodeAhead.h"
#include "support/FileUnit.h"

namespace ovk {

class ArchiveSource {
 public:
  // first stays the caller's; laterParts name the volumes after it, each
  // opened here, in order. An xz stream's blocks decode on up to threads
  // threads: one when only the first headers are wanted, as more would
  // decode blocks ahead that no one reads.
  ArchiveSource(DataFile& first, const std::vector<std::string>& laterParts, unsigned threads = CodingPool::Cores());
  ~ArchiveSource();
  ArchiveSource(const ArchiveSource&) = delete;
  ArchiveSource& operator=(const ArchiveSource&) = delete;

  // Hands the source to libarchive's callbacks and opens it; libarchive's
  // status.
  int Open(archive* reader);
  // Raises the read failure a callback met (and cleared), if any, as the
  // file layer raised it.
  void RaiseFailure();
  // The filter decoded before libarchive sees the bytes (gzip, xz, zstd), else
  // ARCHIVE_FILTER_NONE.
  int DecodedFilter() const { return decodedFilter_; }

 private:
  struct Part {
    DataFile* file;
    std::unique_ptr<DataFile> owned;  // a later volume
    std::int64_t start = 0, size = 0;
  };
  static la_ssize_t ReadCallback(archive* reader, void* self, const void** buffer);
  static la_int64_t SeekCallback(archive* reader, void* self, la_int64_t offset, int whence);
  static la_int64_t SkipCallback(archive* reader, void* self, la_int64_t request);
  // The next stored bytes, 0 at the stream's end.
  la_ssize_t ReadStored(const void** buffer);
  // The next decoded bytes into `to`: their count, 0 at the stream's end,
  // -1 (with why in damage) when it is damaged.
  la_ssize_t Decode(std::string& to, const char*& damage);
  void MakePiece(DecodeAhead::Piece& piece);
  void Append(DataFile& file, std::unique_ptr<DataFile> owned);

  std::vector<Part> parts_;
  std::int64_t total_ = 0, position_ = 0;
  std::string buffer_;
  IoError failure_;
  std::unique_ptr<Decompressor> decoder_;
  int decodedFilter_ = ARCHIVE_FILTER_NONE;
  std::string_view stored_;  // read, not yet decoded
  std::string joined_;       // a member's magic split between two pieces
  bool memberEnded_ = false, decodedEnded_ = false;
  std::unique_ptr<DecodeAhead> ahead_;  // runs Decode once opened
};

}  // namespace ovk
