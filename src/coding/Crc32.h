// CRC-32 (reflected 0xEDB88320), as in ZIP and zlib.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ovk {

// Advances the raw value over the bytes; no inversion at either end.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length);
std::uint32_t Crc32(const void* data, std::size_t length);
std::uint32_t Crc32(const std::string& data);

}  // namespace ovk
