// Large content compressed on several threads as one deflate stream, in the
// manner of pigz: independent blocks, each ending on a byte boundary, so
// that their outputs simply follow one another. The caller runs the blocks
// on its own threads and hands them, in order, to
// PayloadEncoder::FeedCompressed.
#pragma once

#include <cstddef>
#include <string>

#include "coding/Payload.h"

namespace ovk {

// Content per block: large enough that a block's fresh start costs little.
constexpr std::size_t kDeflateBlockBytes = std::size_t{1} << 20;

// One block of raw deflate data; the last block ends the stream. Each is
// compressed on its own, by libdeflate (which takes no preset dictionary:
// a fresh start every MiB costs well under a thousandth of the size, and
// libdeflate is twice to four times as fast as zlib at the same level).
// Safe on any thread.
std::string CompressBlock(const std::string& content, bool last, CompressionLevel level);

}  // namespace ovk
