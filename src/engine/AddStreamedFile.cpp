// Packing a file too large to hold in memory: read, coded and written piece
// by piece, the pieces compressed as blocks of one deflate stream on the
// coding threads. The entry's header goes out first with placeholder sizes and is
// written over once the payload is complete; the format lays it out from
// the start for the largest size the entry may reach, as the header's
// length cannot change afterwards.
#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "coding/BlockDeflate.h"
#include "coding/Crc32.h"
#include "coding/PayloadEncoder.h"
#include "engine/AddSession.h"
#include "engine/Archive.h"
#include "engine/EngineMessages.h"
#include "engine/ParallelBlocks.h"
#include "support/FileUnit.h"

namespace ovk {

namespace {

constexpr std::size_t kPieceBytes = kDeflateBlockBytes;

class SourceChanged : public std::exception {
 public:
  const char* what() const noexcept override { return "it changed while it was being added"; }
};

// Deflate's worst case (stored blocks and the zlib bound's slack) plus the
// largest encipherment overhead.
std::uint64_t WorstPackedSize(std::uint64_t size) { return size + (size >> 11) + 1024; }

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

// PKWARE's traditional cipher puts the CRC-32 in front of the data, so a
// first pass computes it.
std::uint32_t FirstPassCrc(AddSession& s, DataFile& source, std::uint64_t size) {
  std::uint32_t crc = ~std::uint32_t{0};
  ReadPieces(s, source, size, [&](std::string_view piece) { crc = Crc32Update(crc, piece.data(), piece.size()); });
  Seek64(source, 0);
  return ~crc;
}

void WriteString(AddSession& s, std::string& bytes, EntrySizes& sizes) {
  if (bytes.empty()) return;
  WriteBlock(s.archive, bytes.data(), bytes.size());
  sizes.packed += bytes.size();
  bytes.clear();
}

bool NeedsCrcFirst(const PayloadEncoding& encoding) { return encoding.cipher == PayloadCipher::kPkwareTraditional; }

PayloadEncoding EncodingFor(AddSession& s, DataFile& source, const PendingFile& f) {
  PayloadEncoding encoding = s.writer->Plan();
  if (NeedsCrcFirst(encoding)) encoding.crc32 = FirstPassCrc(s, source, f.size);
  return encoding;
}

// The blocks go through the encoder (encipherment) into the archive in
// their order.
void CodePieces(AddSession& s, DataFile& source, PendingFile& f, PayloadEncoder& encoder, EntrySizes& sizes) {
  if (!s.pool) s.pool = std::make_unique<CodingPool>(CodingPool::Cores());
  const CompressionLevel level = s.choices.level;
  ParallelBlocks blocks(
      *s.pool,
      [level](const std::string& content, bool last) { return CompressBlock(content, last, level); },
      [&](const std::string& content, const std::string& block) {
        std::string bytes;
        encoder.FeedCompressed(content, block, bytes);
        WriteString(s, bytes, sizes);
        f.progressed += content.size();
        s.progress.bytesDone += content.size();
        s.observer->Progress(s.progress);
      });
  std::uint64_t read = 0;
  ReadPieces(s, source, f.size, [&](std::string_view piece) {
    read += piece.size();
    blocks.Add(std::string(piece), read == f.size);
  });
  blocks.Drain();
}

}  // namespace

void WriteStreamedEntry(AddSession& s, PendingFile& f) {
  DataFile source;
  OpenSource(source, f.fullPath);
  const PayloadEncoding encoding = EncodingFor(s, source, f);
  PayloadEncoder encoder(s.choices.password, encoding, s.cipher);
  f.entry.header.encrypted = encoding.cipher == PayloadCipher::kNone ? 0 : 1;

  const auto position = static_cast<std::uint64_t>(FilePos64(s.archive));
  EntrySizes sizes = s.writer->PlaceholderSizes(f.size, WorstPackedSize(f.size));
  std::string bytes = s.writer->HeaderBytes(f.entry, sizes, position);
  WriteBlock(s.archive, bytes.data(), bytes.size());
  bytes.clear();
  sizes.packed = 0;
  s.progress.currentEntry = ConvertPathSeparators(f.entry.storedName, false);
  CodePieces(s, source, f, encoder, sizes);
  encoder.Finish(bytes);
  WriteString(s, bytes, sizes);
  ThrowIfFailed(CloseDataFile(source));
  if (NeedsCrcFirst(encoding) && encoder.Crc32() != encoding.crc32) throw SourceChanged();
  f.entry.header.crc32 = encoder.Crc32();
  if (!s.writer->Fits(sizes)) throw EntryTooLarge();

  const std::int64_t end = FilePos64(s.archive);
  Seek64(s.archive, static_cast<std::int64_t>(position));
  bytes = s.writer->HeaderBytes(f.entry, sizes, position);
  WriteBlock(s.archive, bytes.data(), bytes.size());
  Seek64(s.archive, end);
  s.writer->Written(f.entry, sizes, position);
}

}  // namespace ovk
