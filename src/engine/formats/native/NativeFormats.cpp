// The native container as the registry sees it, in its two shapes: behind
// its magic and descriptor, and the headerless oldest layout. A headerless
// file has nothing to recognise it by but its own walk, so it is taken only
// when that walk parses cleanly to the end of the file: every name field
// whole, every packed size within the file, the last payload ending exactly
// where the file does, at least one entry. Any other file (a cut one, one
// with bytes behind its last payload, text) is not an archive.
#include <cstring>

#include "engine/format/Format.h"
#include "engine/formats/native/NativeLayout.h"
#include "engine/formats/native/NativeReader.h"
#include "engine/formats/native/NativeWriters.h"

namespace ovk {

namespace {

// Entries are only ever appended, in place, and enciphered with CAST-256 alone.
bool NativeCan(Capability capability) {
  return capability == Capability::kAppend || capability == Capability::kInPlace ||
         capability == Capability::kPasswords || capability == Capability::kDecipher;
}

class NativeMagic final : public Format {
 public:
  std::string_view Name() const override { return "native"; }

  bool Bid(DataFile&, std::string_view head) const override {
    return head.size() >= sizeof kNativeMagic && std::memcmp(head.data(), kNativeMagic, sizeof kNativeMagic) == 0;
  }

  bool Can(Capability capability) const override { return NativeCan(capability); }

  std::unique_ptr<Reader> Read(DataFile& file, const std::string&, const std::string&) const override {
    return NativeReader::WithMagic(file);
  }

  std::unique_ptr<Writer> Write(DataFile& file, const WriteChoices& choices) const override {
    return MakeNativeWriter(file, choices);
  }
};

class HeaderlessNative final : public Format {
 public:
  std::string_view Name() const override { return "headerless native"; }

  bool Bid(DataFile& file, std::string_view) const override {
    return NativeReader::Headerless(file)->WalksCleanlyToTheEnd();
  }

  // Its layout is never written, so nothing is added to it.
  bool Can(Capability capability) const override {
    return capability != Capability::kAppend && capability != Capability::kInPlace && NativeCan(capability);
  }

  std::unique_ptr<Reader> Read(DataFile& file, const std::string&, const std::string&) const override {
    return NativeReader::Headerless(file);
  }
};

}  // namespace

const Format& NativeMagicFormat() {
  static const NativeMagic format;
  return format;
}

const Format& HeaderlessNativeFormat() {
  static const HeaderlessNative format;
  return format;
}

}  // namespace ovk
