#include "support/Utf8Locale.h"

namespace ovk {

Utf8Locale::Utf8Locale() : made_(newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr)) {
  if (made_) previous_ = uselocale(made_);
}

Utf8Locale::~Utf8Locale() {
  if (!made_) return;
  uselocale(previous_);
  freelocale(made_);
}

}  // namespace ovk
