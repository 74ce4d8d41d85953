// One entry's content to its stored payload and back: compression, then
// encipherment (CAST-256 for native entries, PKWARE for ZIP entries), with a
// CRC-32 of the original content as the only verdict on the way back.
#include "coding/Payload.h"

#include "coding/Crc32.h"
#include "coding/ZipCrypto.h"

namespace ovk {
namespace {

// Native layouts before this one carry no entry header, hence no checksum.
constexpr std::uint32_t kFirstCheckedNativeVersion = 3;

// The operation's one cipher, keyed from the password of its first use.
TCipher_Cast256& HeldCipher(CipherHolder& cipher, const std::string& password) {
  if (!cipher) {
    auto made = std::make_unique<TCipher_Cast256>();
    made->InitKey(password);
    cipher = std::move(made);
  }
  return *cipher;
}

bool IsNative(const ArchiveInfo& archive) { return archive.kind == kKindNative; }

bool CarriesChecksum(const ArchiveInfo& archive) {
  return !IsNative(archive) || archive.version >= kFirstCheckedNativeVersion;
}

}  // namespace

void CompressPayload(const std::string& password, const ArchiveInfo& archive, EntryHeader& header,
                     std::string& data, CompressionLevel level) {
  header.encrypted = password.empty() ? 0 : 1;
  header.crc32 = Crc32(data);
  data = IsNative(archive) ? CompressString(data, level) : DeflateRaw(data, level);
}

void EncipherPayload(const std::string& password, const ArchiveInfo& archive, const EntryHeader& header,
                     std::string& data, CipherHolder& cipher) {
  if (!header.encrypted) return;
  if (IsNative(archive)) {
    TCipher_Cast256& held = HeldCipher(cipher, password);
    data = held.EncryptString(data);
    held.ResetChain();
  } else {
    data = ZipEncrypt(data, password, header.crc32);
  }
}

bool EncodePayload(const std::string& password, const ArchiveInfo& archive, EntryHeader& header,
                   std::string& data, CipherHolder& cipher, CompressionLevel level) {
  CompressPayload(password, archive, header, data, level);
  EncipherPayload(password, archive, header, data, cipher);
  return true;
}

bool DecodePayload(const std::string& password, const ArchiveInfo& archive,
                   const EntryHeader& header, std::string& data, CipherHolder& cipher,
                   int zipCheckByte) {
  if (header.encrypted != 0) {
    if (IsNative(archive)) {
      TCipher_Cast256& held = HeldCipher(cipher, password);
      data = held.DecryptString(data);
      held.ResetChain();
    } else {
      const auto check = zipCheckByte >= 0 ? static_cast<std::uint8_t>(zipCheckByte)
                                           : static_cast<std::uint8_t>(header.crc32 >> 24);
      data = ZipDecryptChecked(data, password, check);
    }
  }
  // Where the original size is recorded, a payload that inflates beyond it
  // is damaged or hostile: it is cut off there and not accepted.
  const bool checked = CarriesChecksum(archive);
  const std::uint64_t limit = checked ? header.originalSize : kNoSizeLimit;
  InflateEnd end = InflateEnd::kComplete;
  // The recorded size allows one whole-buffer pass; anything it does not
  // decode exactly takes the streaming path and ends as it always did.
  if ((header.flags & kEntryStored) == 0 && !(checked && InflateToKnownSize(data, IsNative(archive), limit, data)))
    data = IsNative(archive) ? DecompressString(data, false, limit, &end) : InflateRaw(data, limit, &end);
  if (!checked) return true;
  return end != InflateEnd::kOverLimit && Crc32(data) == header.crc32;
}

}  // namespace ovk
