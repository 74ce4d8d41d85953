// The bytes libarchive writes, into a file through the program's own file
// layer, so that its failures (and the tests' injected faults) reach the
// operation as they happened; gzipped on the coding threads when asked.
#pragma once

#include <archive.h>

#include <exception>
#include <memory>

#include "engine/ParallelGzip.h"
#include "support/FileUnit.h"

namespace ovk {

class ArchiveSink {
 public:
  ArchiveSink(DataFile& file, bool gzipped);
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
  // After libarchive has closed the archive: the gzip stream's last
  // blocks; raises what fails.
  void Finish();

 private:
  static la_ssize_t WriteCallback(archive* writer, void* self, const void* buffer, size_t length);

  void Write(const void* buffer, size_t length);

  DataFile& file_;
  std::unique_ptr<ParallelGzip> gzip_;
  std::exception_ptr failure_;
  bool discarding_ = false;
};

}  // namespace ovk
