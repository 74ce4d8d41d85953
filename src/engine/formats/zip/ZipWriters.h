// The ZIP format's writers, each in its own file.
#pragma once

#include <memory>
#include <string>

#include "engine/format/Format.h"

namespace ovk {

std::unique_ptr<Writer> MakeZipWriter(DataFile& file, const WriteChoices& choices);
std::unique_ptr<Rewriter> MakeZipRewriter(DataFile& file);
// An archive an add left without a directory (killed while it wrote the
// new one) gets it back from its local headers.
RepairOutcome RepairZipDirectory(DataFile& file, std::string& reason, RepairNotes& notes);

}  // namespace ovk
