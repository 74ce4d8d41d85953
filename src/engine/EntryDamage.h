// Why an entry a walk returns cannot be read as it stands, in every format's
// terms; the walk goes on past it.
#pragma once

#include <cstdint>
#include <string>

namespace ovk {

enum class EntryDamage : std::uint8_t {
  kNone,
  kEmptyName,        // a local header with an empty name
  kNoLocalHeader,    // the central directory lists it where no local header is
  kLocalName,        // its local header disagrees with its central record: the name,
  kLocalSizes,       // the sizes,
  kLocalMethod,      // the compression method
  kLocalFlags,       // or the encryption or data descriptor flag
  kPastEnd,          // its data runs past the end of the file
  kOverlap,          // its bytes are another entry's too (a possible zip bomb)
  kAesNotEnciphered, // WinZip AES (method 99) without the encryption flag
  kStoredSize,       // stored data whose size differs from the original size and cipher overhead
  kSizesUnknown,     // sizes only in a data descriptor, and no central directory
  kEntryUnreadable,  // its header cannot be read; the walk goes on with the next
  kArchiveUnreadable,// the archive cannot be read on from here (the entry has no name)
  kListEnciphered,   // the list of entries itself is enciphered, past what can be read
  kListLocked,       // the list of entries is enciphered and no password was given
  kListWrongPassword,// the list of entries does not decipher with the password given
};

// The damage of an entry and where the entry stands in the file, which
// names one that has no name.
struct Damage {
  EntryDamage kind = EntryDamage::kNone;
  std::int64_t offset = -1;  // -1: not known
};

// The damage in words, for the user.
std::string DamageText(EntryDamage damage);

}  // namespace ovk
