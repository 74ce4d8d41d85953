// Packing a file too large to hold in memory: read, coded and written piece
// by piece, the pieces compressed as blocks of one deflate stream on the
// coding threads. The entry's header goes out first with placeholder sizes and is
// written over once the payload is complete; a ZIP entry that may reach
// 4 GiB gets a ZIP64 field in its local header from the start, as the
// header's length cannot change afterwards.
#include <algorithm>
#include <deque>
#include <exception>
#include <future>
#include <memory>
#include <string>
#include <string_view>

#include "coding/BlockDeflate.h"
#include "coding/Crc32.h"
#include "coding/PayloadEncoder.h"
#include "engine/AddSession.h"
#include "engine/Archive.h"
#include "engine/EngineMessages.h"
#include "support/FileUnit.h"

namespace ovk {

namespace {

constexpr std::size_t kPieceBytes = kDeflateBlockBytes;
constexpr std::uint64_t kLargestNativePacked = 0x7FFFFFFF;
constexpr std::uint64_t kLargestZip64Placeholder = std::uint64_t{1} << 62;  // no file is that large

class SourceChanged : public std::exception {
 public:
  const char* what() const noexcept override { return "it changed while it was being added"; }
};

// Deflate's worst case (stored blocks and the zlib bound's slack) plus the
// largest encipherment overhead.
std::uint64_t WorstPackedSize(std::uint64_t size) { return size + (size >> 11) + 1024; }

// Until the real size is written over it, the packed size claims more bytes
// than a killed run leaves behind the header, so a recovery of the archive
// takes the entry for one cut off.
std::uint64_t PlaceholderPacked(const AddSession& s, bool zip64Local) {
  if (s.info.kind == kKindNative) return kLargestNativePacked;
  return zip64Local ? kLargestZip64Placeholder : kZip64Marker - 1;
}

void OpenSource(DataFile& source, const std::string& path) {
  ThrowIfFailed(OpenExisting(source, path, Access::kRead));
}

// Hands the source's size bytes to each in pieces; a cancel is honoured
// between them, and a source that ends early has changed since it was sized.
template <typename Each>
void ReadPieces(AddSession& s, DataFile& source, std::uint64_t size, Each each) {
  std::string piece(kPieceBytes, '\0');
  for (std::uint64_t done = 0; done < size;) {
    if (s.observer->CancelRequested()) throw AddCancelled();
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(size - done, kPieceBytes));
    std::size_t got = 0;
    ReadBlock(source, piece.data(), count, got);
    if (got != count) throw SourceChanged();
    each(std::string_view(piece.data(), count));
    done += count;
  }
}

// Traditional ZIP encryption puts the CRC-32 in front of the data, so a
// first pass computes it.
std::uint32_t FirstPassCrc(AddSession& s, DataFile& source, std::uint64_t size) {
  std::uint32_t crc = ~std::uint32_t{0};
  ReadPieces(s, source, size, [&](std::string_view piece) { crc = Crc32Update(crc, piece.data(), piece.size()); });
  Seek64(source, 0);
  return ~crc;
}

std::string HeaderBytes(const AddSession& s, const PendingFile& f, const ZipEntrySizes& sizes,
                        std::uint64_t position) {
  if (s.info.kind == kKindNative)
    return NativeEntryHeaderBytes(f.storedName, f.header, static_cast<std::uint32_t>(sizes.packed));
  return ZipLocalHeaderBytes(f.storedName, f.header, sizes, NewEntryAttributes(s, f), position);
}

void WriteString(AddSession& s, std::string& bytes, ZipEntrySizes& sizes) {
  if (bytes.empty()) return;
  WriteBlock(s.archive, bytes.data(), bytes.size());
  sizes.packed += bytes.size();
  bytes.clear();
}

bool NeedsCrcFirst(const AddSession& s) {
  return !s.password.empty() && s.info.kind == kKindZip && !WritesAes(s);
}

PayloadEncoding EncodingFor(AddSession& s, DataFile& source, const PendingFile& f) {
  PayloadEncoding encoding;
  encoding.archive = s.info;
  encoding.level = s.level;
  if (WritesAes(s)) {
    encoding.aesStrength = kAesStrength256;
    encoding.aesSalt = NewAesSalt();
  } else if (NeedsCrcFirst(s)) {
    encoding.zipCrc32 = FirstPassCrc(s, source, f.size);
  }
  return encoding;
}

// A block on the coding threads. It owns what it reads and writes, so a
// cancel may leave it running.
struct BlockInFlight {
  std::shared_ptr<const std::string> content;
  std::shared_ptr<std::string> block;
  std::future<void> done;
};

// The oldest block goes through the encoder (encipherment) into the archive.
void WriteOldestBlock(AddSession& s, PendingFile& f, std::deque<BlockInFlight>& inFlight,
                      PayloadEncoder& encoder, ZipEntrySizes& sizes) {
  BlockInFlight& b = inFlight.front();
  b.done.get();
  std::string bytes;
  encoder.FeedCompressed(*b.content, *b.block, bytes);
  WriteString(s, bytes, sizes);
  f.progressed += b.content->size();
  s.progress.bytesDone += b.content->size();
  s.observer->Progress(s.progress);
  inFlight.pop_front();
}

// Two blocks per core keep the threads busy while the oldest is written;
// each holds a piece and its output, well within the memory allowed per core.
void CodePieces(AddSession& s, DataFile& source, PendingFile& f, PayloadEncoder& encoder, ZipEntrySizes& sizes) {
  if (!s.pool) s.pool = std::make_unique<CodingPool>(CodingPool::Cores());
  const std::size_t most = 2 * CodingPool::Cores();
  const CompressionLevel level = s.level;
  std::deque<BlockInFlight> inFlight;
  std::string window;  // the end of the content before the next block
  std::uint64_t read = 0;
  ReadPieces(s, source, f.size, [&](std::string_view piece) {
    read += piece.size();
    const bool last = read == f.size;
    auto content = std::make_shared<const std::string>(piece);
    auto block = std::make_shared<std::string>();
    auto done = s.pool->Run([content, block, before = window, last, level] {
      *block = CompressBlock(before, *content, last, level);
    });
    window.assign(piece.substr(piece.size() - std::min(piece.size(), kDeflateWindowBytes)));
    inFlight.push_back({std::move(content), std::move(block), std::move(done)});
    if (inFlight.size() >= most) WriteOldestBlock(s, f, inFlight, encoder, sizes);
  });
  while (!inFlight.empty()) WriteOldestBlock(s, f, inFlight, encoder, sizes);
}

void CheckPackedFits(const AddSession& s, const ZipEntrySizes& sizes) {
  if (s.info.kind == kKindNative && sizes.packed > kLargestNativePacked) throw EntryTooLarge();
  if (s.info.kind == kKindZip && !sizes.zip64Local && sizes.packed >= kZip64Marker) throw EntryTooLarge();
}

}  // namespace

void WriteStreamedEntry(AddSession& s, PendingFile& f) {
  DataFile source;
  OpenSource(source, f.fullPath);
  const PayloadEncoding encoding = EncodingFor(s, source, f);
  PayloadEncoder encoder(s.password, encoding, s.cipher);
  f.header.encrypted = s.password.empty() ? 0 : 1;

  const auto position = static_cast<std::uint64_t>(FilePos64(s.archive));
  const bool zip64Local = WorstPackedSize(f.size) >= kZip64Marker;
  ZipEntrySizes sizes{f.size, PlaceholderPacked(s, zip64Local), zip64Local};
  std::string bytes = HeaderBytes(s, f, sizes, position);
  WriteBlock(s.archive, bytes.data(), bytes.size());
  bytes.clear();
  sizes.packed = 0;
  s.progress.currentEntry = ConvertPathSeparators(f.storedName, false);
  CodePieces(s, source, f, encoder, sizes);
  encoder.Finish(bytes);
  WriteString(s, bytes, sizes);
  ThrowIfFailed(CloseDataFile(source));
  if (NeedsCrcFirst(s) && encoder.Crc32() != encoding.zipCrc32) throw SourceChanged();
  f.header.crc32 = encoder.Crc32();
  CheckPackedFits(s, sizes);

  const std::int64_t end = FilePos64(s.archive);
  Seek64(s.archive, static_cast<std::int64_t>(position));
  bytes = HeaderBytes(s, f, sizes, position);
  WriteBlock(s.archive, bytes.data(), bytes.size());
  Seek64(s.archive, end);
  if (s.info.kind == kKindZip)
    AppendZipEntryRecord(s.directory, f.storedName, f.header, sizes, NewEntryAttributes(s, f), position);
}

}  // namespace ovk
