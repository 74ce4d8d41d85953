// The scratch space of one fuzzing process: a private folder created once and
// emptied after every input, so each run starts from the same clean state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace ovkfuzz {

// The process's scratch folder (created on first use, removed at exit).
const std::string& ScratchRoot();

// Writes the input as a file in the scratch folder and returns its path.
std::string WriteScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size);

// Removes everything inside the scratch folder.
void ClearScratch();

// Whether the link, resolved by the kernel through the links already on
// disk (by its text alone when they loop), stays below root.
bool LeadsInside(const std::filesystem::path& link, const std::filesystem::path& root);

// Aborts (a finding) with the text when the condition does not hold.
void Require(bool condition, const std::string& what);

}  // namespace ovkfuzz
