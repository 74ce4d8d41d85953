// Helpers of the hardening tests: what an archive holds (as our own listing
// and extraction see it), copies of a folder's files, and the scale of the
// long loops (smaller under the sanitizers, which run several times slower).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ovkhard {

// 1 in a normal build, 4 under AddressSanitizer: loop counts are divided by it.
int SlowdownFactor();
// count / SlowdownFactor(), at least 1.
int Scaled(int count);

// What our own listing and extraction make of an archive: the extracted
// files by stored name ("\" separators) and the outcome of both calls.
struct ArchiveContent {
  bool listed = false;
  bool extracted = false;
  std::int32_t code = -1;
  std::map<std::string, std::string> files;
  std::size_t listedEntries = 0;
};
// The selection (stored names) limits what is extracted.
ArchiveContent ReadArchive(const std::string& archive, const std::string& password = "",
                           const std::vector<std::string>& selection = {});

// True when every entry of `old` is in `now` with the same content.
bool HoldsAll(const ArchiveContent& now, const ArchiveContent& old, std::string& missing);

// Relative path -> content of every regular file below the folder.
std::map<std::string, std::string> FilesBelow(const std::string& folder);
// Number of names directly in the folder (0 when it does not exist).
std::size_t CountEntries(const std::string& folder);

// Sets TMPDIR for the lifetime of the object, and restores it afterwards.
class ScopedTmpdir {
 public:
  explicit ScopedTmpdir(const std::string& folder);
  ~ScopedTmpdir();
  ScopedTmpdir(const ScopedTmpdir&) = delete;
  ScopedTmpdir& operator=(const ScopedTmpdir&) = delete;

 private:
  bool had_ = false;
  std::string old_;
};

// A private folder on another file system than `near` when /dev/shm is one
// (so that moves across file systems are exercised), else one below `near`.
// Removed with its contents at the end.
class ForeignFolder {
 public:
  explicit ForeignFolder(const std::string& near);
  ~ForeignFolder();
  ForeignFolder(const ForeignFolder&) = delete;
  ForeignFolder& operator=(const ForeignFolder&) = delete;
  const std::string& Path() const { return path_; }
  bool OtherFileSystem() const { return other_; }

 private:
  std::string path_;
  bool other_ = false;
};

}  // namespace ovkhard
