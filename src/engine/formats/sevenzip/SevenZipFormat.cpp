// 7z whose folders or header are enciphered: read by the program's own
// reader, as libarchive deciphers none of them; every other 7z is
// libarchive's. Nothing is written to it: its entries would lose their
// encryption.
#include "engine/format/Format.h"
#include "engine/formats/sevenzip/SevenZipReader.h"

namespace ovk {

namespace {

class EncipheredSevenZip final : public Format {
 public:
  std::string_view Name() const override { return "enciphered 7z"; }

  bool Bid(DataFile& file, std::string_view head) const override {
    if (!IsSevenZipSignature(head)) return false;
    SevenZipKeys none("");
    SevenZipHeader header;
    bool enciphered = false;
    JoinedVolumes whole(file);
    const SevenZipHeaderState state = LoadSevenZipHeader(whole, none, header, enciphered);
    return enciphered && state != SevenZipHeaderState::kDamaged;
  }

  bool Can(Capability capability) const override { return capability == Capability::kDecipher; }

  std::unique_ptr<Reader> Read(DataFile& file, const std::string&, const std::string& password) const override {
    return std::make_unique<SevenZipReader>(file, password);
  }
};

}  // namespace

const Format& EncipheredSevenZipFormat() {
  static const EncipheredSevenZip format;
  return format;
}

}  // namespace ovk
