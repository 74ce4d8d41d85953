// The static S-boxes of CAST-256, indexed [box][byte].
#pragma once

#include <cstdint>

namespace ovk {

extern const std::uint32_t kCastSbox[4][256];

}  // namespace ovk
