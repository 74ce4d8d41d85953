// The walk over a native container's entries: behind its magic and
// descriptor, or from offset 0 in the headerless oldest layout (256-byte
// name fields).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "coding/Records.h"
#include "engine/formats/native/NativeLayout.h"
#include "engine/format/PayloadReader.h"

namespace ovk {

class NativeReader final : public PayloadReader {
 public:
  // The walk of a file with the magic (its descriptor read), or of a
  // headerless one.
  static std::unique_ptr<NativeReader> WithMagic(DataFile& file);
  static std::unique_ptr<NativeReader> Headerless(DataFile& file);

  bool Next(Entry& entry, Damage& damage) override;
  std::uint64_t EntriesKnown() const override { return 0; }

  // Whether the walk has read whole entries up to exactly the end of the
  // file, each payload within it: all a headerless file can be told by.
  bool WalksCleanlyToTheEnd();

 private:
  NativeReader(DataFile& file, const NativeDescriptor& descriptor);
  PayloadCoding Coding() const override;
  bool ReadEntry();

  NativeDescriptor info_;
  // The entry read last, as stored: its name has "\" between folders.
  std::string name_;
  std::uint64_t packedSize_ = 0;
  EntryHeader header_;
};

}  // namespace ovk
