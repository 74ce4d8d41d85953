// An .xz file's content: one or more streams, one after the other, with the
// zero padding xz allows between and after them.
#pragma once

#include <memory>

#include "coding/Decompressor.h"

namespace ovk {

// kEnd comes at a stream's end (with any padding after it) that uses up the
// input given, or where the bytes after a stream start no other (they are
// left in `in`); a later call with more input goes on with the next stream.
// kError on a damaged stream. Blocks that record their sizes, as threaded
// encoders write them, are decoded on up to `threads` threads at once.
std::unique_ptr<Decompressor> MakeXzFileDecompressor(unsigned threads);

}  // namespace ovk
