#include "coding/BlockDeflate.h"

#include <zlib.h>

#include <algorithm>
#include <new>
#include <stdexcept>

namespace ovk {

namespace {

// Where the final block of a whole raw deflate stream starts and where its
// end-of-block code ends, in bits from the stream's start.
struct FinalBlock {
  std::size_t headerBit = 0, endBit = 0;
};

// Found by inflating the stream block by block: zlib stops after each
// end-of-block code and tells how many bits of the last byte it read are
// left, and whether the block was the final one.
FinalBlock FindFinalBlock(const std::string& stream, std::size_t contentSize) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) throw std::bad_alloc();
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = static_cast<uInt>(stream.size());
  // No block gives more than the whole content; what it gives is not kept.
  std::string scratch(std::max<std::size_t>(contentSize, 1), '\0');
  std::size_t boundary = 0;
  for (;;) {
    z.next_out = reinterpret_cast<Bytef*>(scratch.data());
    z.avail_out = static_cast<uInt>(scratch.size());
    const int ret = inflate(&z, Z_BLOCK);
    if (ret != Z_OK) break;
    if (!(z.data_type & 128)) continue;
    const std::size_t at = static_cast<std::size_t>(z.total_in) * 8 - static_cast<std::size_t>(z.data_type & 7);
    if (z.data_type & 64) {
      inflateEnd(&z);
      return {boundary, at};
    }
    boundary = at;
  }
  inflateEnd(&z);
  throw std::runtime_error("a compressed block does not inflate");
}

// The stream without its end: the final block made an ordinary one, then
// an empty stored block (three header bits, the rest of that byte, a length
// of 0 and its complement) so that the next block starts on a byte, as
// zlib's sync flush leaves it.
std::string OpenEnded(const std::string& stream, std::size_t contentSize) {
  const FinalBlock final = FindFinalBlock(stream, contentSize);
  std::string out = stream.substr(0, (final.endBit + 7) / 8);
  out[final.headerBit / 8] = static_cast<char>(out[final.headerBit / 8] & ~(1 << (final.headerBit % 8)));
  const std::size_t usedBits = final.endBit % 8;
  if (usedBits != 0) out.back() = static_cast<char>(out.back() & ((1 << usedBits) - 1));
  const std::size_t freeBits = usedBits == 0 ? 0 : 8 - usedBits;
  if (freeBits < 3) out.push_back('\0');
  out.append("\0\0\xff\xff", 4);
  return out;
}

}  // namespace

std::string CompressBlock(const std::string& content, bool last, CompressionLevel level) {
  const std::string stream = DeflateRaw(content, level);
  return last ? stream : OpenEnded(stream, content.size());
}

}  // namespace ovk
