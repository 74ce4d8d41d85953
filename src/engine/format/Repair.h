// What a repair of an archive an interrupted add left behind comes to.
#pragma once

#include <string>
#include <vector>

namespace ovk {

enum class RepairOutcome {
  kRepaired,  // the archive is whole again; the notes tell what was left out, cut or mended
  kIntact,    // the archive lacks nothing: nothing was changed
  kFailed,    // the archive is left as it was; reason says why
  kCancelled, // the observer stopped the wait for the archive's lock
};

// The lines a user is told of a repair; left-out entries make it a damaged
// archive (damaged set).
struct RepairNotes {
  std::vector<std::string> lines;
  bool damaged = false;
};

}  // namespace ovk
