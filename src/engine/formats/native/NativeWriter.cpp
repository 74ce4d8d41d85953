// New entries at the end of a native container: each header in front of its
// payload is all it records, so the archive ends with its last entry.
#include <memory>
#include <string>

#include "engine/formats/native/NativeLayout.h"
#include "engine/formats/native/NativeWriters.h"
#include "support/DosTime.h"

namespace ovk {

namespace {

// The packed size is a signed 32-bit field, the other sizes 32-bit.
constexpr std::uint64_t kLargestPacked = 0x7FFFFFFF;
// Bytes of the name field: one length byte.
constexpr std::size_t kLongestName = 0xFF;

class NativeWriter final : public Writer {
 public:
  NativeWriter(DataFile& file, const WriteChoices& choices) : file_(file), choices_(choices) {}

  bool Start(bool append, const std::string& path, OperationReport& report) override {
    if (!append) {
      WriteNativeHeader(NativeDescriptor{kNativeLayoutWritten, DosTimeNow()}, file_);
      return true;
    }
    const NativeDescriptor descriptor = ReadNativeDescriptor(file_);
    if (descriptor.version != kNativeLayoutWritten) {
      report.Add(path, FailureKind::kRefused,
                 "native archives of layout " + std::to_string(descriptor.version) + " cannot be added to");
      return false;
    }
    Seek64(file_, FileSize64(file_));
    return true;
  }

  std::size_t LongestName() const override { return kLongestName; }
  std::uint64_t LargestContent() const override { return kLargestPacked; }
  bool Fits(const EntrySizes& sizes) const override { return sizes.packed <= kLargestPacked; }

  PayloadEncoding Plan() const override {
    PayloadEncoding plan;
    plan.zlibWrapped = true;
    plan.level = choices_.level;
    if (!choices_.password.empty()) plan.cipher = PayloadCipher::kCast256;
    return plan;
  }

  EntrySizes PlaceholderSizes(std::uint64_t original, std::uint64_t) const override {
    return EntrySizes{original, kLargestPacked, false};
  }

  std::string HeaderBytes(const NewEntry& entry, const EntrySizes& sizes, std::uint64_t) const override {
    return NativeEntryHeaderBytes(entry.storedName, entry.header, static_cast<std::uint32_t>(sizes.packed));
  }

  // Nothing lists the entries but their own headers.
  void Written(const NewEntry&, const EntrySizes&, std::uint64_t) override {}
  void ReleaseOldEnd() override {}
  std::size_t Mark() const override { return 0; }
  void CutBack(std::size_t) override {}
  void Close(std::uint64_t) override {}
  void RestoreOldEnd() override {}

 private:
  DataFile& file_;
  const WriteChoices choices_;
};

}  // namespace

std::unique_ptr<Writer> MakeNativeWriter(DataFile& file, const WriteChoices& choices) {
  return std::make_unique<NativeWriter>(file, choices);
}

}  // namespace ovk
