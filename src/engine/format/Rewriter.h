// What deleting, renaming and a new comment ask of a format: the archive
// written anew into another file, changed on the way.
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "engine/Observer.h"
#include "engine/format/RewriteChanges.h"
#include "support/FileUnit.h"

namespace ovk {

// The observer asked to stop; the archive stays as it is.
class RewriteCancelled : public std::exception {};

class Rewriter {
 public:
  virtual ~Rewriter() = default;
  // The names of the archive's entries ("\" between folders), its records
  // read whole; raises with why when they cannot be.
  virtual std::vector<std::string> Names() = 0;
  // Writes the archive into temp (empty, open for writing) with every entry
  // changes does not leave out, renamed as they say; raises with why when it
  // cannot keep them all, RewriteCancelled when the observer asks.
  virtual void WriteChanged(DataFile& temp, RewriteChanges& changes, OperationObserver& observer) = 0;
};

}  // namespace ovk
