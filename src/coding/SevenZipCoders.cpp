// LZMA, LZMA2 and the branch and delta filters through liblzma's raw
// decoder, which runs such a chain in one; deflate, deflate64, bzip2 and
// zstd through the decoders the ZIP methods use.
#include "coding/SevenZipCoders.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "coding/LzmaState.h"
#include "coding/OtherMethods.h"
#include "coding/StoredCopy.h"

namespace ovk {
namespace {

struct Method {
  std::string_view id;
  std::string_view name;
  lzma_vli filter;  // LZMA_VLI_UNKNOWN: none of liblzma's
};

const Method kMethods[] = {
    {std::string_view("\x00", 1), "Copy", LZMA_VLI_UNKNOWN},
    {"\x03", "Delta", LZMA_FILTER_DELTA},
    {"\x0A", "ARM64", LZMA_FILTER_ARM64},
    {"\x21", "LZMA2", LZMA_FILTER_LZMA2},
    {"\x03\x01\x01", "LZMA", LZMA_FILTER_LZMA1EXT},
    {"\x03\x03\x01\x03", "BCJ", LZMA_FILTER_X86},
    {"\x03\x03\x01\x1B", "BCJ2", LZMA_VLI_UNKNOWN},
    {"\x03\x03\x02\x05", "PPC", LZMA_FILTER_POWERPC},
    {"\x03\x03\x04\x01", "IA64", LZMA_FILTER_IA64},
    {"\x03\x03\x05\x01", "ARM", LZMA_FILTER_ARM},
    {"\x03\x03\x07\x01", "ARMT", LZMA_FILTER_ARMTHUMB},
    {"\x03\x03\x08\x05", "SPARC", LZMA_FILTER_SPARC},
    {"\x03\x04\x01", "PPMD", LZMA_VLI_UNKNOWN},
    {"\x04\x01\x08", "Deflate", LZMA_VLI_UNKNOWN},
    {"\x04\x01\x09", "Deflate64", LZMA_VLI_UNKNOWN},
    {"\x04\x02\x02", "BZip2", LZMA_VLI_UNKNOWN},
    {"\x04\xF7\x11\x01", "ZSTD", LZMA_VLI_UNKNOWN},
    {"\x06\xF1\x07\x01", "AES-256", LZMA_VLI_UNKNOWN},
};

const Method* MethodOf(const SevenZipCoder& coder) {
  for (const Method& method : kMethods) {
    if (coder.id == method.id) return &method;
  }
  return nullptr;
}

bool IsCompressor(lzma_vli filter) { return filter == LZMA_FILTER_LZMA1EXT || filter == LZMA_FILTER_LZMA2; }

struct FreeOptions {
  void operator()(void* options) const { std::free(options); }
};

// A filter chain liblzma decodes in one, the compressor last.
class LzmaChainDecoder final : public LibraryDecompressor {
 public:
  // Null options of a filter with none to decode fail the chain, as liblzma
  // would otherwise read them.
  bool Start(const std::vector<SevenZipCoder>& chain, std::string& refusal) {
    std::vector<lzma_filter> filters;
    for (const SevenZipCoder& coder : chain) {
      lzma_filter filter{MethodOf(coder)->filter, nullptr};
      const bool lzma1 = filter.id == LZMA_FILTER_LZMA1EXT;
      filter.id = lzma1 ? LZMA_FILTER_LZMA1 : filter.id;
      const auto* properties = reinterpret_cast<const std::uint8_t*>(coder.properties.data());
      if (lzma_properties_decode(&filter, nullptr, properties, coder.properties.size()) != LZMA_OK) {
        refusal = "the properties of its " + SevenZipMethodName(coder) + " coder are damaged";
        return false;
      }
      options_.emplace_back(filter.options);
      if (lzma1) Bound(filter, coder.size);
      filters.push_back(filter);
    }
    filters.push_back({LZMA_VLI_UNKNOWN, nullptr});
    if (lzma_raw_decoder_memusage(filters.data()) > kMaxLzmaMemory) {
      refusal = "it needs more memory to decode than this program allows";
      return false;
    }
    const lzma_ret ret = lzma_raw_decoder(state_.Stream(), filters.data());
    if (ret == LZMA_MEM_ERROR) throw std::bad_alloc();
    if (ret != LZMA_OK) refusal = "liblzma cannot decode its coders";
    return ret == LZMA_OK;
  }

 private:
  // LZMA ends at its size (an end marker there is accepted), and no match
  // reaches back further than that: a hostile dictionary size cannot
  // reserve more than the content needs.
  static void Bound(lzma_filter& filter, std::uint64_t size) {
    constexpr std::uint64_t kMinDictionary = 4096;
    filter.id = LZMA_FILTER_LZMA1EXT;
    auto& options = *static_cast<lzma_options_lzma*>(filter.options);
    options.ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
    options.ext_size_low = static_cast<std::uint32_t>(size);
    options.ext_size_high = static_cast<std::uint32_t>(size >> 32);
    if (size < options.dict_size) options.dict_size = static_cast<std::uint32_t>(std::max(size, kMinDictionary));
  }

  DecodeStep Step(std::string_view in, char* to, std::size_t room) override { return state_.Step(in, to, room); }

  std::vector<std::unique_ptr<void, FreeOptions>> options_;
  LzmaState state_;
};

// The one compressor of a chain liblzma does not run.
std::unique_ptr<Decompressor> OtherDecoder(std::string_view name) {
  if (name == "Copy") return std::make_unique<StoredCopy>();
  if (name == "Deflate") return MakeDecompressor(kMethodDeflate, false);
  if (name == "Deflate64") return MakeDeflate64Decompressor();
  if (name == "BZip2") return MakeBzip2Decompressor();
  if (name == "ZSTD") return MakeZstdDecompressor();
  return nullptr;
}

// Filters after a compressor liblzma does not run: what the compressor
// gives is handed to liblzma as LZMA2's uncompressed chunks, which pass
// through the filters as any LZMA2 content does.
class FilteredDecoder final : public Decompressor {
 public:
  FilteredDecoder(std::unique_ptr<Decompressor> inner, std::uint64_t innerSize)
      : inner_(std::move(inner)), innerLeft_(innerSize) {}

  bool Start(std::vector<SevenZipCoder> filters, std::string& refusal) {
    // Dictionary size code 0 (4 KiB): uncompressed chunks need no more.
    filters.push_back({"\x21", std::string(1, '\0'), 0});
    return filters_.Start(filters, refusal);
  }

  StreamStatus Decode(std::string_view& in, std::string& out, std::size_t maxOut) override {
    const std::size_t start = out.size();
    for (;;) {
      if (used_ == chunks_.size() && !Wrap(in)) return StreamStatus::kError;
      std::string_view pending(chunks_.data() + used_, chunks_.size() - used_);
      const StreamStatus status = filters_.Decode(pending, out, maxOut - (out.size() - start));
      used_ = chunks_.size() - pending.size();
      // Stopped for room, or for input the compressor has not given yet.
      if (status != StreamStatus::kMore || out.size() - start == maxOut || used_ < chunks_.size() ||
          (chunks_.empty() && !ended_))
        return status;
      if (ended_) return StreamStatus::kMore;
    }
  }

  bool HasEndMarker() const override { return true; }

 private:
  // The compressor's next bytes as one chunk, and the end of the chunks
  // once it has given them all; false when it fails.
  bool Wrap(std::string_view& in) {
    constexpr std::size_t kChunk = 64 * 1024;
    chunks_.clear();
    used_ = 0;
    if (ended_) return true;
    std::string plain;
    const auto room = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, innerLeft_));
    const StreamStatus status = room == 0 ? StreamStatus::kEnd : inner_->Decode(in, plain, room);
    if (status == StreamStatus::kError) return false;
    innerLeft_ -= plain.size();
    if (!plain.empty()) {
      const std::size_t last = plain.size() - 1;
      chunks_ += {static_cast<char>(first_ ? 1 : 2), static_cast<char>(last >> 8), static_cast<char>(last & 0xFF)};
      chunks_ += plain;
      first_ = false;
    }
    if (status == StreamStatus::kEnd || innerLeft_ == 0) {
      chunks_.push_back('\0');
      ended_ = true;
    }
    return true;
  }

  std::unique_ptr<Decompressor> inner_;
  std::uint64_t innerLeft_;
  LzmaChainDecoder filters_;
  std::string chunks_;  // LZMA2 chunks, from used_ on not yet decoded
  std::size_t used_ = 0;
  bool first_ = true, ended_ = false;
};

}  // namespace

bool IsSevenZipAes(const SevenZipCoder& coder) {
  const Method* method = MethodOf(coder);
  return method && method->name == "AES-256";
}

std::string SevenZipMethodName(const SevenZipCoder& coder) {
  if (const Method* method = MethodOf(coder)) return std::string(method->name);
  static const char kHex[] = "0123456789ABCDEF";
  std::string hex;
  for (const char c : coder.id) {
    hex += kHex[static_cast<std::uint8_t>(c) >> 4];
    hex += kHex[static_cast<std::uint8_t>(c) & 0x0F];
  }
  return "method " + (hex.empty() ? std::string("00") : hex);
}

std::string SevenZipChainRefusal(const std::vector<SevenZipCoder>& chain) {
  if (chain.empty()) return "";
  for (const SevenZipCoder& coder : chain) {
    const Method* method = MethodOf(coder);
    if (!method || IsSevenZipAes(coder) || method->name == "BCJ2" || method->name == "PPMD")
      return "this program cannot decode its " + SevenZipMethodName(coder) + " coder";
  }
  const lzma_vli last = MethodOf(chain.back())->filter;
  bool filters = true;
  for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
    const lzma_vli filter = MethodOf(chain[i])->filter;
    filters = filters && filter != LZMA_VLI_UNKNOWN && !IsCompressor(filter);
  }
  if (filters && (IsCompressor(last) || last == LZMA_VLI_UNKNOWN)) return "";
  std::string names;
  for (const SevenZipCoder& coder : chain) names += (names.empty() ? "" : " ") + SevenZipMethodName(coder);
  return "this program cannot decode its coders (" + names + ") chained in that order";
}

std::unique_ptr<Decompressor> MakeSevenZipDecoder(const std::vector<SevenZipCoder>& chain, std::string& refusal) {
  refusal = SevenZipChainRefusal(chain);
  if (!refusal.empty()) return nullptr;
  if (chain.empty()) return std::make_unique<StoredCopy>();
  const Method& last = *MethodOf(chain.back());
  if (IsCompressor(last.filter)) {
    auto decoder = std::make_unique<LzmaChainDecoder>();
    if (!decoder->Start(chain, refusal)) return nullptr;
    return decoder;
  }
  std::unique_ptr<Decompressor> compressor = OtherDecoder(last.name);
  if (chain.size() == 1) return compressor;
  auto decoder = std::make_unique<FilteredDecoder>(std::move(compressor), chain.back().size);
  if (!decoder->Start({chain.begin(), chain.end() - 1}, refusal)) return nullptr;
  return decoder;
}

}  // namespace ovk
