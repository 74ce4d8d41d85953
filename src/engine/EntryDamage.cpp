#include "engine/EntryDamage.h"

namespace ovk {

std::string DamageText(EntryDamage damage) {
  const std::string disagrees = "damaged: its local header disagrees with the central directory ";
  switch (damage) {
    case EntryDamage::kNone: break;
    case EntryDamage::kEmptyName: return "an entry with an empty name was skipped";
    case EntryDamage::kNoLocalHeader: return "damaged: no entry starts where the central directory says it does";
    case EntryDamage::kLocalName: return disagrees + "(name)";
    case EntryDamage::kLocalSizes: return disagrees + "(sizes)";
    case EntryDamage::kLocalMethod: return disagrees + "(compression method)";
    case EntryDamage::kLocalFlags: return disagrees + "(flags)";
    case EntryDamage::kPastEnd: return "damaged: its data runs past the end of the archive";
    case EntryDamage::kOverlap: return "refused: its data overlaps another entry (a possible zip bomb)";
    case EntryDamage::kAesNotEnciphered: return "damaged: it is AES-encrypted but not flagged as enciphered";
    case EntryDamage::kStoredSize: return "damaged: its stored size differs from its original size";
    case EntryDamage::kSizesUnknown:
      return "its sizes follow its data and the central directory does not list it";
    case EntryDamage::kEntryUnreadable: return "damaged: its header cannot be read";
    case EntryDamage::kArchiveUnreadable: return "damaged: the archive cannot be read past this point";
    case EntryDamage::kListEnciphered:
      return "its list of entries is enciphered, which this program cannot decipher";
    case EntryDamage::kListLocked: return "its list of entries is enciphered and no password was given";
    case EntryDamage::kListWrongPassword:
      return "its list of entries does not decipher: the password is wrong or the archive is damaged";
  }
  return "";
}

}  // namespace ovk
