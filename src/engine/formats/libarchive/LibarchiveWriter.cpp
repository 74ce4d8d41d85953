#include "engine/formats/libarchive/LibarchiveWriter.h"

#include <archive_entry.h>

#include <map>
#include <set>
#include <stdexcept>
#include <string_view>

#include "engine/Archive.h"
#include "engine/CodingPool.h"
#include "engine/format/Rewriter.h"
#include "engine/formats/libarchive/ArchiveEntryRecord.h"
#include "engine/formats/libarchive/ArchiveHandle.h"
#include "engine/formats/libarchive/ArchiveSink.h"
#include "engine/formats/libarchive/ArchiveSource.h"
#include "support/StringUnit.h"
#include "support/Utf8Locale.h"

namespace ovk {

namespace {

// Tar is written as restricted pax: plain ustar headers, which every tar
// reads, and a pax extended header only for what ustar cannot hold (long or
// non-ASCII names, sizes past 8 GiB), which GNU tar and bsdtar both read.
// gzip and xz are compressed by the sink rather than by libarchive: gzip
// on the coding threads (libarchive's filter runs on one), xz by an encoder
// that takes a fraction of the memory of libarchive's threaded one for the
// same speed. 7z's LZMA runs on one thread at level 4: the default level's
// encoder alone takes twice the memory and half as long again, for some 8%
// in size.
struct WrittenFormat {
  std::string_view name;
  int format;
  int filter;
  const char* threadedModule;  // the filter's encoder takes a thread count
  SinkFilter bySink = SinkFilter::kNone;
  const char* options = nullptr;  // as archive_write_set_options takes them
};

constexpr WrittenFormat kWritten[] = {
    {"tar", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_NONE, nullptr},
    {"tar.gz", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_NONE, nullptr, SinkFilter::kGzip},
    {"tar.bz2", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_BZIP2, nullptr},
    {"tar.xz", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_NONE, nullptr, SinkFilter::kXz},
    {"tar.zst", ARCHIVE_FORMAT_TAR_PAX_RESTRICTED, ARCHIVE_FILTER_ZSTD, "zstd"},
    {"7z", ARCHIVE_FORMAT_7ZIP, ARCHIVE_FILTER_NONE, nullptr, SinkFilter::kNone, "7zip:compression-level=4"},
};

const WrittenFormat* WrittenNamed(const std::string& name) {
  for (const WrittenFormat& written : kWritten) {
    if (written.name == name) return &written;
  }
  return nullptr;
}

struct WriterFree {
  void operator()(archive* writer) const { archive_write_free(writer); }
};
struct RecordFree {
  void operator()(archive_entry* record) const { archive_entry_free(record); }
};

constexpr std::size_t kCopyPieceBytes = 64 * 1024;

std::runtime_error Failed(archive* a, const std::string& what) {
  const char* why = archive_error_string(a);
  return std::runtime_error(what + ": " + (why ? why : "libarchive failed"));
}

unsigned int FileType(EntryType type) {
  switch (type) {
    case EntryType::kFolder: return AE_IFDIR;
    case EntryType::kSymbolicLink: return AE_IFLNK;
    default: return AE_IFREG;
  }
}

// A name as UTF-8 when it is, else its bytes as they are, as tar stores
// them (libarchive takes invalid UTF-8 for no name at all). Every call into
// the writer runs under Utf8Locale, so libarchive's own conversions take
// the names for UTF-8 too.
void SetText(archive_entry* record, const std::string& text, void (*utf8)(archive_entry*, const char*),
             void (*bytes)(archive_entry*, const char*)) {
  (IsValidUtf8(text) ? utf8 : bytes)(record, text.c_str());
}

class LibarchiveWriter final : public WholeWriter {
 public:
  LibarchiveWriter(DataFile& file, const WrittenFormat& written)
      : sink_(file, written.bySink), writer_(archive_write_new()) {
    const Utf8Locale utf8;
    archive* a = writer_.get();
    if (archive_write_set_format(a, written.format) != ARCHIVE_OK ||
        archive_write_add_filter(a, written.filter) != ARCHIVE_OK ||
        (written.options && archive_write_set_options(a, written.options) != ARCHIVE_OK))
      throw Failed(a, "cannot set up the " + std::string(written.name) + " writer");
    // Only a plain tar ends in whole 10 KiB tape records, as GNU tar writes
    // it; a compressed one gains nothing from them, and a 7z reader takes
    // them for data after the archive.
    const bool plainTar =
        written.format != ARCHIVE_FORMAT_7ZIP && written.filter == ARCHIVE_FILTER_NONE &&
        written.bySink == SinkFilter::kNone;
    if (!plainTar) archive_write_set_bytes_in_last_block(a, 1);
    if (written.threadedModule) {
      const std::string threads = std::to_string(CodingPool::Cores());
      archive_write_set_filter_option(a, written.threadedModule, "threads", threads.c_str());
    }
    const int status = sink_.Open(a);
    sink_.RaiseFailure();
    if (status != ARCHIVE_OK) throw Failed(a, "cannot start the archive");
  }

  // Freeing the writer ends the archive, unless Close did: one given up
  // halfway is not.
  ~LibarchiveWriter() override {
    sink_.Discard();
    const Utf8Locale utf8;
    writer_.reset();
  }
  LibarchiveWriter(const LibarchiveWriter&) = delete;
  LibarchiveWriter& operator=(const LibarchiveWriter&) = delete;

  void CopyKept(DataFile& old, RewriteChanges& changes, OperationObserver& observer) override {
    const Utf8Locale utf8;
    ArchiveSource source(old, {});
    const ArchiveHandle reader = NewArchiveReader();
    const int opened = source.Open(reader.get());
    source.RaiseFailure();
    if (opened != ARCHIVE_OK && opened != ARCHIVE_WARN) throw Failed(reader.get(), "cannot read it");
    ProgressSnapshot progress;
    // As the records name them: those left out, and the new names of those
    // renamed, which their hard links follow.
    std::set<std::string> dropped;
    std::map<std::string, std::string> renamed;
    archive_entry* record = nullptr;
    while (true) {
      const int status = archive_read_next_header(reader.get(), &record);
      source.RaiseFailure();
      if (status == ARCHIVE_EOF) break;
      if (status != ARCHIVE_OK && status != ARCHIVE_WARN) throw Failed(reader.get(), "cannot read it");
      if (observer.CancelRequested()) throw RewriteCancelled();
      const std::string name = StoredNameOf(record);
      progress.currentEntry = ConvertPathSeparators(name, false);
      observer.Progress(progress);
      ++progress.entriesDone;
      const std::string recorded = archive_entry_pathname(record) ? archive_entry_pathname(record) : "";
      if (changes.LeavesOut(name)) {
        dropped.insert(recorded);
        continue;
      }
      // A hard link without the entry holding its content would lose it.
      if (const char* linked = archive_entry_hardlink(record); linked && dropped.count(linked) != 0)
        throw std::runtime_error(name + " is a hard link to " + linked + ", which holds its content");
      if (const std::string& newName = changes.NewName(name); newName != name) {
        renamed[recorded] = ConvertPathSeparators(newName, false);
        SetText(record, renamed[recorded], archive_entry_set_pathname_utf8, archive_entry_copy_pathname);
      }
      if (const char* linked = archive_entry_hardlink(record); linked && renamed.count(linked) != 0)
        SetText(record, renamed[linked], archive_entry_set_hardlink_utf8, archive_entry_copy_hardlink);
      CopyEntry(reader.get(), source, record);
    }
  }

  void Begin(const WholeItem& item) override {
    const Utf8Locale utf8;
    const std::unique_ptr<archive_entry, RecordFree> record(archive_entry_new());
    archive_entry* r = record.get();
    SetText(r, item.storedName, archive_entry_set_pathname_utf8, archive_entry_copy_pathname);
    archive_entry_set_filetype(r, FileType(item.type));
    archive_entry_set_perm(r, item.mode & 07777);
    archive_entry_set_mtime(r, item.modifiedTime, 0);
    archive_entry_set_size(r, item.type == EntryType::kFile ? static_cast<la_int64_t>(item.size) : 0);
    if (item.type == EntryType::kSymbolicLink)
      SetText(r, item.linkTarget, archive_entry_set_symlink_utf8, archive_entry_copy_symlink);
    Check(archive_write_header(writer_.get(), r), "cannot write the header of " + item.storedName);
  }

  void Content(const char* data, std::size_t size) override {
    const Utf8Locale utf8;
    const la_ssize_t wrote = archive_write_data(writer_.get(), data, size);
    sink_.RaiseFailure();
    if (wrote < 0 || static_cast<std::size_t>(wrote) != size) throw Failed(writer_.get(), "cannot write an entry");
  }

  void Close() override {
    const Utf8Locale utf8;
    Check(archive_write_close(writer_.get()), "cannot end the archive");
  }

 private:
  // The name as the operations match it: "\" between folders, a folder's
  // with a trailing one.
  // The name selections are matched against: the reader's, "\" between folders.
  static std::string StoredNameOf(archive_entry* record) { return ConvertPathSeparators(EntryNameOf(record), true); }

  void CopyEntry(archive* reader, ArchiveSource& source, archive_entry* record) {
    // The content is copied whole, holes read as zeros: a sparse map kept
    // from the old header would describe other bytes.
    archive_entry_sparse_clear(record);
    Check(archive_write_header(writer_.get(), record), "cannot copy the header of " + StoredNameOf(record));
    std::string piece(kCopyPieceBytes, '\0');
    while (true) {
      const la_ssize_t got = archive_read_data(reader, piece.data(), piece.size());
      source.RaiseFailure();
      if (got < 0) throw Failed(reader, "cannot read " + StoredNameOf(record));
      if (got == 0) break;
      Content(piece.data(), static_cast<std::size_t>(got));
    }
  }

  void Check(int status, const std::string& what) {
    sink_.RaiseFailure();
    if (status != ARCHIVE_OK && status != ARCHIVE_WARN) throw Failed(writer_.get(), what);
  }

  ArchiveSink sink_;
  std::unique_ptr<archive, WriterFree> writer_;
};

}  // namespace

bool LibarchiveWrites(const std::string& formatName) { return WrittenNamed(formatName) != nullptr; }

std::unique_ptr<WholeWriter> NewLibarchiveWriter(DataFile& file, const std::string& formatName) {
  const WrittenFormat* written = WrittenNamed(formatName);
  if (!written) throw std::runtime_error("this program does not write " + formatName + " archives");
  return std::make_unique<LibarchiveWriter>(file, *written);
}

}  // namespace ovk
