#include "ArchiveBytes.h"

#include "coding/CipherStage.h"
#include "coding/Crc32.h"
#include "coding/Payload.h"
#include "coding/ZipCrypto.h"
#include "engine/ExtractFromArchive.h"
#include "engine/ListArchive.h"
#include "engine/formats/zip/ZipFormat.h"
#include "support/ByteOrder.h"

namespace ovktest {

using ovk::PutLE16;
using ovk::PutLE32;
using ovk::PutLE64;

std::string NativeHeader(std::uint32_t version, std::uint32_t time, std::uint32_t descriptorLength) {
  std::string descriptor(1, '\x01');
  PutLE32(descriptor, version);
  PutLE32(descriptor, time);
  descriptor.resize(descriptorLength, '\xEE');
  std::string out = "KWTZ";
  PutLE32(out, descriptorLength);
  return out + descriptor;
}

std::string NativeEntry(std::uint32_t version, const std::string& name, const std::string& payload,
                        const ovk::EntryHeader& header, std::optional<std::uint32_t> packedSize) {
  std::string out(1, static_cast<char>(name.size()));
  out += name;
  if (version < 2) out.resize(256, '\x5A');  // bytes past the length are ignored
  if (version >= 3) {
    PutLE32(out, header.time);
    PutLE32(out, header.originalSize);
    PutLE32(out, header.flags);
    out.push_back(static_cast<char>(header.encrypted));
    PutLE32(out, header.crc32);
  }
  PutLE32(out, packedSize.value_or(static_cast<std::uint32_t>(payload.size())));
  return out + payload;
}

std::string CodedNativeEntry(const std::string& name, const std::string& content, const std::string& password,
                             std::uint32_t time) {
  ovk::PayloadEncoding native;
  native.zlibWrapped = true;
  if (!password.empty()) native.cipher = ovk::PayloadCipher::kCast256;
  ovk::EntryHeader header;
  header.time = time;
  header.originalSize = static_cast<std::uint32_t>(content.size());
  std::string data = content;
  ovk::CipherHolder cipher;
  ovk::EncodePayload(password, native, header, data, cipher);
  return NativeEntry(3, name, data, header);
}

ZipEntryFields ZipEntry(const std::string& name, const std::string& content, bool stored) {
  ZipEntryFields e;
  e.name = name;
  e.method = stored ? 0 : 8;
  e.payload = stored ? content : ovk::DeflateRaw(content, ovk::kLevelDefault);
  e.crc32 = ovk::Crc32(content);
  e.compressedSize = static_cast<std::uint32_t>(e.payload.size());
  e.uncompressedSize = static_cast<std::uint32_t>(content.size());
  return e;
}

ZipEntryFields AesEntry(const std::string& name, const std::string& content, const std::string& password,
                        std::uint16_t aeVersion, bool stored) {
  ZipEntryFields e = ZipEntry(name, content, stored);
  std::string enciphered;
  const auto stage = ovk::MakeAesEncipher(password, 3, std::string(16, '\x5A'));
  stage->Encipher(e.payload, enciphered);
  stage->Finish(enciphered);
  std::string field;
  PutLE16(field, 0x9901);
  PutLE16(field, 7);
  PutLE16(field, aeVersion);
  field += "AE";
  field += '\x03';
  PutLE16(field, e.method);
  e.localExtra = e.centralExtra = field;
  e.payload = enciphered;
  e.compressedSize = static_cast<std::uint32_t>(enciphered.size());
  e.method = 99;
  e.flags |= 0x0001;
  if (aeVersion == 2) e.crc32 = 0;
  return e;
}

ZipEntryFields ZipCryptoEntry(const std::string& name, const std::string& content, const std::string& password,
                              bool stored) {
  ZipEntryFields e = ZipEntry(name, content, stored);
  e.payload = ovk::ZipEncrypt(e.payload, password, e.crc32);
  e.compressedSize = static_cast<std::uint32_t>(e.payload.size());
  e.flags |= 0x0001;
  return e;
}

std::string BuildZip(const std::vector<ZipEntryFields>& entries, const ZipLayout& layout) {
  std::string out = layout.prefix;
  const std::uint32_t shift = layout.offsetsIncludePrefix ? 0 : static_cast<std::uint32_t>(layout.prefix.size());
  std::string directory;
  std::uint16_t count = 0;
  for (const ZipEntryFields& e : entries) {
    const auto offset = static_cast<std::uint32_t>(out.size()) - shift;
    auto fixed = [&](std::string& s, std::uint16_t flags, std::uint16_t method, std::uint32_t crc, std::uint32_t csize,
                     std::uint32_t usize, const std::string& name) {
      PutLE16(s, 20);
      PutLE16(s, flags);
      PutLE16(s, method);
      PutLE32(s, e.dosTime);
      PutLE32(s, crc);
      PutLE32(s, csize);
      PutLE32(s, usize);
      PutLE16(s, static_cast<std::uint16_t>(name.size()));
    };
    PutLE32(out, 0x04034B50);
    fixed(out, e.flags, e.method, e.crc32, e.compressedSize, e.uncompressedSize, e.name);
    PutLE16(out, static_cast<std::uint16_t>(e.localExtra.size()));
    out += e.name + e.localExtra + e.payload + e.trailer;
    if (!e.inDirectory) continue;
    ++count;
    PutLE32(directory, 0x02014B50);
    PutLE16(directory, e.versionMadeBy);
    const std::string name = e.centralName.value_or(e.name);
    fixed(directory, e.centralFlags.value_or(e.flags), e.centralMethod.value_or(e.method),
          e.centralCrc32.value_or(e.crc32), e.centralCompressed.value_or(e.compressedSize),
          e.centralUncompressed.value_or(e.uncompressedSize), name);
    PutLE16(directory, static_cast<std::uint16_t>(e.centralExtra.size()));
    PutLE16(directory, 0);  // comment
    PutLE16(directory, 0);  // disk
    PutLE16(directory, 0);  // internal attributes
    PutLE32(directory, e.externalAttributes);
    PutLE32(directory, e.centralOffset.value_or(offset));
    directory += name + e.centralExtra;
  }
  const auto directoryOffset = static_cast<std::uint32_t>(out.size()) - shift;
  out += directory;
  PutLE32(out, 0x06054B50);
  PutLE16(out, 0);
  PutLE16(out, 0);
  PutLE16(out, layout.entriesTotal.value_or(count));
  PutLE16(out, layout.entriesTotal.value_or(count));
  PutLE32(out, layout.directorySize.value_or(static_cast<std::uint32_t>(directory.size())));
  PutLE32(out, directoryOffset);
  PutLE16(out, static_cast<std::uint16_t>(layout.comment.size()));
  return out + layout.comment;
}

std::string Zip64EndAndLocator(std::uint64_t entries, std::uint64_t directorySize, std::uint64_t directoryOffset,
                               std::uint64_t recordPosition, std::uint16_t versionMadeBy) {
  std::string out;
  PutLE32(out, ovk::kSigZip64EndRecord);
  PutLE64(out, 44);  // the record's size after this field
  PutLE16(out, versionMadeBy);
  PutLE16(out, 45);  // version needed
  PutLE32(out, 0);   // this disk
  PutLE32(out, 0);   // the directory's disk
  PutLE64(out, entries);
  PutLE64(out, entries);
  PutLE64(out, directorySize);
  PutLE64(out, directoryOffset);
  PutLE32(out, ovk::kSigZip64Locator);
  PutLE32(out, 0);
  PutLE64(out, recordPosition);
  PutLE32(out, 1);  // total number of disks
  return out;
}

std::string Zip64Extra(const std::vector<std::uint64_t>& values) {
  std::string out;
  PutLE16(out, 0x0001);
  PutLE16(out, static_cast<std::uint16_t>(8 * values.size()));
  for (std::uint64_t v : values) PutLE64(out, v);
  return out;
}

Listing ListFile(const std::string& path) {
  const ovk::ListResult result = ovk::ListArchive(ovk::ListRequest{path}, ovk::SilentObserver());
  Listing l;
  l.ok = !result.openError;
  for (const ovk::Entry& entry : result.entries) l.lines.push_back(ovk::ListingLine(entry));
  return l;
}

Extraction ExtractAll(const std::string& archive, const std::string& folder, const std::string& password,
                      const std::vector<std::string>& selection) {
  ovk::ExtractRequest request;
  request.archive = archive;
  request.destination = folder;
  request.selection = selection;
  request.password = password;
  const ovk::OperationReport report = ovk::ExtractFromArchive(request, ovk::SilentObserver());
  Extraction x;
  x.ok = report.failures.empty();
  x.code = report.ExitStatus();
  x.lines = report.Lines();
  return x;
}

}  // namespace ovktest
