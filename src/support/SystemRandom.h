// Random bytes from the system's cryptographic source, for what an attacker
// must not predict (the salts of WinZip AES entries).
#pragma once

#include <cstddef>
#include <string>

namespace ovk {

// count bytes from getrandom; throws std::system_error when the source fails.
std::string SystemRandomBytes(std::size_t count);

}  // namespace ovk
