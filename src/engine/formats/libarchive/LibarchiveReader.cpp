#include "engine/formats/libarchive/LibarchiveReader.h"

#include <archive_entry.h>

#include <string_view>

#include "coding/PayloadDecoder.h"
#include "engine/formats/libarchive/ArchiveEntryRecord.h"
#include "engine/formats/libarchive/Volumes.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

// The content of the entry libarchive stands at, decoded by it in bounded
// pieces; a checksum or data error it reports fails the check.
class LibarchiveContent final : public EntryContent {
 public:
  LibarchiveContent(archive* reader, ArchiveSource& source) : reader_(reader), source_(source) {}

  bool Next(std::string& out) override {
    if (ended_) return false;
    const std::size_t start = out.size();
    out.resize(start + kDecodedPieceBytes);
    const la_ssize_t got = archive_read_data(reader_, out.data() + start, kDecodedPieceBytes);
    out.resize(start + static_cast<std::size_t>(got > 0 ? got : 0));
    source_.RaiseFailure();
    ended_ = got <= 0;
    verified_ = got == 0;
    return !ended_;
  }

  bool Verified() const override { return verified_; }

 private:
  archive* reader_;
  ArchiveSource& source_;
  bool ended_ = false, verified_ = false;
};

// A header libarchive asks to be read again is given a few tries.
constexpr int kHeaderTries = 8;

}  // namespace

std::string BareEntryName(const std::string& path) {
  const std::string name = NamePart(path);
  for (const std::string_view suffix : {".gz", ".bz2", ".xz", ".lzma", ".zst", ".lz4", ".lz", ".Z", ".uu"}) {
    if (name.size() > suffix.size() && name.ends_with(suffix)) return name.substr(0, name.size() - suffix.size());
  }
  return name + ".out";
}

LibarchiveReader::LibarchiveReader(DataFile& file, const std::string& path, std::string formatName)
    : source_(file, LaterVolumes(path)),
      archive_(NewArchiveReader()),
      formatName_(std::move(formatName)),
      bareName_(BareEntryName(path)) {
  const int status = source_.Open(archive_.get());
  source_.RaiseFailure();
  // Nothing to walk; the first header read then reports the failure.
  ended_ = status != ARCHIVE_OK && status != ARCHIVE_WARN;
}

bool LibarchiveReader::Next(Entry& entry, Damage& damage) {
  if (ended_) return false;
  archive* reader = archive_.get();
  archive_entry* record = nullptr;
  int status = ARCHIVE_RETRY;
  for (int tries = 0; status == ARCHIVE_RETRY && tries < kHeaderTries; ++tries)
    status = archive_read_next_header(reader, &record);
  source_.RaiseFailure();
  if (status == ARCHIVE_EOF) {
    ended_ = true;
    return false;
  }
  damage = {EntryDamage::kNone, archive_filter_bytes(reader, -1)};
  // A header that cannot be read leaves no way to the ones after it.
  if (status != ARCHIVE_OK && status != ARCHIVE_WARN && status != ARCHIVE_FAILED) {
    ended_ = true;
    entry = Entry{};
    // An enciphered list is the whole archive's trouble, at no one place.
    const bool enciphered = archive_read_has_encrypted_entries(reader) == 1;
    damage = enciphered ? Damage{EntryDamage::kListEnciphered, -1} : Damage{EntryDamage::kArchiveUnreadable, damage.offset};
    return true;
  }
  entry = EntryOf(record, formatName_, IsBareData(reader), bareName_);
  if (status == ARCHIVE_FAILED) damage.kind = EntryDamage::kEntryUnreadable;
  return true;
}

std::unique_ptr<EntryContent> LibarchiveReader::Content(const std::string&, CipherHolder&) {
  return std::make_unique<LibarchiveContent>(archive_.get(), source_);
}

}  // namespace ovk
