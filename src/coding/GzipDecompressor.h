// A gzip file's content: one or more members, one after the other.
#pragma once

#include <memory>

#include "coding/Decompressor.h"

namespace ovk {

// kEnd comes at a member's end that uses up the input given, or where the
// bytes after a member do not start another (they are left in `in`); a
// later call with more input goes on with the next member. kError on a
// damaged member, a wrong CRC-32 or size among them.
std::unique_ptr<Decompressor> MakeGzipDecompressor();

}  // namespace ovk
