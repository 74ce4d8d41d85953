#include "coding/BlockDeflate.h"

#include <algorithm>

#include "coding/Deflater.h"

namespace ovk {

std::string CompressBlock(std::string_view before, std::string_view content, bool last, CompressionLevel level) {
  Deflater deflater(level);
  const std::size_t window = std::min(before.size(), kDeflateWindowBytes);
  if (window > 0) deflater.SetDictionary(before.substr(before.size() - window));
  std::string out;
  deflater.Deflate(content, out);
  if (last)
    deflater.Finish(out);
  else
    deflater.Flush(out);
  return out;
}

}  // namespace ovk
