// New entries into a ZIP archive: they go where its central directory
// began, and the directory, old records and new, is written again behind
// them with the end records and the comment.
#include <memory>
#include <string>

#include "coding/WinZipAes.h"
#include "engine/formats/zip/ZipFormat.h"
#include "engine/formats/zip/ZipRebuild.h"
#include "engine/formats/zip/ZipWriters.h"
#include "support/SystemRandom.h"

namespace ovk {

namespace {

constexpr std::uint8_t kAesStrength256 = 3;
constexpr std::uint64_t kLargestWidePlaceholder = std::uint64_t{1} << 62;  // no file is that large

class ZipWriter final : public Writer {
 public:
  ZipWriter(DataFile& file, const WriteChoices& choices)
      : file_(file), choices_(choices), aes_(choices.aes && !choices.password.empty()) {}

  bool Start(bool append, const std::string& path, OperationReport& report) override {
    append_ = append;
    if (!append) return true;
    std::int64_t firstLocalHeader = 0;
    if (LocateZipDirectory(file_, firstLocalHeader, &end_, &comment_, &directory_) < 0) return Recover(path, report);
    // The new entries replace the old directory, which is written again:
    // one that could not be read whole would drop old entries from it.
    if (directory_.size() != end_.directorySize) {
      report.Add(path, FailureKind::kDamaged,
                 "its central directory cannot be read whole; adding would drop entries from it");
      return false;
    }
    // Its records count offsets from behind a stub, new ones would count
    // from the file's start: the mix would break the archive for every reader.
    if (end_.prefixBytes != 0) {
      report.Add(path, FailureKind::kRefused,
                 "it counts its offsets from behind a leading stub; adding to it is not supported");
      return false;
    }
    Seek64(file_, static_cast<std::int64_t>(end_.directoryOffset));
    oldEnd_ = end_;
    oldDirectoryOnFile_ = true;
    return true;
  }

  std::size_t LongestName() const override { return 0xFFFF; }  // a 16-bit field
  std::uint64_t LargestContent() const override { return ~std::uint64_t{0}; }

  bool Fits(const EntrySizes& sizes) const override {
    return sizes.wideHeader || sizes.packed < kZip64Marker;
  }

  PayloadEncoding Plan() const override {
    PayloadEncoding plan;
    plan.level = choices_.level;
    if (choices_.password.empty()) return plan;
    if (aes_) {
      plan.cipher = PayloadCipher::kWinZipAes;
      plan.aesStrength = kAesStrength256;
      // A salt from the system's random source: a predictable one would weaken the key.
      plan.aesSalt = SystemRandomBytes(AesSaltLength(kAesStrength256));
    } else {
      plan.cipher = PayloadCipher::kPkwareTraditional;
    }
    return plan;
  }

  // An entry that may reach 4 GiB gets a ZIP64 field in its local header
  // from the start, as the header's length cannot change afterwards.
  EntrySizes PlaceholderSizes(std::uint64_t original, std::uint64_t worstPacked) const override {
    const bool wide = worstPacked >= kZip64Marker;
    return EntrySizes{original, wide ? kLargestWidePlaceholder : kZip64Marker - 1, wide};
  }

  std::string HeaderBytes(const NewEntry& entry, const EntrySizes& sizes, std::uint64_t position) const override {
    return ZipLocalHeaderBytes(entry.storedName, entry.header, sizes, Attributes(entry), position);
  }

  void Written(const NewEntry& entry, const EntrySizes& sizes, std::uint64_t position) override {
    AppendZipEntryRecord(directory_, entry.storedName, entry.header, sizes, Attributes(entry), position);
  }

  // A run killed after the cut leaves nothing behind the entries it wrote
  // but their own bytes (the next append tells the complete ones by their
  // extent), and one killed earlier leaves the archive as it was.
  void ReleaseOldEnd() override {
    if (!oldDirectoryOnFile_) return;
    TruncateDataFile(file_, FilePos64(file_));
    oldDirectoryOnFile_ = false;
  }

  std::size_t Mark() const override { return directory_.size(); }
  void CutBack(std::size_t mark) override { directory_.resize(mark); }

  void Close(std::uint64_t added) override {
    WriteZipDirectoryEnd(file_, comment_, end_, append_, added, directory_);
  }

  void RestoreOldEnd() override {
    ZipEndRecord end = oldEnd_;
    WriteZipDirectoryEnd(file_, comment_, end, append_, 0, directory_);
  }

 private:
  // A ZIP archive that lost its end record (an add killed while it wrote
  // the new directory) gets its directory back from the local headers.
  bool Recover(const std::string& path, OperationReport& report) {
    RebuildNotes rebuilt;
    if (RecoverZipDirectory(file_, directory_, end_, &rebuilt)) {
      for (const std::string& line : rebuilt.Lines()) report.notes.push_back(path + ": " + line);
      oldEnd_ = end_;
      return true;
    }
    report.Add(path, FailureKind::kDamaged,
               "its directory is lost and none of its entries can be proven whole to rebuild it; nothing was added");
    return false;
  }

  // Unix host and the file's mode, so Unix peers keep names and permissions.
  ZipEntryAttributes Attributes(const NewEntry& entry) const {
    ZipEntryAttributes attributes;
    attributes.versionMadeBy = kUnixVersionMadeBy;
    attributes.externalAttributes = (entry.mode & 0xFFFF) << 16;
    attributes.modifiedTime = entry.modifiedTime;
    if (aes_) attributes.aesStrength = kAesStrength256;
    return attributes;
  }

  DataFile& file_;
  const WriteChoices choices_;
  const bool aes_;  // ZIP entries with a password get WinZip AES-256
  bool append_ = false;
  ZipEndRecord end_, oldEnd_;
  std::string comment_;
  CentralDirectoryStream directory_;  // records of old and new entries
  bool oldDirectoryOnFile_ = false;   // not yet cut off
};

}  // namespace

std::unique_ptr<Writer> MakeZipWriter(DataFile& file, const WriteChoices& choices) {
  return std::make_unique<ZipWriter>(file, choices);
}

}  // namespace ovk
