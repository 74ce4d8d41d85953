// The walk over a ZIP record's extra fields: 16-bit header ID, 16-bit
// length, data.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "support/ByteOrder.h"

namespace ovk {

// Calls each(id, data) for the fields in turn until it returns false; a
// field whose length runs past the end gets the bytes that are there, and
// an incomplete ID and length end the walk.
template <typename Each>
void ForEachExtraField(std::string_view extra, Each each) {
  while (extra.size() >= 4) {
    const std::uint16_t id = GetLE16(extra.data());
    const std::size_t length = std::min<std::size_t>(GetLE16(extra.data() + 2), extra.size() - 4);
    const std::string_view data = extra.substr(4, length);
    extra.remove_prefix(4 + length);
    if (!each(id, data)) return;
  }
}

}  // namespace ovk
