// What every archive format offers the operations: whether a file is one of
// its archives (told by content, never by name), a walk over its entries,
// what it can do besides reading and the writers that do it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "coding/Cipher.h"
#include "coding/PayloadDecoder.h"
#include "engine/Entry.h"
#include "engine/EntryDamage.h"
#include "engine/format/Repair.h"
#include "engine/format/Rewriter.h"
#include "engine/format/WholeWriter.h"
#include "engine/format/Writer.h"
#include "support/FileUnit.h"

namespace ovk {

// kInPlace: new entries are written into the archive file itself (through
// Write); a format that appends or deletes without it writes a whole new
// archive beside the old one (through WriteWhole).
// kPasswords: new entries can be enciphered; kDecipher: enciphered entries
// are read. kFolderEntries: an empty folder is kept as an entry of its own.
enum class Capability : std::uint8_t {
  kAppend, kDelete, kRename, kPasswords, kDecipher, kAes, kComment, kRepair, kInPlace, kFolderEntries
};

// The current entry's content, piece by piece, in bounded memory.
class EntryContent {
 public:
  virtual ~EntryContent() = default;
  // Appends the next piece of content (at most kDecodedPieceBytes) to out;
  // false once the content has ended (the last piece may come with it), or
  // can no longer verify. Raises EInOutError as a read of the file does.
  virtual bool Next(std::string& out) = 0;
  // Once Next returned false: whether the content checked out (its CRC-32
  // or the format's own check; a wrong password fails it).
  virtual bool Verified() const = 0;
};

// An entry's whole stored bytes and the plan that decodes them, which need
// nothing else: decoded anywhere, in one piece.
struct WholePayload {
  std::string stored;
  PayloadCoding coding;
};

// Where an entry's stored bytes lie in the archive and the plan that
// decodes them: read and decoded on any thread, through a file of its own,
// piece by piece.
struct PayloadExtent {
  std::int64_t start = 0;
  std::uint64_t size = 0;
  PayloadCoding coding;
};

// One walk over the entries of an open archive, first to last, in the
// format's own way.
class Reader {
 public:
  virtual ~Reader() = default;
  // The next entry (name with "/"); false at the end. A damaged entry comes
  // back with its damage told, and the walk goes on past it. Raises
  // EInOutError as a read of the file does, entry then named as far as the
  // entry being read was.
  virtual bool Next(Entry& entry, Damage& damage) = 0;
  // How many entries the archive says it holds before they are walked (0:
  // it does not say), for the progress.
  virtual std::uint64_t EntriesKnown() const = 0;
  // The archive's comment, once the walk began; empty in a format that
  // keeps none.
  virtual std::string Comment() const { return {}; }
  // The content of the entry Next returned last, deciphered with password
  // (the cipher is the operation's, kept from entry to entry).
  virtual std::unique_ptr<EntryContent> Content(const std::string& password, CipherHolder& cipher) = 0;
  // The entry's stored bytes and their plan, when the format stores a
  // checksummed payload the coding layer decodes; else false, and the
  // content is to be streamed.
  virtual bool Whole(WholePayload& payload) = 0;
  // Where the entry's stored bytes lie, when the format keeps them in one
  // place of the file; else false, and the content is the walk's to stream.
  virtual bool Extent(PayloadExtent&) { return false; }
};

class Format {
 public:
  virtual ~Format() = default;
  // The format as users call it: "ZIP", "native".
  virtual std::string_view Name() const = 0;
  // Whether the file holds an archive of this format; head holds its first
  // bytes (fewer only when the file is shorter). May move the file's
  // position; raises EInOutError as a read does.
  virtual bool Bid(DataFile& file, std::string_view head) const = 0;
  // Whether the file holds an archive of this format that only a search of
  // it finds (behind a stub), asked once no format told the file by what it
  // starts with. May move the file's position; raises as Bid.
  virtual bool BidBySearch(DataFile&) const { return false; }
  virtual bool Can(Capability capability) const = 0;
  // The walk over a file this format bid for; path names it. A format
  // whose list of entries is enciphered reads it with password (empty:
  // none given).
  virtual std::unique_ptr<Reader> Read(DataFile& file, const std::string& path, const std::string& password) const = 0;

  // What a format that cannot do these keeps: asked only when Can says so.
  // With Capability::kInPlace, a writer of new entries into file (open for
  // writing): a new archive, and with kAppend one it holds, in place. A
  // format written only from start to end lacks kInPlace: its archives are
  // made and changed by a whole new one written beside them (ReplaceBeside),
  // the kept entries copied through.
  virtual std::unique_ptr<Writer> Write(DataFile& file, const WriteChoices& choices) const;
  // kAppend without kInPlace: a writer of a whole new archive into file
  // (empty, open for writing); raises what fails.
  virtual std::unique_ptr<WholeWriter> WriteWhole(DataFile& file) const;
  // Capability::kDelete: the archive in file (open for reading) written anew.
  virtual std::unique_ptr<Rewriter> Rewrite(DataFile& file) const;
  // Whether the archive in file lacks what an add cut off while it ran (and
  // then was killed); false also when it cannot be read.
  virtual bool LostByAdd(DataFile& file) const;
  // Capability::kRepair: gives the archive in file (open for writing) back
  // what LostByAdd tells it lacks; raises what fails to read or write.
  virtual RepairOutcome Repair(DataFile& file, std::string& reason, RepairNotes& notes) const;
};

// The formats this program reads, defined in their own folders.
const Format& NativeMagicFormat();
const Format& ZipArchiveFormat();
const Format& HeaderlessNativeFormat();
// 7z whose folders or header are enciphered, which libarchive cannot read.
const Format& EncipheredSevenZipFormat();
// The format, named for what it holds ("tar.gz", "7z", "gzip"), of a file
// libarchive reads (never ZIP, kept for the program's own reader); null for
// any other file. Raises EInOutError as a read does.
const Format* LibarchiveFormatOf(DataFile& file);
// The format so named ("tar.gz", "7z") when libarchive writes it; else null.
const Format* LibarchiveWrittenFormat(const std::string& name);

}  // namespace ovk
