#include "engine/formats/libarchive/ArchiveEntryRecord.h"

namespace ovk {

namespace {

// A name as tar stores what `tar -C dir .` packs ("./a.txt", "./") is the
// name users know ("a.txt"), as other archive tools show it.
std::string WithoutDotFolders(std::string name) {
  std::size_t cut = 0;
  while (name.compare(cut, 2, "./") == 0) cut += 2;
  name.erase(0, cut);
  return name == "." ? "" : name;
}

bool IsAscii(const char* text) {
  for (; *text; ++text) {
    if (static_cast<unsigned char>(*text) >= 0x80) return false;
  }
  return true;
}

std::string NameOf(archive_entry* record) {
  // A name stored as plain ASCII is its own UTF-8: asking libarchive for
  // UTF-8 would convert it through the locale's character set, entry by
  // entry, which costs more than the rest of a listing.
  const char* name = archive_entry_pathname(record);
  if (!name || !IsAscii(name)) {
    name = archive_entry_pathname_utf8(record);
    if (!name) name = archive_entry_pathname(record);
  }
  return WithoutDotFolders(name ? name : "");
}

EntryType TypeOf(archive_entry* record) {
  switch (archive_entry_filetype(record)) {
    case AE_IFDIR: return EntryType::kFolder;
    case AE_IFLNK: return EntryType::kSymbolicLink;
    case AE_IFCHR:
    case AE_IFBLK: return EntryType::kDevice;
    case AE_IFIFO: return EntryType::kFifo;
    case AE_IFSOCK: return EntryType::kSocket;
    default: break;
  }
  // A hard link that carries the data (the last of a cpio set) is the file
  // the earlier names link to.
  if (archive_entry_hardlink(record) && archive_entry_size(record) == 0) return EntryType::kHardLink;
  return EntryType::kFile;
}

std::string LinkTargetOf(archive_entry* record, EntryType type) {
  const char* target = nullptr;
  if (type == EntryType::kSymbolicLink) {
    target = archive_entry_symlink_utf8(record);
    if (!target) target = archive_entry_symlink(record);
  } else {
    target = archive_entry_hardlink_utf8(record);
    if (!target) target = archive_entry_hardlink(record);
    // It names an earlier entry, by that entry's name.
    if (target) return WithoutDotFolders(target);
  }
  return target ? target : "";
}

}  // namespace

std::string EntryNameOf(archive_entry* record) {
  std::string name = NameOf(record);
  // A folder's name ends in "/", whatever the format wrote.
  if (archive_entry_filetype(record) == AE_IFDIR && !name.empty() && name.back() != '/') name += '/';
  return name;
}

Entry EntryOf(archive_entry* record, const std::string& formatName, bool bare, const std::string& bareName) {
  Entry entry;
  entry.name = bare ? bareName : EntryNameOf(record);
  entry.type = bare ? EntryType::kFile : TypeOf(record);
  entry.linkTarget = LinkTargetOf(record, entry.type);
  entry.packedKnown = false;  // the formats' readers do not tell what an entry spends
  if (archive_entry_size_is_set(record) && archive_entry_size(record) > 0)
    entry.originalSize = static_cast<std::uint64_t>(archive_entry_size(record));
  if (archive_entry_mtime_is_set(record)) entry.modified = archive_entry_mtime(record);
  entry.mode = bare ? 0 : static_cast<std::uint32_t>(archive_entry_perm(record));
  entry.encrypted = archive_entry_is_encrypted(record) != 0;
  // 7z enciphers with AES-256 alone; other formats' ciphers are not told.
  if (entry.encrypted) entry.cipher = formatName == "7z" ? "AES-256" : formatName + " encryption";
  // libarchive deciphers only ZIP, which it does not read here.
  if (entry.encrypted) entry.undecodable = "this program cannot decipher " + formatName + " encryption";
  return entry;
}

}  // namespace ovk
