// The libraries the engine is built on, with the versions in use, for the
// front ends' About texts.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace ovk {

// (library, version) pairs in a fixed order. The version is the one the
// library reports at run time; ISA-L and libdeflate report none, so theirs
// is the one built against.
std::vector<std::pair<std::string, std::string>> LibraryVersions();

}  // namespace ovk
