// Random values from the system's cryptographic source, for what an attacker
// must not predict: the salts of WinZip AES entries, the header bytes of
// traditional ZIP encryption, and the names of temporary files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ovk {

// count bytes from getrandom; throws std::system_error when the source fails
// (the operations report it as the failure of the entry or archive at hand).
std::string SystemRandomBytes(std::size_t count);
// A value below n, every one equally likely; 0 when n is 0.
std::uint32_t SystemRandomBelow(std::uint32_t n);
// count lower-case hexadecimal digits.
std::string SystemRandomHex(std::size_t count);

}  // namespace ovk
