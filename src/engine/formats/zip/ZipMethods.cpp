#include "engine/formats/zip/ZipMethods.h"

#include <cstdint>

#include "coding/Decompressor.h"
#include "coding/WinZipAes.h"
#include "engine/formats/zip/ZipFormat.h"

namespace ovk {

namespace {

// The registered names of the compression methods.
const char* MethodName(std::uint16_t method) {
  switch (method) {
    case 0: return "Stored";
    case 1: return "Shrink";
    case 2:
    case 3:
    case 4:
    case 5: return "Reduce";
    case 6: return "Implode";
    case 8: return "Deflate";
    case 9: return "Deflate64";
    case 10: return "PKWARE DCL Implode";
    case 12: return "BZip2";
    case 14: return "LZMA";
    case 18: return "IBM TERSE";
    case 19: return "IBM LZ77";
    case 93: return "Zstandard";
    case 94: return "MP3";
    case 95: return "XZ";
    case 96: return "JPEG";
    case 97: return "WavPack";
    case 98: return "PPMd";
    default: return nullptr;
  }
}

// The method the payload is compressed with, behind any AES layer.
std::uint16_t RealMethod(const ZipEntryRecord& entry) {
  return entry.zipMethod == kMethodAes ? entry.aesMethod : entry.zipMethod;
}

PayloadCipher CipherOf(const ZipEntryRecord& entry) {
  if (!entry.header.encrypted) return PayloadCipher::kNone;
  return entry.zipMethod == kMethodAes ? PayloadCipher::kWinZipAes : PayloadCipher::kPkwareTraditional;
}

}  // namespace

std::string UndecodableReason(const ZipEntryRecord& entry) {
  if (entry.zipFlags & kZipFlagStrongEncryption) return "strong encryption is not supported";
  if (entry.zipMethod == kMethodAes && (entry.aesStrength < 1 || entry.aesStrength > 3 || entry.aesVersion < 1 ||
                                        entry.aesVersion > 2))
    return "AES encryption without its parameters is not supported";
  const std::uint16_t method = RealMethod(entry);
  if (MakeDecompressor(method, false)) return "";
  const char* name = MethodName(method);
  return "compression method " + std::to_string(method) + (name ? std::string(" (") + name + ")" : "") +
         " is not supported";
}

PayloadCoding CodingOf(const ZipEntryRecord& entry) {
  PayloadCoding coding;
  coding.method = RealMethod(entry);
  coding.lzmaEndMarker = (entry.zipFlags & kZipFlagLzmaEndMarker) != 0;
  coding.cipher = CipherOf(entry);
  const int checkByte = ZipCheckByte(entry);
  coding.checkByte = static_cast<std::uint8_t>(checkByte >= 0 ? checkByte : entry.header.crc32 >> 24);
  if (entry.zipMethod == kMethodAes) {
    coding.aesStrength = entry.aesStrength;
    coding.aesVendorVersion = entry.aesVersion;
  }
  coding.crc32 = entry.header.crc32;
  coding.originalSize = entry.originalSize;
  return coding;
}

std::string MethodText(const ZipEntryRecord& entry) {
  const std::uint16_t method = RealMethod(entry);
  const char* name = MethodName(method);
  const std::string text = name ? name : "method " + std::to_string(method);
  if (entry.zipMethod != kMethodAes) return text;
  // The salt is half the key: 8, 12 or 16 bytes for 128, 192 or 256 bits.
  const std::size_t bits = AesSaltLength(entry.aesStrength) * 16;
  return (bits ? "AES-" + std::to_string(bits) : std::string("AES")) + " " + text;
}

int ZipCheckByte(const ZipEntryRecord& entry) {
  if (!(entry.zipFlags & kZipFlagDataDescriptor)) return -1;
  return static_cast<int>((entry.header.time >> 8) & 0xFF);
}

}  // namespace ovk
