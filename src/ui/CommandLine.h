// Which first parameters are switches. On this platform an absolute path
// also begins with "/", so "/" marks a switch only for a word that holds no
// further "/" and names nothing on disk (/c, /copy, /help); every "-" word
// and a lone "/" are switches too.
#pragma once

#include <string>

namespace ovk {

bool IsSwitchParam(const std::string& param);

}  // namespace ovk
