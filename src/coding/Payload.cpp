// One entry's content to its stored payload and back: compression, then
// encipherment, with a CRC-32 of the original content as the verdict on the
// way back where the plan carries one.
#include "coding/Payload.h"

#include "coding/CipherStage.h"
#include "coding/Crc32.h"
#include "coding/PayloadDecoder.h"

namespace ovk {
std::unique_ptr<EncipherStage> MakeEncipherStage(const std::string& password, const PayloadEncoding& encoding,
                                                 CipherHolder& cipher) {
  switch (encoding.cipher) {
    case PayloadCipher::kCast256: return MakeCastEncipher(HeldCipher(cipher, password));
    case PayloadCipher::kPkwareTraditional: return MakeZipEncipher(password, encoding.crc32);
    case PayloadCipher::kWinZipAes: return MakeAesEncipher(password, encoding.aesStrength, encoding.aesSalt);
    case PayloadCipher::kNone: break;
  }
  return nullptr;
}

void CompressPayload(const PayloadEncoding& encoding, EntryHeader& header, std::string& data) {
  header.encrypted = encoding.cipher == PayloadCipher::kNone ? 0 : 1;
  header.crc32 = Crc32(data);
  data = encoding.zlibWrapped ? CompressString(data, encoding.level) : DeflateRaw(data, encoding.level);
}

void EncipherPayload(const std::string& password, const PayloadEncoding& encoding, const EntryHeader& header,
                     std::string& data, CipherHolder& cipher) {
  if (!header.encrypted) return;
  PayloadEncoding whole = encoding;
  whole.crc32 = header.crc32;
  const std::unique_ptr<EncipherStage> stage = MakeEncipherStage(password, whole, cipher);
  std::string out;
  stage->Encipher(data, out);
  stage->Finish(out);
  data.swap(out);
}

bool EncodePayload(const std::string& password, const PayloadEncoding& encoding, EntryHeader& header,
                   std::string& data, CipherHolder& cipher) {
  CompressPayload(encoding, header, data);
  EncipherPayload(password, encoding, header, data, cipher);
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
