#include "engine/formats/libarchive/LibarchiveRewriter.h"

#include <stdexcept>

#include "engine/Archive.h"
#include "engine/formats/libarchive/LibarchiveReader.h"
#include "engine/formats/libarchive/LibarchiveWriter.h"

namespace ovk {

std::vector<std::string> LibarchiveRewriter::Names() {
  LibarchiveReader reader(archive_, archive_.name, formatName_);
  std::vector<std::string> names;
  Entry entry;
  Damage damage;
  while (reader.Next(entry, damage)) {
    // A damaged entry could not be copied through whole.
    if (damage.kind != EntryDamage::kNone) throw std::runtime_error(entry.name + ": " + DamageText(damage.kind));
    names.push_back(ConvertPathSeparators(entry.name, true));
  }
  Seek64(archive_, 0);
  return names;
}

void LibarchiveRewriter::WriteChanged(DataFile& temp, RewriteChanges& changes, OperationObserver& observer) {
  const std::unique_ptr<WholeWriter> writer = NewLibarchiveWriter(temp, formatName_);
  writer->CopyKept(archive_, changes, observer);
  for (const std::string& folder : changes.newFolders)
    writer->Begin(WholeItem{ConvertPathSeparators(folder, false), EntryType::kFolder, 0755, changes.folderTime, 0, ""});
  writer->Close();
}

}  // namespace ovk
