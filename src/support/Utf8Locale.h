// Multibyte text taken as UTF-8 on the calling thread, for a library that
// reads and writes names in the locale's character set.
#pragma once

#include <locale.h>

namespace ovk {

// While it lives, the calling thread's character set is UTF-8 (the C
// locale's otherwise); where the system has no UTF-8 locale, nothing
// changes.
class Utf8Locale {
 public:
  Utf8Locale();
  ~Utf8Locale();
  Utf8Locale(const Utf8Locale&) = delete;
  Utf8Locale& operator=(const Utf8Locale&) = delete;

 private:
  locale_t previous_ = nullptr;  // null: nothing was changed
};

}  // namespace ovk
