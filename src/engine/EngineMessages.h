// The words of the engine's messages about opening files.
#pragma once

#include <string>

namespace ovk {

// Why an open failed, in words for a message: the file layer refuses
// anything but a regular file with EINVAL.
std::string OpenFailureText(int code);

}  // namespace ovk
