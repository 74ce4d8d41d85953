// Packing from the command line: `ovkview -c ITEM...` packs the items into a
// new ZIP archive named after the first of them. Free of Qt, so it runs
// before (and without) any window object or display.
#pragma once

#include <string>
#include <vector>

namespace ovk {

// The parameter starts with "-" or "/" and its second byte, upper-cased, is
// "C" (only the first two bytes count: -c, /C, -create, /copy).
bool IsPackSwitch(const std::string& param);

// The archive name made from the first item: a folder gives the folder
// without its trailing separator + ".zip"; a file gives its folder part +
// its name without the last "." suffix + ".zip". Cut to 255 bytes.
std::string PackTargetName(const std::string& source);

// params[0] is the program, params[1] the switch, params[2..] the items.
// False at once when there is no item; otherwise packs every item (the
// first creates the archive, the others append; errors are swallowed) and
// returns true, and the caller ends the process with exit code 0. The
// random generator must be seeded before (it names the archive when the
// target exists).
bool PackFromCommandLine(const std::vector<std::string>& params);

}  // namespace ovk
