// Where extracting "here" puts an archive's content: a lone top-level item
// beside the archive, anything else in a new folder named after it, and
// never over anything already there.
#pragma once

#include <string>
#include <vector>

#include "engine/Entry.h"

namespace ovk {

struct HerePlace {
  std::string destination;  // the folder to extract into
  // False for a lone file beside the archive: the folder holds other files,
  // none of which may be replaced.
  bool overwrite = true;
  std::string made;  // what the user finds: the lone item or the new folder
};

// Chooses (and, for a folder, makes) the place of the content of the
// archive that holds entries. False, with the reason in error, when no
// fresh folder can be made.
bool ChooseHerePlace(const std::string& archive, const std::vector<Entry>& entries, HerePlace& place,
                     std::string& error);

// Where an extraction of the archive holding entries would best go, made
// nowhere: the archive's folder when the entries hold one top-level item,
// else that folder + "/" + FolderNameFor(archive).
std::string SuggestedDestination(const std::string& archivePath, const std::vector<Entry>& entries);

// The archive's name without its folder and its archive suffix, a
// compression suffix taking ".tar" with it: "a.tar.gz" and "a.zip" give "a".
std::string FolderNameFor(const std::string& archive);

}  // namespace ovk
