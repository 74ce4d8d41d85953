// The bytes libarchive writes, into a file through the program's own file
// layer, so that its failures (and the tests' injected faults) reach the
// operation as they happened; compressed here on the way when asked: gzip on
// the coding threads, xz by an encoder whose memory this program bounds.
#pragma once

#include <archive.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "coding/XzCompressor.h"
#include "engine/ParallelGzip.h"
#include "support/FileUnit.h"

namespace ovk {

// What the sink itself compresses libarchive's bytes to.
enum class SinkFilter : std::uint8_t { kNone, kGzip, kXz };

class ArchiveSink {
 public:
  ArchiveSink(DataFile& file, SinkFilter filter);
  ArchiveSink(const ArchiveSink&) = delete;
  ArchiveSink& operator=(const ArchiveSink&) = delete;

  // Hands the sink to libarchive's callbacks and opens the writer;
  // libarchive's status.
  int Open(archive* writer);
  // Raises the write failure a callback met (and cleared), if any, as the
  // file layer raised it.
  void RaiseFailure();
  // From now on what libarchive writes is dropped: an archive given up
  // halfway is not ended into its file.
  void Discard() { discarding_ = true; }

 private:
  static la_ssize_t WriteCallback(archive* writer, void* self, const void* buffer, size_t length);
  // Ends the compressed stream once libarchive ended the archive.
  static int CloseCallback(archive* writer, void* self);
  // Runs a step that writes, keeping what it raises for RaiseFailure.
  template <typename Step>
  bool Guarded(archive* writer, Step step);

  void Write(const void* buffer, size_t length);
  void Finish();
  void WriteXz();

  DataFile& file_;
  std::unique_ptr<ParallelGzip> gzip_;
  std::unique_ptr<XzCompressor> xz_;
  std::string compressed_;
  std::exception_ptr failure_;
  bool discarding_ = false;
};

}  // namespace ovk
