// Packing one source file as the next entry of the archive.
#include <exception>
#include <string>

#include "engine/AddSession.h"
#include "engine/EngineMessages.h"
#include "support/ByteOrder.h"

namespace ovk {

namespace {

// Sizes are 32-bit in both containers and the native packed size is signed.
constexpr std::int64_t kLargestSource = 0x7FFFFFFF;
constexpr std::uint32_t kModeTypeMask = 0170000;
constexpr std::uint32_t kModeRegular = 0100000;

class EntryTooLarge : public std::exception {
 public:
  const char* what() const noexcept override { return "coded entry exceeds 2 GiB"; }
};

void ReportCannotRead(const std::string& fullPath) {
  ReportEngineMessage("Internal packer: Can not Open file " + fullPath + " for reading");
}

void WriteNativeEntryHeader(DataFile& file, const std::string& storedName,
                            const EntryHeader& header, std::uint32_t packedSize) {
  std::string out;
  out.push_back(static_cast<char>(storedName.size()));
  out += storedName;
  PutLE32(out, header.time);
  PutLE32(out, header.originalSize);
  PutLE32(out, header.flags);
  out.push_back(static_cast<char>(header.encrypted));
  PutLE32(out, header.crc32);
  PutLE32(out, packedSize);
  WriteBlock(file, out.data(), out.size());
}

void WriteEntry(AddSession& s, const std::string& storedName, const EntryHeader& header,
                const std::string& payload, std::uint32_t mode) {
  const auto packedSize = static_cast<std::uint32_t>(payload.size());
  if (s.info.kind == kKindNative) {
    WriteNativeEntryHeader(s.archive, storedName, header, packedSize);
  } else {
    // Unix host and the file's mode, so Unix peers keep names and permissions.
    ZipEntryAttributes attributes;
    attributes.versionMadeBy = kUnixVersionMadeBy;
    attributes.externalAttributes = (mode & 0xFFFF) << 16;
    WriteZipLocalHeader(s.archive, storedName, header, packedSize, &s.directory, attributes);
  }
  if (!payload.empty()) WriteBlock(s.archive, payload.data(), payload.size());
}

// Steps 2 to 6 of packing a file; false when it is refused before reading.
bool PackOpenFile(AddSession& s, DataFile& source, const std::string& fullPath,
                  const std::string& storedName, EntryHeader& header, std::uint32_t& packedSize) {
  const std::uint32_t mode = FileMode(source);
  const std::int64_t size = FileSize64(source);
  if ((mode & kModeTypeMask) != kModeRegular || size < 0 || size > kLargestSource) {
    ReportCannotRead(fullPath);
    return false;
  }
  header.time = FileTimeByFind(fullPath, true);
  header.originalSize = static_cast<std::uint32_t>(size);
  header.flags = 0;
  std::string data(static_cast<std::size_t>(size), '\0');
  if (size > 0) ReadBlock(source, data.data(), data.size());
  EncodePayload(s.password, s.info, header, data, s.cipher, s.level);
  if (static_cast<std::int64_t>(data.size()) > kLargestSource) throw EntryTooLarge();
  WriteEntry(s, storedName, header, data, mode);
  packedSize = static_cast<std::uint32_t>(data.size());
  CloseDataFile(source);
  if (s.move) DeleteFileByName(fullPath, true);
  return true;
}

}  // namespace

void CutArchiveBack(AddSession& s, std::int64_t end, std::size_t directorySize) {
  s.directory.resize(directorySize);
  if (FilePos64(s.archive) == end) return;  // nothing of the entry reached the file
  TruncateDataFile(s.archive, end);
  Seek64(s.archive, end);
}

void AddOneFile(AddSession& s, const std::string& fullPath, const std::string& storedName) {
  EntryHeader header;
  std::uint32_t packedSize = 0;
  bool added = false;
  DataFile source;
  AssignFileName(source, fullPath);
  FileOpenMode = 0;
  OpenExisting(source, 1, true);
  if (PendingIoError() != 0) {
    ReportCannotRead(fullPath);
  } else {
    const std::int64_t entryStart = FilePos64(s.archive);
    const std::size_t directorySize = s.directory.size();
    try {
      added = PackOpenFile(s, source, fullPath, storedName, header, packedSize);
    } catch (const std::exception& e) {
      ReportEngineMessage("Internal packer: Error during archiving of " + fullPath + ": " +
                          e.what());
      CutArchiveBack(s, entryStart, directorySize);
    }
  }
  if (added) {
    ++s.added;
    s.completeEnd = FilePos64(s.archive);
    s.completeDirectorySize = s.directory.size();
  }
  if (s.callback && *s.callback) (*s.callback)(!added, storedName, header, packedSize, s.callbackValue);
}

}  // namespace ovk
