// The walk over a ZIP archive's entries: those its central directory lists,
// in the order of their local headers, or, without a directory, the local
// headers as they stand.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/format/PayloadReader.h"
#include "engine/formats/zip/ZipEntryRecord.h"

namespace ovk {

class ZipReader final : public PayloadReader {
 public:
  // Reads the directory when one is found; leaves the file at the first
  // entry.
  explicit ZipReader(DataFile& file);

  bool Next(Entry& entry, Damage& damage) override;
  std::uint64_t EntriesKnown() const override { return directory_ ? directory_->records.size() : 0; }
  std::string Comment() const override { return directory_ ? directory_->comment : std::string(); }

 private:
  PayloadCoding Coding() const override;
  // Each fills record_ and leaves the file at the entry's first payload byte.
  bool ReadListedEntry();
  bool ReadLocalEntry();
  std::int64_t ScanForLocalHeader(std::int64_t base);
  bool LocalHeaderAt(std::uint64_t offset);
  struct LocalHeader;
  LocalHeader ReadLocalHeader(std::int64_t offset);
  std::int64_t ListedEntryEnd(std::int64_t payloadStart);
  EntryDamage PayloadDamage(std::int64_t payloadStart) const;

  std::shared_ptr<const ZipDirectory> directory_;  // null when no directory was found
  std::size_t nextRecord_ = 0;    // the walk's next record of the directory
  std::int64_t coveredEnd_ = 0;   // the furthest end of the listed entries read
  std::int64_t lastHeader_ = -1;  // offset of the last local header read
  ZipEntryRecord record_;         // the entry read last
};

}  // namespace ovk
