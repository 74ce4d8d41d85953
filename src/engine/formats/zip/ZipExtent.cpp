#include "engine/formats/zip/ZipExtent.h"

#include <stdexcept>
#include <string>

#include "engine/formats/zip/ZipFormat.h"
#include "support/ByteOrder.h"

namespace ovk {

namespace {

std::uint64_t SizeField(const std::uint8_t* p, std::size_t bytes) {
  return bytes == 8 ? GetLE64(p) : GetLE32(p);
}

}  // namespace

std::size_t DescriptorLength(std::string_view bytes, std::uint32_t crc32, std::uint64_t packedSize,
                             std::uint64_t originalSize) {
  const auto* d = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::size_t got = bytes.size();
  const bool signature = got >= 4 && GetLE32(d) == kSigDataDescriptor;
  // 64-bit sizes first: 32-bit ones read as 64-bit would take in the next
  // record's signature, never a match.
  for (const std::size_t skip : {4u, 0u}) {
    if (skip == 4 && !signature) continue;
    for (const std::size_t sizeBytes : {8u, 4u}) {
      const std::size_t length = skip + 4 + 2 * sizeBytes;
      const std::uint8_t* v = d + skip;
      if (got >= length && GetLE32(v) == crc32 && SizeField(v + 4, sizeBytes) == packedSize &&
          SizeField(v + 4 + sizeBytes, sizeBytes) == originalSize)
        return length;
    }
  }
  return 0;
}

std::int64_t DescriptorLength(DataFile& file, std::int64_t position, std::uint32_t crc32,
                              std::uint64_t packedSize, std::uint64_t originalSize) {
  char d[kLongestDescriptor] = {};
  std::size_t got = 0;
  Seek64(file, position);
  ReadBlock(file, d, sizeof d, got);
  return static_cast<std::int64_t>(DescriptorLength(std::string_view(d, got), crc32, packedSize, originalSize));
}

std::uint64_t ListedEntryExtent(DataFile& file, const CentralEntry& entry, std::uint64_t start,
                                std::uint64_t limit) {
  std::uint8_t h[kLocalHeaderBytes] = {};
  std::size_t got = 0;
  if (start < limit) {
    Seek64(file, static_cast<std::int64_t>(start));
    ReadBlock(file, h, sizeof h, got);
  }
  if (got < sizeof h || GetLE32(h) != kSigLocalHeader)
    throw std::runtime_error("no local header at offset " + std::to_string(start));
  const LocalHeaderFields fields = DecodeLocalHeader(h);
  const std::uint64_t payload = start + kLocalHeaderBytes + fields.nameLength + fields.extraLength;
  const std::uint64_t packed = entry.values.compressedSize;
  if (payload > limit || packed > limit - payload)
    throw std::runtime_error("its data would run past the central directory");
  std::uint64_t end = payload + packed;
  if (fields.flags & kZipFlagDataDescriptor) {
    const std::int64_t descriptor = DescriptorLength(file, static_cast<std::int64_t>(end), entry.values.crc32,
                                                     packed, entry.values.uncompressedSize);
    if (descriptor == 0) throw std::runtime_error("no data descriptor behind its data repeats its sizes");
    end += static_cast<std::uint64_t>(descriptor);
  }
  if (end > limit) throw std::runtime_error("its data descriptor runs into the central directory");
  return end - start;
}

}  // namespace ovk
