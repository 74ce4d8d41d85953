#include "engine/ParallelGzip.h"

#include <algorithm>

#include "coding/BlockDeflate.h"
#include "coding/Payload.h"

namespace ovk {

ParallelGzip::ParallelGzip(DataFile& file)
    : file_(file),
      pool_(CodingPool::Cores()),
      blocks_(
          pool_,
          [](const std::string& content, bool) { return GzipMember(content, kLevelDefault); },
          [this](const std::string&, const std::string& member) { WriteBlock(file_, member.data(), member.size()); }) {
  pending_.reserve(kDeflateBlockBytes);
}

void ParallelGzip::Write(const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const std::size_t part = std::min(size, kDeflateBlockBytes - pending_.size());
    pending_.append(bytes, part);
    bytes += part;
    size -= part;
    if (pending_.size() == kDeflateBlockBytes) AddPending(false);
  }
}

void ParallelGzip::Finish() {
  // Even with nothing written the file holds one member: it is a gzip file.
  if (!pending_.empty() || !started_) AddPending(true);
  blocks_.Drain();
}

void ParallelGzip::AddPending(bool last) {
  started_ = true;
  std::string block;
  block.reserve(kDeflateBlockBytes);
  block.swap(pending_);
  blocks_.Add(std::move(block), last);
}

}  // namespace ovk
