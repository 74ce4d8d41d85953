// The words of the engine's messages about opening files.
#pragma once

#include <string>

namespace ovk {

// Why an open failed, in words for a message; EINVAL stands for a name
// that is not a regular file.
std::string OpenFailureText(int code);

}  // namespace ovk
