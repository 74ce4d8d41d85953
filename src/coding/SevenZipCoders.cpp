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
  if (chain.empty()) return "its folder has no coder";
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
  if (IsCompressor(last) && filters) return "";
  if (chain.size() == 1 && last == LZMA_VLI_UNKNOWN) return "";
  std::string names;
  for (const SevenZipCoder& coder : chain) names += (names.empty() ? "" : " ") + SevenZipMethodName(coder);
  return "this program cannot decode its coders (" + names + "): filters run only before LZMA and LZMA2 here";
}

std::unique_ptr<Decompressor> MakeSevenZipDecoder(const std::vector<SevenZipCoder>& chain, std::string& refusal) {
  refusal = SevenZipChainRefusal(chain);
  if (!refusal.empty()) return nullptr;
  if (chain.size() == 1 && !IsCompressor(MethodOf(chain[0])->filter)) return OtherDecoder(MethodOf(chain[0])->name);
  auto decoder = std::make_unique<LzmaChainDecoder>();
  if (!decoder->Start(chain, refusal)) return nullptr;
  return decoder;
}

}  // namespace ovk
