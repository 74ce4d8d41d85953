// The walk over a 7z archive this program deciphers itself (split across
// files too, opened from its first part): its header
// read (and deciphered, when it is enciphered) with the password the walk
// is given, its folders decoded as their files are asked for.
#pragma once

#include <memory>
#include <string>

#include "engine/format/Format.h"
#include "engine/formats/sevenzip/SevenZipFolderStream.h"
#include "engine/formats/sevenzip/SevenZipHeader.h"

namespace ovk {

// How far the header could be read.
enum class SevenZipHeaderState : std::uint8_t { kRead, kLocked, kWrongPassword, kDamaged };

// The header of the archive in file, its encoded layers decoded with the
// keys; sets enciphered when any of them, or any folder, enciphers.
// Raises EInOutError as a read does.
SevenZipHeaderState LoadSevenZipHeader(JoinedVolumes& file, SevenZipKeys& keys, SevenZipHeader& header, bool& enciphered);

class SevenZipReader final : public Reader {
 public:
  SevenZipReader(DataFile& file, const std::string& password);

  bool Next(Entry& entry, Damage& damage) override;
  std::uint64_t EntriesKnown() const override { return header_.files.size(); }
  std::unique_ptr<EntryContent> Content(const std::string& password, CipherHolder& cipher) override;
  // A link's target, read as its entry was given, with its CRC to check;
  // every other entry streams, as no entry's stored bytes stand alone in a
  // solid folder.
  bool Whole(WholePayload& payload) override;

 private:
  // The folder stream standing at the current file's content; null when
  // the folder cannot be decoded or has failed.
  SevenZipFolderStream* StreamAtCurrent();
  // Reads the current link's content into link_; its target when it checks out.
  std::string LinkTarget(const SevenZipFile& file);

  JoinedVolumes file_;
  SevenZipKeys keys_;
  SevenZipHeader header_;
  SevenZipHeaderState state_ = SevenZipHeaderState::kRead;
  bool stateTold_ = false;
  std::size_t next_ = 0;            // the file Next gives next
  const SevenZipFile* current_ = nullptr;
  bool linkRead_ = false;  // link_ holds the current entry's content
  std::string link_;
  std::unique_ptr<SevenZipFolderStream> stream_;
  std::size_t streamFolder_ = SIZE_MAX;  // the folder stream_ decodes
};

}  // namespace ovk
