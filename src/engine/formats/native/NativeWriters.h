// The native container's writer of new entries.
#pragma once

#include <memory>

#include "engine/format/Format.h"

namespace ovk {

std::unique_ptr<Writer> MakeNativeWriter(DataFile& file, const WriteChoices& choices);

}  // namespace ovk
