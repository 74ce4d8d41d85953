#include "engine/formats/zip/ZipCentralRecords.h"

#include <algorithm>
#include <stdexcept>

#include "engine/formats/zip/ZipExtraFields.h"
#include "engine/formats/zip/ZipFormat.h"
#include "support/ByteOrder.h"

namespace ovk {

namespace {

constexpr std::size_t kCentralFixedBytes = 46;
constexpr std::size_t kOffsetField = 42;

// The ZIP64 extended information field replaces exactly those of the
// record's 32-bit values that hold 0xFFFFFFFF, in this order.
void ApplyZip64Extra(std::string_view extra, CentralEntry& entry) {
  ForEachExtraField(extra, [&](std::uint16_t id, std::string_view data) {
    if (id != kZip64ExtraId) return true;
    for (std::uint64_t* field :
         {&entry.values.uncompressedSize, &entry.values.compressedSize, &entry.localHeaderOffset}) {
      if (*field != kZip64Marker) continue;
      if (data.size() < 8) return false;
      if (field == &entry.localHeaderOffset)
        entry.zip64OffsetAt = static_cast<std::size_t>(data.data() - entry.bytes.data());
      *field = GetLE64(data.data());
      data.remove_prefix(8);
    }
    return false;
  });
}

}  // namespace

std::size_t ForEachCentralRecord(std::string_view directory,
                                 const std::function<void(const CentralEntry&)>& visit) {
  std::string_view rest = directory;
  while (rest.size() >= kCentralFixedBytes && GetLE32(rest.data()) == kSigCentralHeader) {
    const char* h = rest.data();
    const std::size_t nameLength = GetLE16(h + 28);
    const std::size_t extraLength = GetLE16(h + 30);
    const std::size_t commentLength = GetLE16(h + 32);
    const std::size_t total = kCentralFixedBytes + nameLength + extraLength + commentLength;
    if (rest.size() < total) break;
    CentralEntry entry;
    entry.bytes = rest.substr(0, total);
    entry.name = rest.substr(kCentralFixedBytes, nameLength);
    entry.extra = rest.substr(kCentralFixedBytes + nameLength, extraLength);
    entry.values.versionMadeBy = GetLE16(h + 4);
    entry.values.flags = GetLE16(h + 8);
    entry.values.method = GetLE16(h + 10);
    entry.values.crc32 = GetLE32(h + 16);
    entry.values.compressedSize = GetLE32(h + 20);
    entry.values.uncompressedSize = GetLE32(h + 24);
    entry.values.externalAttributes = GetLE32(h + 38);
    entry.localHeaderOffset = GetLE32(h + kOffsetField);
    ApplyZip64Extra(entry.extra, entry);
    visit(entry);
    rest.remove_prefix(total);
  }
  return directory.size() - rest.size();
}

std::string RecordWithOffset(const CentralEntry& entry, std::uint64_t offset) {
  std::string record(entry.bytes);
  std::string field;
  std::size_t at = entry.zip64OffsetAt;
  if (at != 0) {
    PutLE64(field, offset);
  } else if (offset < kZip64Marker) {
    PutLE32(field, static_cast<std::uint32_t>(offset));
    at = kOffsetField;
  } else {
    // An entry moves forward only when the directory lists it after entries
    // that lie behind it in the file; a ZIP64 field would have to be made.
    throw std::runtime_error("its new offset " + std::to_string(offset) + " does not fit its record");
  }
  record.replace(at, field.size(), field);
  return record;
}

}  // namespace ovk
