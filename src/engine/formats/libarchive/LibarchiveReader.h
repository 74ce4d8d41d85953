// The walk over an archive libarchive reads, its content streamed.
#pragma once

#include <memory>
#include <string>

#include "engine/format/Format.h"
#include "engine/formats/libarchive/ArchiveHandle.h"
#include "engine/formats/libarchive/ArchiveSource.h"

namespace ovk {

class LibarchiveReader final : public Reader {
 public:
  // formatName as the format is called; path names the file (and, for bare
  // compressed data, its one entry).
  LibarchiveReader(DataFile& file, const std::string& path, std::string formatName);

  bool Next(Entry& entry, Damage& damage) override;
  std::uint64_t EntriesKnown() const override { return 0; }
  std::unique_ptr<EntryContent> Content(const std::string& password, CipherHolder& cipher) override;
  // Only streamed: libarchive hands out decoded bytes, never stored ones.
  bool Whole(WholePayload&) override { return false; }

 private:
  // The next header as it stands, the archive's root folder included.
  bool ReadNext(Entry& entry, Damage& damage);
  ArchiveSource source_;
  ArchiveHandle archive_;
  std::string formatName_, bareName_;
  std::int64_t size_ = -1;  // the current entry's recorded size; -1: none
  bool ended_ = false;
};

// The one entry's name of bare compressed data at path: the file's name
// without its compression suffix, else with ".out" added.
std::string BareEntryName(const std::string& path);

}  // namespace ovk
