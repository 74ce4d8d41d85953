#include "engine/EngineMessages.h"

#include <cerrno>

#include "support/FileUnit.h"

namespace ovk {

std::string OpenFailureText(int code) { return code == EINVAL ? "not a regular file" : IoReasonText(code); }

}  // namespace ovk
