// The later volumes of an archive split across files, named after its first.
#pragma once

#include <string>
#include <vector>

namespace ovk {

// For "x.7z.001" the existing "x.7z.002", "x.7z.003", ...; for
// "x.part1.rar" (any number of digits) "x.part2.rar", ...; in order, up to
// the first one missing. Empty for any other name.
std::vector<std::string> LaterVolumes(const std::string& firstPath);

}  // namespace ovk
