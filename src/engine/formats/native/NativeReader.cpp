#include "engine/formats/native/NativeReader.h"

#include <algorithm>

#include "engine/Archive.h"
#include "engine/formats/native/NativeLayout.h"
#include "support/ByteOrder.h"
#include "support/DosTime.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

constexpr std::size_t kEntryHeaderBytes = 17;
constexpr std::size_t kOldNameField = 256;
// Layouts before 3 carry no entry header, hence no checksum and no size.
constexpr std::uint32_t kFirstHeaderedVersion = 3;
// Layouts before 2 keep each name in a fixed field.
constexpr std::uint32_t kFirstSizedNameVersion = 2;

void PutDescriptor(const NativeDescriptor& descriptor, std::uint8_t* out) {
  out[0] = kNativeKindByte;
  std::string tail;
  PutLE32(tail, descriptor.version);
  PutLE32(tail, descriptor.time);
  std::copy(tail.begin(), tail.end(), out + 1);
}

NativeDescriptor GetDescriptor(const std::uint8_t* in) {
  return NativeDescriptor{GetLE32(in + 1), GetLE32(in + 5)};
}

const std::uint8_t* Bytes(std::string_view view) { return reinterpret_cast<const std::uint8_t*>(view.data()); }

}  // namespace

// The descriptor is copied over the record as far as it goes (a shorter one
// leaves the defaults behind it); a longer one's surplus is skipped.
NativeDescriptor ReadNativeDescriptor(DataFile& file) {
  Seek64(file, sizeof kNativeMagic);
  std::uint8_t lengthBytes[4];
  ReadBlock(file, lengthBytes, sizeof lengthBytes);
  const std::uint32_t length = GetLE32(lengthBytes);
  std::uint8_t record[kNativeDescriptorLength];
  PutDescriptor(NativeDescriptor{}, record);
  const std::size_t copied = std::min<std::size_t>(length, kNativeDescriptorLength);
  ReadBlock(file, record, copied);
  if (length > copied) Seek64(file, FilePos64(file) + (length - copied));
  return GetDescriptor(record);
}

NativeReader::NativeReader(DataFile& file, const NativeDescriptor& descriptor)
    : PayloadReader(file), info_(descriptor) {}

std::unique_ptr<NativeReader> NativeReader::WithMagic(DataFile& file) {
  const NativeDescriptor descriptor = ReadNativeDescriptor(file);
  return std::unique_ptr<NativeReader>(new NativeReader(file, descriptor));
}

std::unique_ptr<NativeReader> NativeReader::Headerless(DataFile& file) {
  Seek64(file, 0);
  return std::unique_ptr<NativeReader>(new NativeReader(file, NativeDescriptor{}));
}

bool NativeReader::ReadEntry() {
  name_.clear();
  header_ = EntryHeader{};
  std::int64_t at = FilePos64(file_);
  if (info_.version < kFirstSizedNameVersion) {
    const std::string_view field = Peek(at, kOldNameField);
    if (field.empty()) {
      Seek64(file_, at);
      return false;
    }
    if (field.size() < kOldNameField) throw EInOutError(IoError{"read", file_.name, kIoReadPastEnd});
    name_.assign(field.substr(1, Bytes(field)[0]));
    at += kOldNameField;
  } else {
    const std::string_view length = Peek(at, 1);
    if (length.empty()) {
      Seek64(file_, at);
      return false;
    }
    name_.assign(Take(at + 1, Bytes(length)[0]));
    at += 1 + static_cast<std::int64_t>(name_.size());
  }
  name_ = ConvertPathSeparators(name_, true);
  if (info_.version >= kFirstHeaderedVersion) {
    const std::uint8_t* h = Bytes(Take(at, kEntryHeaderBytes));
    header_.time = GetLE32(h);
    header_.originalSize = GetLE32(h + 4);
    header_.flags = GetLE32(h + 8);
    header_.encrypted = h[12];
    header_.crc32 = GetLE32(h + 13);
    at += kEntryHeaderBytes;
  }
  const std::uint32_t packed = GetLE32(Bytes(Take(at, 4)));
  packedSize_ = packed;
  Seek64(file_, at + 4);
  // A negative packed size marks the end of a native container's entries.
  if (static_cast<std::int32_t>(packed) < 0) name_.clear();
  return !name_.empty();
}

bool NativeReader::Next(Entry& entry, Damage& damage) {
  Resume();
  damage = Damage{};
  entry = Entry{};
  try {
    if (!ReadEntry()) return false;
  } catch (const EInOutError&) {
    entry.name = ConvertPathSeparators(name_, false);
    throw;
  }
  Found(packedSize_);
  entry.name = ConvertPathSeparators(name_, false);
  entry.type = IsPathSeparator(name_.back()) ? EntryType::kFolder : EntryType::kFile;
  entry.packedSize = packedSize_;
  entry.originalSize = header_.originalSize;
  entry.dosTime = header_.time;
  entry.modified = DosToUnixTime(header_.time);
  entry.method = (header_.flags & kEntryStored) ? "Stored" : "Deflate";
  entry.encrypted = header_.encrypted != 0;
  entry.cipher = entry.encrypted ? "CAST-256" : "";
  entry.rawFlags = header_.flags;
  return true;
}

PayloadCoding NativeReader::Coding() const {
  PayloadCoding coding;
  coding.zlibWrapped = true;
  coding.method = (header_.flags & kEntryStored) ? kMethodStored : kMethodDeflate;
  coding.cipher = header_.encrypted ? PayloadCipher::kCast256 : PayloadCipher::kNone;
  coding.checked = info_.version >= kFirstHeaderedVersion;
  coding.crc32 = header_.crc32;
  coding.originalSize = header_.originalSize;
  return coding;
}

bool NativeReader::WalksCleanlyToTheEnd() {
  Entry entry;
  Damage damage;
  std::size_t entries = 0;
  try {
    while (Next(entry, damage)) {
      if (entry.packedSize > static_cast<std::uint64_t>(fileSize_ - FilePos64(file_))) return false;
      ++entries;
    }
  } catch (const EInOutError& e) {
    if (e.Code() == kIoReadPastEnd) return false;
    throw;
  }
  // An empty name or an end mark stops the walk where the last payload did not end.
  return entries > 0 && resumeAt_ == fileSize_;
}

}  // namespace ovk
