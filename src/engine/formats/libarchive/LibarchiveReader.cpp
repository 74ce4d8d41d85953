#include "engine/formats/libarchive/LibarchiveReader.h"

#include <archive_entry.h>

#include <algorithm>
#include <string_view>

#include "coding/PayloadDecoder.h"
#include "engine/formats/libarchive/ArchiveEntryRecord.h"
#include "engine/format/Volumes.h"
#include "support/StringUnit.h"
#include "support/Utf8Locale.h"

namespace ovk {

namespace {

// The content of the entry libarchive stands at, block by block as it
// decodes them, handed out in bounded pieces: the holes between blocks (of
// a sparse file) as zeros, nothing past the entry's recorded size (some of
// its readers hand out more, which its own disk writer drops too). A
// checksum or data error it reports fails the check, and so does a reader
// that stops moving short of the recorded size.
class LibarchiveContent final : public EntryContent {
 public:
  LibarchiveContent(archive* reader, ArchiveSource& source, std::int64_t size)
      : reader_(reader), source_(source), size_(size) {}

  bool Next(std::string& out) override {
    while (!ended_ && left_ == 0 && done_ >= offset_ && !NextBlock()) {
    }
    if (ended_) return false;
    const std::int64_t room = static_cast<std::int64_t>(kDecodedPieceBytes);
    if (done_ < offset_) {
      // A hole before the block.
      const std::int64_t zeros = std::min(offset_ - done_, room);
      out.append(static_cast<std::size_t>(zeros), '\0');
      done_ += zeros;
      return true;
    }
    std::int64_t take = std::min<std::int64_t>(static_cast<std::int64_t>(left_), room);
    if (size_ >= 0) take = std::max<std::int64_t>(0, std::min(take, size_ - done_));
    out.append(block_, static_cast<std::size_t>(take));
    done_ += take;
    // What lies past the recorded size is dropped with the rest of the block.
    block_ += take;
    left_ = take == 0 ? 0 : left_ - static_cast<std::size_t>(take);
    return true;
  }

  bool Verified() const override { return verified_; }

 private:
  // Takes the next block; true when it brings something (bytes, or a hole
  // to fill). At the end the content is padded to its recorded size, as a
  // sparse file ending in a hole needs.
  bool NextBlock() {
    const void* buffer = nullptr;
    std::size_t size = 0;
    la_int64_t offset = 0;
    const int status = archive_read_data_block(reader_, &buffer, &size, &offset);
    source_.RaiseFailure();
    if (status == ARCHIVE_EOF) return End(true);
    if (status != ARCHIVE_OK && status != ARCHIVE_WARN) return End(false);
    // Blocks come in order; an earlier one would overwrite what was given.
    if (offset < done_) return End(false);
    const bool moves = size > 0 || offset > done_;
    idle_ = moves ? 0 : idle_ + 1;
    if (idle_ > kIdleBlocks) return End(size_ < 0 || done_ >= size_);
    block_ = static_cast<const char*>(buffer);
    left_ = size;
    offset_ = offset;
    return moves;
  }

  bool End(bool whole) {
    if (whole && size_ > done_) {
      offset_ = size_;
      left_ = 0;
      verified_ = true;
      return true;
    }
    ended_ = true;
    verified_ = whole;
    return false;
  }

  // Empty blocks in a row after which the reader counts as stuck.
  static constexpr int kIdleBlocks = 4;

  archive* reader_;
  ArchiveSource& source_;
  const std::int64_t size_;     // recorded; -1: none
  const char* block_ = nullptr;
  std::size_t left_ = 0;        // of the block, not yet handed out
  std::int64_t offset_ = 0;     // where the block starts in the content
  std::int64_t done_ = 0;       // bytes handed out
  int idle_ = 0;
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
  const Utf8Locale utf8;
  const int status = source_.Open(archive_.get());
  source_.RaiseFailure();
  // Nothing to walk; the first header read then reports the failure.
  ended_ = status != ARCHIVE_OK && status != ARCHIVE_WARN;
}

bool LibarchiveReader::Next(Entry& entry, Damage& damage) {
  // The root folder ("./" of `tar -C dir .`) names nothing to list or make.
  while (ReadNext(entry, damage))
    if (entry.type != EntryType::kFolder || !entry.name.empty() || damage.kind != EntryDamage::kNone) return true;
  return false;
}

bool LibarchiveReader::ReadNext(Entry& entry, Damage& damage) {
  if (ended_) return false;
  // A format that keeps names in UTF-16 (7z) converts them through the
  // locale's character set: under the C locale a name that is not ASCII
  // would be lost, and its entry listed nowhere.
  const Utf8Locale utf8;
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
    damage = enciphered ? Damage{EntryDamage::kListEnciphered, -1}
                        : Damage{EntryDamage::kArchiveUnreadable, damage.offset};
    return true;
  }
  entry = EntryOf(record, formatName_, IsBareData(reader), bareName_);
  size_ = archive_entry_size_is_set(record) ? archive_entry_size(record) : -1;
  if (status == ARCHIVE_FAILED) damage.kind = EntryDamage::kEntryUnreadable;
  return true;
}

std::unique_ptr<EntryContent> LibarchiveReader::Content(const std::string&, CipherHolder&) {
  return std::make_unique<LibarchiveContent>(archive_.get(), source_, size_);
}

}  // namespace ovk
