#include "support/Utf8Locale.h"

namespace ovk {

namespace {

// Made once for the process and shared by every thread: making one loads
// the character set's tables from disk, too slow to do for each name.
locale_t SharedUtf8() {
  static const locale_t made = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  return made;
}

}  // namespace

Utf8Locale::Utf8Locale() {
  if (const locale_t utf8 = SharedUtf8()) previous_ = uselocale(utf8);
}

Utf8Locale::~Utf8Locale() {
  if (previous_) uselocale(previous_);
}

}  // namespace ovk
