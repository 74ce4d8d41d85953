// Text from an archive made safe for a terminal.
#pragma once

#include <string>

namespace ovk::cli {

// Control bytes (C0, DEL and the UTF-8 form of C1) as \xNN, so that a name
// cannot drive the terminal it is shown on.
std::string EscapeControls(const std::string& name);

}  // namespace ovk::cli
