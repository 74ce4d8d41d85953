// The traditional PKWARE encryption of ZIP entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ovk {

// Bytes the encryption header adds in front of an enciphered payload.
constexpr std::uint32_t kZipCipherHeaderBytes = 12;

struct ZipKeys {
  std::uint32_t key0, key1, key2;
};

void InitKeys(ZipKeys& keys, const std::string& password);
void UpdateKeys(ZipKeys& keys, std::uint8_t b);
std::uint8_t KeystreamByte(const ZipKeys& keys);
// Ten random values below 126, then bits 16-23 and 24-31 of the CRC-32.
std::string MakeEncryptionHeader(std::uint32_t crc);
// Enciphers or deciphers bytes in place, advancing the keys.
void ZipEncipherBytes(ZipKeys& keys, char* bytes, std::size_t length);
void ZipDecipherBytes(ZipKeys& keys, char* bytes, std::size_t length);

// The enciphered 12-byte header followed by the enciphered data.
std::string ZipEncrypt(const std::string& data, const std::string& password, std::uint32_t crc);
// The deciphered data without its header, or "" when the check byte
// (crc >> 24) disagrees or the payload is shorter than 12 bytes.
std::string ZipDecrypt(const std::string& payload, const std::string& password, std::uint32_t crc);
// As ZipDecrypt, with the check byte given directly (entries whose sizes
// follow in a data descriptor check bits 8-15 of their DOS time instead).
std::string ZipDecryptChecked(const std::string& payload, const std::string& password,
                              std::uint8_t checkByte);

}  // namespace ovk
