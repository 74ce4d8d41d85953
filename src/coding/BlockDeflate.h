// Large content compressed on several threads as one deflate stream, in the
// manner of pigz: independent blocks, each primed with the content just
// before it and ending on a byte boundary, so that their outputs simply
// follow one another. The caller runs the blocks on its own threads and
// hands them, in order, to PayloadEncoder::FeedCompressed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "coding/Payload.h"

namespace ovk {

// Content per block: large enough that a block's fresh start costs little.
constexpr std::size_t kDeflateBlockBytes = std::size_t{1} << 20;
// The deflate window: the most of the preceding content a block can use.
constexpr std::size_t kDeflateWindowBytes = 32 * 1024;

// One block of raw deflate data. `before` is the content preceding it (only
// its last kDeflateWindowBytes count); the last block ends the stream.
// Safe on any thread.
std::string CompressBlock(std::string_view before, std::string_view content, bool last, CompressionLevel level);

}  // namespace ovk
