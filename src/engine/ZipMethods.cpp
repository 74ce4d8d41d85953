#include "engine/ZipMethods.h"

#include <cstdint>

#include "engine/ZipFormat.h"

namespace ovk {

namespace {

constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflate = 8;
constexpr std::uint16_t kMethodAes = 99;

// The registered names of the methods other tools write.
const char* MethodName(std::uint16_t method) {
  switch (method) {
    case 1: return "Shrink";
    case 2:
    case 3:
    case 4:
    case 5: return "Reduce";
    case 6: return "Implode";
    case 9: return "Deflate64";
    case 10: return "PKWARE DCL Implode";
    case 12: return "bzip2";
    case 14: return "LZMA";
    case 18: return "IBM TERSE";
    case 19: return "IBM LZ77";
    case 93: return "Zstandard";
    case 94: return "MP3";
    case 95: return "xz";
    case 96: return "JPEG";
    case 97: return "WavPack";
    case 98: return "PPMd";
    default: return nullptr;
  }
}

}  // namespace

std::string UndecodableReason(const EntryInfo& entry) {
  if (entry.zipFlags & kZipFlagStrongEncryption) return "strong encryption is not supported";
  if (entry.zipMethod == kMethodAes) return "AES encryption is not supported";
  if (entry.zipMethod == kMethodStored || entry.zipMethod == kMethodDeflate) return "";
  const char* name = MethodName(entry.zipMethod);
  return "compression method " + std::to_string(entry.zipMethod) + (name ? std::string(" (") + name + ")" : "") +
         " is not supported";
}

}  // namespace ovk
