// Packing from the command line: `ovkview -c [--format NAME] ITEM...` packs
// the items into a new archive named after the first of them: ZIP, or the
// format named ("tar.gz", "7z", ...), whose name is then its suffix. Free of Qt, so it runs
// before (and without) any window object or display.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ovk {

// The parameter starts with "-" or "/" and its second byte, upper-cased, is
// "C" (only the first two bytes count: -c, /C, -create, /copy).
bool IsPackSwitch(const std::string& param);

// The archive name made from the first item: a folder gives the folder
// without its trailing separator + "." + suffix; a file gives its folder
// part + its name without the last "." suffix + "." + suffix. Cut to 255
// bytes.
std::string PackTargetName(const std::string& source, const std::string& suffix = "zip");

// params[0] is the program, params[1] the switch, then "--format NAME" or
// "--format=NAME" when given, then the items.
// Nothing at once when there is no item (the window opens instead).
// Otherwise packs every item it can (the first creates the archive, the
// others append), says on standard error, one line each, which item or file
// it skipped and why, and returns the exit status: 0, or 1 when anything
// was skipped. The archive is always a new one: when the name is taken it
// is "NAME (N).zip" (or its format's suffix) with the first N from 2 up
// that is free. A format this program cannot write is refused by name.
std::optional<int> PackFromCommandLine(const std::vector<std::string>& params);

}  // namespace ovk
