// Helpers of the writing tests: AddToArchive with named options, the names
// an archive lists, and checks of an archive with the peer tools.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "engine/AddToArchive.h"

namespace ovktest {

struct AddOptions {
  std::string prefix;
  std::string exclusions;
  bool recurse = true;
  std::int32_t maximumSize = 0;
  std::int32_t ageInDays = 0;
  bool move = false;
  std::string password;
  bool native = false;
  std::string format;  // a new archive's, by name
  ovk::CompressionLevel level = ovk::kLevelDefault;
  ovk::OperationObserver* observer = nullptr;
};

// The report of adding the source; Add: true when nothing failed.
ovk::OperationReport AddReport(const std::string& archive, const std::string& source, const AddOptions& options = {});
bool Add(const std::string& archive, const std::string& source, const AddOptions& options = {});

// Stored names in archive order, as the listing reports them ("\" separators).
std::vector<std::string> EntryNames(const std::string& archive);

// Relative path (with "/") -> content of every file below the folder.
using FileTree = std::map<std::string, std::string>;
FileTree ReadTree(const std::string& folder);
// Relative path -> permission bits of every file below the folder.
std::map<std::string, unsigned> ReadModes(const std::string& folder);

// The peers that read ZIP archives, each able to test and extract.
enum class Peer { Unzip, SevenZip, Python };
const char* PeerName(Peer peer);
inline void PrintTo(Peer peer, std::ostream* os) { *os << PeerName(peer); }
const char* PeerTool(Peer peer);  // the program that must be installed
// Tests the whole archive; empty when the peer is satisfied, else its output.
std::string PeerTest(Peer peer, const std::string& archive, const std::string& password = "");
// Extracts everything into folder; empty on success, else the peer's output.
std::string PeerExtract(Peer peer, const std::string& archive, const std::string& folder,
                        const std::string& password = "");

// Little-endian field of a byte string.
std::uint32_t Field32(const std::string& bytes, std::size_t at);
std::uint16_t Field16(const std::string& bytes, std::size_t at);

}  // namespace ovktest
