// Arbitrary bytes read through the formats libarchive reads and the
// enciphered 7z the program reads itself: walking every entry and its
// content never crashes or hangs, and extracting never writes anything
// outside the destination nor makes a link leading outside it. Inputs none
// of them takes are dropped at once; the seeds are tar, cpio and 7z
// archives, the enciphered ones under the seeds' password.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "FuzzScratch.h"
#include "engine/Archive.h"
#include "engine/ExtractFromArchive.h"
#include "engine/format/Format.h"

namespace fs = std::filesystem;

namespace {

// Bounds the content read per input, so a small bomb costs no more than this.
constexpr std::size_t kContentLimit = 64u << 20;
const char kPassword[] = "secret";

const ovk::Format* FormatOf(ovk::DataFile& file) {
  std::string head(64, '\0');
  std::size_t got = 0;
  ovk::ReadBlock(file, head.data(), head.size(), got);
  head.resize(got);
  if (ovk::EncipheredSevenZipFormat().Bid(file, head)) return &ovk::EncipheredSevenZipFormat();
  ovk::Seek64(file, 0);
  return ovk::LibarchiveFormatOf(file);
}

// Walks every entry and reads its content; true when libarchive takes the
// bytes at all.
bool WalkAll(const std::string& archive) {
  ovk::DataFile file;
  if (!ovk::OpenArchiveForReading(file, archive)) return false;
  try {
    const ovk::Format* format = FormatOf(file);
    if (!format) return false;
    ovk::Seek64(file, 0);
    const std::unique_ptr<ovk::Reader> reader = format->Read(file, archive, kPassword);
    ovk::Entry entry;
    ovk::Damage damage;
    ovk::CipherHolder cipher;
    std::size_t read = 0;
    while (reader->Next(entry, damage) && read < kContentLimit) {
      if (damage.kind != ovk::EntryDamage::kNone) continue;
      const std::unique_ptr<ovk::EntryContent> content = reader->Content(kPassword, cipher);
      std::string piece;
      for (bool more = true; more && read < kContentLimit; read += piece.size()) {
        piece.clear();
        more = content->Next(piece);
      }
    }
  } catch (const ovk::EInOutError&) {
    // A read failure ends the walk, as it does for the operations.
  }
  return true;
}

// Stored names are confined before they reach the disk (".." and a leading
// "/" are dropped), so beside the archive only the destination may appear.
void ExtractConfined(const std::string& archive) {
  const std::string destination = ovkfuzz::ScratchRoot() + "/out";
  ovk::ExtractRequest request;
  request.archive = archive;
  request.destination = destination;
  request.password = kPassword;
  const ovk::OperationReport report = ovk::ExtractFromArchive(request, ovk::SilentObserver());
  ovkfuzz::Require((report.ExitStatus() == 0) == report.failures.empty(), "a failure without a status");
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(ovkfuzz::ScratchRoot(), ec)) {
    ovkfuzz::Require(item.path() == archive || item.path() == destination,
                     "extraction wrote outside the destination: " + item.path().string());
  }
  const fs::path root = fs::canonical(destination, ec);
  for (auto it = fs::recursive_directory_iterator(destination, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_symlink(ec))
      ovkfuzz::Require(ovkfuzz::LeadsInside(it->path(), root), "extraction made a link leading outside: " + it->path().string());
    else
      ovkfuzz::Require(it->is_directory(ec) || it->is_regular_file(ec), "extraction made a special file");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string archive = ovkfuzz::WriteScratchFile("archive.bin", data, size);
  if (WalkAll(archive)) ExtractConfined(archive);
  ovkfuzz::ClearScratch();
  return 0;
}
