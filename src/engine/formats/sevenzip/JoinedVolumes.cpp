#include "engine/formats/sevenzip/JoinedVolumes.h"

#include <algorithm>

#include "engine/format/Volumes.h"
#include "support/IoError.h"

namespace ovk {

JoinedVolumes::JoinedVolumes(DataFile& first) : parts_{&first} {
  ends_.push_back(static_cast<std::uint64_t>(FileSize64(first)));
  for (const std::string& path : LaterVolumes(first.name)) {
    auto part = std::make_unique<DataFile>();
    if (OpenExisting(*part, path, Access::kRead)) break;
    ends_.push_back(ends_.back() + static_cast<std::uint64_t>(FileSize64(*part)));
    parts_.push_back(part.get());
    later_.push_back(std::move(part));
  }
}

void JoinedVolumes::Read(std::uint64_t offset, char* to, std::size_t count) {
  while (count > 0) {
    const auto part = std::upper_bound(ends_.begin(), ends_.end(), offset);
    if (part == ends_.end()) throw EInOutError(IoError{"read", first().name, kIoReadPastEnd});
    const std::size_t index = static_cast<std::size_t>(part - ends_.begin());
    const std::uint64_t start = index == 0 ? 0 : ends_[index - 1];
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(count, *part - offset));
    Seek64(*parts_[index], static_cast<std::int64_t>(offset - start));
    ReadBlock(*parts_[index], to, take);
    offset += take;
    to += take;
    count -= take;
  }
}

}  // namespace ovk
