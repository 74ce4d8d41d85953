// Streaming decoders of the ZIP methods beyond stored and deflate. Each one
// appends at most maxOut bytes per call, however much the data would expand,
// and reads only what it needs: bytes after the stream's end stay in `in`.
// Each knows where its stream ends (LZMA without an end marker by the size
// it is given), so HasEndMarker() is true for all.
#pragma once

#include <cstdint>
#include <memory>

#include "coding/Decompressor.h"

namespace ovk {

// The most liblzma may reserve for an LZMA or xz stream, whatever the stream
// declares (7-Zip's and xz's presets use dictionaries of at most 64 MiB):
// streams that need more fail. zstd keeps its own 128 MiB window limit.
constexpr std::uint64_t kMaxLzmaMemory = std::uint64_t{1} << 30;

// Method 12: one bzip2 stream.
std::unique_ptr<Decompressor> MakeBzip2Decompressor();

// Method 14: the ZIP's LZMA header (2-byte encoder version, 2-byte properties
// size, 5 bytes of properties), then LZMA data. With endMarker (general
// purpose flag bit 1) the data ends at its end marker; without it, at
// originalSize bytes of output. Either way no match reaches further back
// than originalSize (UINT64_MAX when unknown), so the dictionary is never
// larger.
std::unique_ptr<Decompressor> MakeLzmaDecompressor(bool endMarker, std::uint64_t originalSize);

// Method 95: one .xz stream.
std::unique_ptr<Decompressor> MakeXzDecompressor();

// Method 93: one or more zstd frames. kEnd comes at a frame's end that uses
// up the input given; a later call with more input goes on with the next
// frame, so any split of the payload gives the same output (and bytes after
// the last frame are taken for another, failing as kError).
std::unique_ptr<Decompressor> MakeZstdDecompressor();

// Method 9: deflate with a 64 KiB window, distance codes 30 and 31, and
// length code 285 taking 16 extra bits.
std::unique_ptr<Decompressor> MakeDeflate64Decompressor();

}  // namespace ovk
