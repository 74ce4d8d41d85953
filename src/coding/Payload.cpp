// One entry's content to its stored payload and back: compression, then
// encipherment (CAST-256 for native entries, PKWARE for ZIP entries), with a
// CRC-32 of the original content as the only verdict on the way back.
#include "coding/Payload.h"

#include "coding/CipherStage.h"
#include "coding/Crc32.h"
#include "coding/PayloadDecoder.h"
#include "coding/ZipCrypto.h"

namespace ovk {
namespace {

bool IsNative(const ArchiveInfo& archive) { return archive.kind == kKindNative; }

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

bool DecodePayload(const std::string& password, const PayloadCoding& coding, std::string& data, CipherHolder& cipher) {
  // Plain deflate data of a recorded size decodes in one libdeflate pass
  // when it is exactly right; anything else takes the streaming decoder.
  if (coding.cipher == PayloadCipher::kNone && coding.method == kMethodDeflate && coding.checked &&
      InflateToKnownSize(data, coding.zlibWrapped, coding.originalSize, data))
    return Crc32(data) == coding.crc32;
  PayloadDecoder decoder(password, coding, cipher);
  std::string content;
  std::string_view stored = data;
  bool verified = true;
  while (verified && (!stored.empty() || decoder.MoreOutput())) verified = decoder.Feed(stored, content);
  do verified = verified && decoder.Finish(content);
  while (verified && decoder.MoreOutput());
  data = std::move(content);
  return verified;
}

}  // namespace ovk
