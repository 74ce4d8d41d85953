// The coders of a 7z folder: the compression methods and filters a chain
// of them is made of, decoded by the libraries that implement them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "coding/Decompressor.h"

namespace ovk {

struct SevenZipCoder {
  std::string id;          // the method's id bytes as stored
  std::string properties;
  std::uint64_t size = 0;  // the bytes it gives
};

// 7zAES, which only the folder's reader can key.
bool IsSevenZipAes(const SevenZipCoder& coder);

// The method as users call it ("LZMA2", "BCJ", "AES-256"), or its id in
// hex when this program does not know it.
std::string SevenZipMethodName(const SevenZipCoder& coder);

// Why this program cannot decode a chain of coders (enciphering ones taken
// off), the one giving the folder's content first; empty when it can: no
// coder (the stored bytes), or a compressor after the filters liblzma runs.
std::string SevenZipChainRefusal(const std::vector<SevenZipCoder>& chain);

// The decoder of a chain SevenZipChainRefusal accepts; null, with why not
// in refusal, when its properties cannot be used.
std::unique_ptr<Decompressor> MakeSevenZipDecoder(const std::vector<SevenZipCoder>& chain, std::string& refusal);

}  // namespace ovk
