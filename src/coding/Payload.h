// The entry payload pipeline: one entry's whole content to its stored bytes
// (compression, encipherment, CRC-32) and back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "coding/Cipher.h"
#include "coding/CipherStage.h"
#include "coding/PayloadCipher.h"
#include "coding/PayloadDecoder.h"
#include "coding/Records.h"

namespace ovk {

enum CompressionLevel : int { kLevelNone = 0, kLevelFastest = 1, kLevelDefault = 2, kLevelMaximum = 3 };
// zlib's level for each: the block path compresses as libdeflate does whole.
int ZlibLevel(CompressionLevel level);

// The stages one entry's content goes through to its stored bytes, as the
// entry's format decides them: deflate (raw or in a zlib stream), then the
// cipher.
struct PayloadEncoding {
  bool zlibWrapped = false;
  CompressionLevel level = kLevelDefault;
  PayloadCipher cipher = PayloadCipher::kNone;
  // PKWARE traditional checks the password against the content's CRC-32, so
  // content coded piece by piece needs it before the first byte (a first
  // pass); the caller compares it with the encoder's at the end, as the file
  // may have changed. Whole content takes the CRC-32 it is given with.
  std::uint32_t crc32 = 0;
  // WinZip AES (AE-2): 1..3, salted with AesSaltLength(aesStrength) random
  // bytes from the format.
  std::uint8_t aesStrength = 0;
  std::string aesSalt;
};

// No bound on the inflated size.
constexpr std::uint64_t kNoSizeLimit = ~std::uint64_t{0};

std::string CompressString(const std::string& data, CompressionLevel level);
std::string DeflateRaw(const std::string& data, CompressionLevel level);
// One whole gzip member (header, deflate data, CRC-32 and size).
std::string GzipMember(const std::string& data, CompressionLevel level);

// Whole-buffer inflation of a zlib stream (zlibWrapped) or raw deflate data
// known to inflate to exactly size bytes; false, leaving out as it was, when
// it does not (damaged, shorter, longer) or size exceeds what data of that
// length can give: the caller then takes the streaming decoder.
bool InflateToKnownSize(const std::string& data, bool zlibWrapped, std::uint64_t size, std::string& out);

// Packing direction: data in = original content, out = stored payload, as
// the plan says; sets header.encrypted and header.crc32. Always true. It is
// the two steps below.
bool EncodePayload(const std::string& password, const PayloadEncoding& encoding, EntryHeader& header,
                   std::string& data, CipherHolder& cipher);
// Sets header.encrypted and header.crc32 and compresses; safe on any thread.
void CompressPayload(const PayloadEncoding& encoding, EntryHeader& header, std::string& data);
// Enciphers a compressed payload when header.encrypted says so. Uses the
// operation's one cipher (CAST-256) or draws a random header (PKWARE), so
// the entries of one operation go through it one by one, in their order.
void EncipherPayload(const std::string& password, const PayloadEncoding& encoding, const EntryHeader& header,
                     std::string& data, CipherHolder& cipher);

// The plan's cipher stage, none without one; CAST-256 chains through the
// operation's cipher.
std::unique_ptr<EncipherStage> MakeEncipherStage(const std::string& password, const PayloadEncoding& encoding,
                                                 CipherHolder& cipher);

// Unpacking direction: the whole stored payload of one entry (data in)
// decoded in place as its plan says; true when verified: where the plan
// carries them, the CRC-32 matches and the content is no longer than the
// original size.
bool DecodePayload(const std::string& password, const PayloadCoding& coding, std::string& data, CipherHolder& cipher);

}  // namespace ovk
