// LZMA in a ZIP entry: encoder version (2 bytes), properties size (2 bytes,
// always 5), the properties (5 bytes), then the data, which liblzma's raw
// decoder reads with those properties, up to the end marker or the size.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "coding/LzmaState.h"
#include "coding/OtherMethods.h"
#include "support/ByteOrder.h"

namespace ovk {
namespace {

constexpr std::size_t kZipHeaderSize = 9;
constexpr std::uint16_t kPropertiesSize = 5;
// liblzma's smallest dictionary.
constexpr std::uint64_t kMinDictionary = 4096;

struct FreeOptions {
  void operator()(void* options) const { std::free(options); }
};

class LzmaDecompressor final : public LibraryDecompressor {
 public:
  LzmaDecompressor(bool endMarker, std::uint64_t originalSize) : endMarker_(endMarker), size_(originalSize) {}

 private:
  DecodeStep Step(std::string_view in, char* to, std::size_t room) override {
    if (header_.size() < kZipHeaderSize) return ReadHeader(in);
    return state_.Step(in, to, room);
  }

  DecodeStep ReadHeader(std::string_view in) {
    const std::size_t take = std::min(kZipHeaderSize - header_.size(), in.size());
    header_.append(in.substr(0, take));
    if (header_.size() < kZipHeaderSize) return {take, 0, StreamStatus::kMore};
    return {take, 0, StartDecoder() ? StreamStatus::kMore : StreamStatus::kError};
  }

  bool StartDecoder() {
    if (GetLE16(header_.data() + 2) != kPropertiesSize) return false;
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
    const auto* properties = reinterpret_cast<const std::uint8_t*>(header_.data() + 4);
    if (lzma_properties_decode(&filters[0], nullptr, properties, kPropertiesSize) != LZMA_OK) return false;
    const std::unique_ptr<void, FreeOptions> held(filters[0].options);
    auto& options = *static_cast<lzma_options_lzma*>(filters[0].options);
    // The extended filter knows the size; an end marker right at it is
    // accepted too, and required when the size is left unknown.
    filters[0].id = LZMA_FILTER_LZMA1EXT;
    options.ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    const std::uint64_t size = endMarker_ ? UINT64_MAX : size_;
    options.ext_size_low = static_cast<std::uint32_t>(size);
    options.ext_size_high = static_cast<std::uint32_t>(size >> 32);
    // Nothing reaches further back than the whole content: a hostile
    // dictionary size then cannot reserve more than the entry needs.
    if (size_ < options.dict_size) options.dict_size = static_cast<std::uint32_t>(std::max(size_, kMinDictionary));
    if (lzma_raw_decoder_memusage(filters) > kMaxLzmaMemory) return false;
    const lzma_ret ret = lzma_raw_decoder(state_.Stream(), filters);
    if (ret == LZMA_MEM_ERROR) throw std::bad_alloc();
    return ret == LZMA_OK;
  }

  const bool endMarker_;
  const std::uint64_t size_;
  std::string header_;
  LzmaState state_;
};

}  // namespace

std::unique_ptr<Decompressor> MakeLzmaDecompressor(bool endMarker, std::uint64_t originalSize) {
  return std::make_unique<LzmaDecompressor>(endMarker, originalSize);
}

}  // namespace ovk
