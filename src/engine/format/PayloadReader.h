// What the formats whose entries are payloads stored in the file between
// headers share: a read-ahead for the headers, the step behind each
// payload, and the current entry's content through the payload decoder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/format/Format.h"
#include "support/FileUnit.h"

namespace ovk {

class PayloadReader : public Reader {
 public:
  explicit PayloadReader(DataFile& file);

  std::unique_ptr<EntryContent> Content(const std::string& password, CipherHolder& cipher) override;
  // False for an entry that carries no checksum.
  bool Whole(WholePayload& payload) override;
  bool Extent(PayloadExtent& extent) override;

 protected:
  // The plan of the entry the walk read last.
  virtual PayloadCoding Coding() const = 0;

  // Leaves the file where the next header starts: behind the last payload.
  void Resume();
  // The entry just read stores packedSize bytes from the file's position on.
  void Found(std::uint64_t packedSize);
  // The target of the link entry just read, when it is small and readable
  // without a password; else empty.
  std::string LinkTarget(const Entry& entry);

  // Up to count bytes at position from the read-ahead, refilled as needed;
  // fewer only at the end of the file. Spares a read (and a seek) per
  // header field.
  std::string_view Peek(std::int64_t position, std::size_t count);
  // Exactly count bytes at position; short of them it raises as a plain
  // read of the file does.
  std::string_view Take(std::int64_t position, std::size_t count);

  DataFile& file_;
  const std::int64_t fileSize_;
  std::int64_t resumeAt_ = -1;  // where the last entry's payload ends (-1: none read)

 private:
  std::string StoredBytes(std::uint64_t limit);

  std::int64_t payloadStart_ = 0;
  std::uint64_t packedSize_ = 0;
  std::string ahead_;
  std::int64_t aheadStart_ = -1;  // -1: nothing read ahead
};

// The content of the entry at extent, read from file (the archive, opened
// by whoever reads it); the cipher as for Reader::Content.
std::unique_ptr<EntryContent> ExtentContent(DataFile& file, const PayloadExtent& extent, const std::string& password,
                                            CipherHolder& cipher);

}  // namespace ovk
