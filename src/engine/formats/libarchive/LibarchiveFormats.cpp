// The formats libarchive reads, each named as users call it ("tar.gz",
// "7z", "gzip"): one format object per name, made when a file of it is first
// met and kept for the program's life, so that the registry hands out
// formats as it does for every other.
#include <archive_entry.h>

#include <map>
#include <mutex>

#include "engine/format/Format.h"
#include "engine/formats/libarchive/ArchiveHandle.h"
#include "engine/formats/libarchive/ArchiveSource.h"
#include "engine/formats/libarchive/LibarchiveReader.h"
#include "engine/formats/libarchive/LibarchiveRewriter.h"
#include "engine/formats/libarchive/LibarchiveWriter.h"

namespace ovk {

namespace {

class LibarchiveFormat final : public Format {
 public:
  explicit LibarchiveFormat(std::string name) : name_(std::move(name)) {}

  std::string_view Name() const override { return name_; }

  // Only the registry's lookup below tells a file of this format.
  bool Bid(DataFile&, std::string_view) const override { return false; }

  // Those libarchive writes change only by a whole new archive, and
  // libarchive enciphers and deciphers none of their entries.
  bool Can(Capability capability) const override {
    const bool changes = capability == Capability::kAppend || capability == Capability::kDelete ||
                         capability == Capability::kRename || capability == Capability::kFolderEntries;
    return changes && LibarchiveWrites(name_);
  }

  std::unique_ptr<Reader> Read(DataFile& file, const std::string& path, const std::string&) const override {
    return std::make_unique<LibarchiveReader>(file, path, name_);
  }

  std::unique_ptr<WholeWriter> WriteWhole(DataFile& file) const override { return NewLibarchiveWriter(file, name_); }

  std::unique_ptr<Rewriter> Rewrite(DataFile& file) const override {
    return std::make_unique<LibarchiveRewriter>(file, name_);
  }

 private:
  std::string name_;
};

const Format& FormatNamed(const std::string& name) {
  static std::mutex mutex;
  static std::map<std::string, std::unique_ptr<LibarchiveFormat>> formats;
  const std::lock_guard lock(mutex);
  std::unique_ptr<LibarchiveFormat>& format = formats[name];
  if (!format) format = std::make_unique<LibarchiveFormat>(name);
  return *format;
}

}  // namespace

const Format* LibarchiveWrittenFormat(const std::string& name) {
  return LibarchiveWrites(name) ? &FormatNamed(name) : nullptr;
}

const Format* LibarchiveFormatOf(DataFile& file) {
  ArchiveSource source(file, {}, 1);
  const ArchiveHandle reader = NewArchiveReader();
  int status = source.Open(reader.get());
  source.RaiseFailure();
  if (status != ARCHIVE_OK && status != ARCHIVE_WARN) return nullptr;
  archive_entry* record = nullptr;
  // The format is known once its first header was asked for, even when that
  // header is damaged or enciphered.
  archive_read_next_header(reader.get(), &record);
  source.RaiseFailure();
  const std::string name = RecognisedName(reader.get(), source.DecodedFilter());
  return name.empty() ? nullptr : &FormatNamed(name);
}

}  // namespace ovk
