// Text from an archive made safe for a terminal.
#pragma once

#include <string>

namespace ovk::cli {

// Control bytes (C0, DEL, the UTF-8 form of C1 and of the bidirectional
// marks and overrides) as \xNN, so that a name can neither drive the
// terminal it is shown on nor disguise itself.
std::string EscapeControls(const std::string& name);
// The start of an escaped text that fits in columns, cut between two
// characters (never inside an escape or a UTF-8 character).
std::string FitColumns(const std::string& escaped, std::size_t columns);

}  // namespace ovk::cli
