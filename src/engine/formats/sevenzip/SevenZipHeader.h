// A 7z archive's header: its folders (the coders and packed stream of each,
// the files' shares of its content) and its files, read from the header's
// bytes as they stand once deciphered and decoded.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "coding/SevenZipCoders.h"

namespace ovk {

// What a header that breaks its own rules raises.
struct SevenZipDamage : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct SevenZipStream {
  std::uint64_t size = 0;
  std::uint64_t offset = 0;  // in the folder's content
  bool crcKnown = false;
  std::uint32_t crc = 0;
};

// Coders that each read one stream and give one, from the one whose output
// is used to the one reading a packed stream; none: the packed stream as
// it is.
struct SevenZipChain {
  std::vector<SevenZipCoder> coders;
  std::uint64_t packOffset = 0;  // from the file's start
  std::uint64_t packSize = 0;
  std::uint64_t size = 0;        // what it gives
};

struct SevenZipFolder {
  // The one chain that gives the content; or, with a joiner (BCJ2), the
  // chains of each of its inputs. None, with why in refusal, when the
  // coders are bound in any other way.
  bool joined = false;
  SevenZipCoder joiner;
  std::vector<SevenZipChain> inputs;
  std::string refusal;
  bool enciphered = false;  // one of its coders, used or not, is AES
  SevenZipStream content;
  std::vector<SevenZipStream> streams;  // each file's share, in order
};

struct SevenZipFile {
  std::string name;  // UTF-8 as stored
  bool hasStream = true, folder = false, anti = false;
  bool attributesKnown = false;
  std::uint32_t attributes = 0;  // Windows attributes; the high half a Unix mode with 0x8000
  std::int64_t modified = -1;
  std::size_t folderIndex = 0, streamIndex = 0;  // where its content is, when it has one
};

struct SevenZipHeader {
  bool encoded = false;  // the header's bytes are themselves a folder's content
  std::vector<SevenZipFolder> folders;
  std::vector<SevenZipFile> files;
};

constexpr std::size_t kSevenZipSignatureBytes = 32;

// The start header's record of where the header is; raises SevenZipDamage
// when the signature header's own check fails.
struct SevenZipStart {
  std::uint64_t offset = 0, size = 0;
  std::uint32_t crc = 0;
};
bool IsSevenZipSignature(std::string_view head);
SevenZipStart ParseSevenZipStart(std::string_view signatureHeader);

// Header bytes (plain, or an encoded header's streams with encoded set);
// raises SevenZipDamage.
SevenZipHeader ParseSevenZipHeader(std::string_view bytes);

}  // namespace ovk
