// Builders for archives made byte by byte in the engine's tests: native
// containers of every layout and ZIP archives with full control over each
// local header, central record and end record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "coding/Records.h"

namespace ovktest {

// "KWTZ", the descriptor length and the descriptor bytes (the first
// descriptorLength bytes of kind 1 + version + time, zero-padded past 9).
std::string NativeHeader(std::uint32_t version, std::uint32_t time = 0x4A2B5C6D,
                         std::uint32_t descriptorLength = 9);

// One native entry of the given layout; the packed size is the payload's
// length unless given.
std::string NativeEntry(std::uint32_t version, const std::string& name, const std::string& payload,
                        const ovk::EntryHeader& header = {},
                        std::optional<std::uint32_t> packedSize = std::nullopt);

// A native layout-3 entry coded by the payload pipeline (with a password
// when given), as the packer would write it.
std::string CodedNativeEntry(const std::string& name, const std::string& content,
                             const std::string& password = "", std::uint32_t time = 0x4A2B5C6D);

struct ZipEntryFields {
  std::string name;
  std::string payload;      // the stored bytes
  std::uint16_t flags = 0x0800;
  std::uint16_t method = 8;
  std::uint32_t dosTime = 0x4A2B5C6D;
  std::uint32_t crc32 = 0;
  std::uint32_t compressedSize = 0;   // local header values
  std::uint32_t uncompressedSize = 0;
  std::string localExtra;
  std::string trailer;      // bytes between the payload and the next header
  // Central record (defaults: the local values).
  bool inDirectory = true;
  std::optional<std::uint32_t> centralCrc32, centralCompressed, centralUncompressed, centralOffset;
  std::optional<std::string> centralName;
  std::optional<std::uint16_t> centralFlags, centralMethod;
  std::string centralExtra;
  std::uint16_t versionMadeBy = 0x031E;
  std::uint32_t externalAttributes = 0x81A40000;
};

// A complete entry: deflated (or stored) content with its true sizes/CRC.
ZipEntryFields ZipEntry(const std::string& name, const std::string& content, bool stored = false);

// A WinZip AES-256 entry (AE-1 or AE-2) of content, stored or deflated
// behind the cipher, with its AES field in both headers.
ZipEntryFields AesEntry(const std::string& name, const std::string& content, const std::string& password,
                        std::uint16_t aeVersion, bool stored);

// A traditionally enciphered entry (PKWARE), stored or deflated.
ZipEntryFields ZipCryptoEntry(const std::string& name, const std::string& content, const std::string& password,
                              bool stored);

struct ZipLayout {
  std::string prefix;             // data in front of the archive
  bool offsetsIncludePrefix = true;
  std::string comment;
  std::optional<std::uint32_t> directorySize;  // a lying end record
  std::optional<std::uint16_t> entriesTotal;
};

std::string BuildZip(const std::vector<ZipEntryFields>& entries, const ZipLayout& layout = {});

// A ZIP64 end record (single disk) followed by its locator, which points at
// recordPosition.
std::string Zip64EndAndLocator(std::uint64_t entries, std::uint64_t directorySize, std::uint64_t directoryOffset,
                               std::uint64_t recordPosition, std::uint16_t versionMadeBy = 45);

// The ZIP64 extended information field holding the given 64-bit values.
std::string Zip64Extra(const std::vector<std::uint64_t>& values);

// ListArchive of a file, with its result.
struct Listing {
  bool ok = false;
  std::vector<std::string> lines;
};
Listing ListFile(const std::string& path);

// ExtractFromArchive with overwrite on and the given selection.
struct Extraction {
  bool ok = false;
  int code = -1;                   // the exit status the report implies
  std::vector<std::string> lines;  // "name: reason" of each entry not written
};
Extraction ExtractAll(const std::string& archive, const std::string& folder, const std::string& password = "",
                      const std::vector<std::string>& selection = {});

}  // namespace ovktest
