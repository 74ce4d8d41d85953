// Deleting from and renaming in an archive libarchive writes: a whole new
// one with the entries that are kept, copied through header and content.
#pragma once

#include <string>
#include <vector>

#include "engine/format/Rewriter.h"

namespace ovk {

class LibarchiveRewriter final : public Rewriter {
 public:
  LibarchiveRewriter(DataFile& archive, std::string formatName)
      : archive_(archive), formatName_(std::move(formatName)) {}

  std::vector<std::string> Names() override;
  void WriteChanged(DataFile& temp, RewriteChanges& changes, OperationObserver& observer) override;

 private:
  DataFile& archive_;
  std::string formatName_;
};

}  // namespace ovk
