// The bytes libarchive reads: the archive file and the volumes that follow
// it, one stream in order, read through the program's own file layer so that
// its failures (and the tests' injected faults) reach the walk. A gzip
// stream is inflated here, by the faster decoder of the coding layer, and
// libarchive reads what it holds.
#pragma once

#include <archive.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "coding/Decompressor.h"
#include "support/FileUnit.h"

namespace ovk {

class ArchiveSource {
 public:
  // first stays the caller's; laterParts name the volumes after it, each
  // opened here, in order.
  ArchiveSource(DataFile& first, const std::vector<std::string>& laterParts);
  ArchiveSource(const ArchiveSource&) = delete;
  ArchiveSource& operator=(const ArchiveSource&) = delete;

  // Hands the source to libarchive's callbacks and opens it; libarchive's
  // status.
  int Open(archive* reader);
  // Raises the read failure a callback met (and cleared), if any, as the
  // file layer raised it.
  void RaiseFailure();
  // Whether the stream is gzip, inflated before libarchive sees it.
  bool Gunzips() const { return gunzip_ != nullptr; }

 private:
  struct Part {
    DataFile* file;
    std::unique_ptr<DataFile> owned;  // a later volume
    std::int64_t start = 0, size = 0;
  };
  static la_ssize_t ReadCallback(archive* reader, void* self, const void** buffer);
  static la_int64_t SeekCallback(archive* reader, void* self, la_int64_t offset, int whence);
  static la_int64_t SkipCallback(archive* reader, void* self, la_int64_t request);
  // The next piece of the stream, 0 at its end, -1 (with why in damage)
  // when it is damaged.
  la_ssize_t ReadPiece(const void** buffer, const char*& damage);
  la_ssize_t ReadStored(const void** buffer);
  la_ssize_t ReadInflated(const void** buffer, const char*& damage);
  void Append(DataFile& file, std::unique_ptr<DataFile> owned);

  std::vector<Part> parts_;
  std::int64_t total_ = 0, position_ = 0;
  std::string buffer_;
  IoError failure_;
  std::unique_ptr<Decompressor> gunzip_;
  std::string_view stored_;  // read, not yet inflated
  std::string joined_;       // a member's magic split between two pieces
  std::string inflated_;
  bool memberEnded_ = false, gzipEnded_ = false;
};

}  // namespace ovk
