// What a format that only reads answers for writing.
#include "engine/format/Format.h"

#include "engine/format/Registry.h"

namespace ovk {

std::unique_ptr<Writer> Format::Write(DataFile&, const WriteChoices&) const { return nullptr; }

std::unique_ptr<WholeWriter> Format::WriteWhole(DataFile&) const { return nullptr; }

std::unique_ptr<Rewriter> Format::Rewrite(DataFile&) const { return nullptr; }

bool Format::LostByAdd(DataFile&) const { return false; }

RepairOutcome Format::Repair(DataFile&, std::string& reason, RepairNotes&) const {
  reason = CannotText(*this, Capability::kRepair);
  return RepairOutcome::kFailed;
}

}  // namespace ovk
