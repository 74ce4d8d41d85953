// ZIP as the registry sees it: a local header or an end record at the start,
// else, once no other format took the file, a central directory that can be
// found (behind a stub, a self-extractor's say).
#include "engine/format/Format.h"
#include "engine/formats/zip/ZipFormat.h"
#include "engine/formats/zip/ZipReader.h"
#include "engine/formats/zip/ZipRebuild.h"
#include "engine/formats/zip/ZipWriters.h"
#include "support/ByteOrder.h"

namespace ovk {

namespace {

class ZipArchive final : public Format {
 public:
  std::string_view Name() const override { return "ZIP"; }

  bool Bid(DataFile&, std::string_view head) const override {
    const std::uint32_t signature = head.size() >= 4 ? GetLE32(head.data()) : 0;
    return signature == kSigLocalHeader || signature == kSigEndRecord;
  }

  bool BidBySearch(DataFile& file) const override {
    std::int64_t firstLocalHeader = 0;
    return LocateZipDirectory(file, firstLocalHeader) >= 0;
  }

  bool Can(Capability) const override { return true; }

  std::unique_ptr<Reader> Read(DataFile& file, const std::string&, const std::string&) const override {
    return std::make_unique<ZipReader>(file);
  }

  std::unique_ptr<Writer> Write(DataFile& file, const WriteChoices& choices) const override {
    return MakeZipWriter(file, choices);
  }

  std::unique_ptr<Rewriter> Rewrite(DataFile& file) const override { return MakeZipRewriter(file); }

  bool LostByAdd(DataFile& file) const override { return DirectoryLostByAdd(file); }

  RepairOutcome Repair(DataFile& file, std::string& reason, RepairNotes& notes) const override {
    return RepairZipDirectory(file, reason, notes);
  }
};

}  // namespace

const Format& ZipArchiveFormat() {
  static const ZipArchive format;
  return format;
}

}  // namespace ovk
