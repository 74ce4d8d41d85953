// Drives the streaming coders as the engine does: stored bytes or content
// in pieces of random length, the output taken away after every call.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "coding/BlockDeflate.h"
#include "coding/PayloadDecoder.h"
#include "coding/PayloadEncoder.h"

namespace ovktest {

// Cuts bytes at random points into pieces of 0..maxPiece bytes.
inline std::vector<std::string_view> RandomPieces(std::string_view bytes, unsigned seed, std::size_t maxPiece) {
  std::mt19937 random(seed);
  std::vector<std::string_view> pieces;
  while (!bytes.empty()) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), random() % (maxPiece + 1));
    pieces.push_back(bytes.substr(0, n));
    bytes.remove_prefix(n);
  }
  return pieces;
}

struct StreamDecoded {
  bool verified = false;
  std::string content;       // kept only when asked for
  std::uint64_t size = 0;
  uLong crc = crc32(0, nullptr, 0);  // zlib's, of all the content
  std::size_t largestCall = 0;       // content from one call
  std::uint64_t storedLeft = 0;      // stored bytes not taken when refused
};

inline StreamDecoded DecodeInPieces(const std::string& password, const ovk::PayloadCoding& coding,
                                    std::string_view stored, unsigned seed, std::size_t maxPiece,
                                    bool keepContent = true) {
  ovk::CipherHolder cipher;
  ovk::PayloadDecoder decoder(password, coding, cipher);
  StreamDecoded d;
  std::string out;
  auto take = [&] {
    d.largestCall = std::max(d.largestCall, out.size());
    d.size += out.size();
    d.crc = crc32(d.crc, reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(out.size()));
    if (keepContent) d.content += out;
    out.clear();
  };
  const auto pieces = RandomPieces(stored, seed, maxPiece);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    std::string_view piece = pieces[i];
    while (!piece.empty() || decoder.MoreOutput()) {
      const bool going = decoder.Feed(piece, out);
      take();
      if (!going) {
        d.storedLeft = piece.size();
        for (std::size_t j = i + 1; j < pieces.size(); ++j) d.storedLeft += pieces[j].size();
        return d;
      }
    }
  }
  do {
    d.verified = decoder.Finish(out);
    take();
  } while (d.verified && decoder.MoreOutput());
  return d;
}

// Content cut at random points into blocks, each compressed on its own, as
// the coding threads do, and handed to the encoder in order.
inline std::string EncodeInBlocks(const std::string& password, const ovk::PayloadEncoding& encoding,
                                  const std::string& content, unsigned seed, std::size_t maxBlock,
                                  ovk::CipherHolder& cipher) {
  ovk::PayloadEncoder encoder(password, encoding, cipher);
  std::string stored;
  const auto blocks = RandomPieces(content, seed, maxBlock);
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const std::string compressed = ovk::CompressBlock(std::string(blocks[i]), i + 1 == blocks.size(), encoding.level);
    encoder.FeedCompressed(blocks[i], compressed, stored);
  }
  encoder.Finish(stored);
  return stored;
}

}  // namespace ovktest
