// Traditional PKWARE encryption: three keys advanced by every plaintext byte.
#include "coding/ZipCrypto.h"

#include "coding/Crc32.h"
#include "support/SystemRandom.h"

namespace ovk {
namespace {

constexpr std::size_t kHeaderLength = kZipCipherHeaderBytes;

std::uint32_t CrcStep(std::uint32_t crc, std::uint8_t b) { return Crc32Update(crc, &b, 1); }

}  // namespace

void InitKeys(ZipKeys& keys, const std::string& password) {
  keys = {0x12345678u, 0x23456789u, 0x34567890u};
  for (char c : password) UpdateKeys(keys, static_cast<std::uint8_t>(c));
}

void UpdateKeys(ZipKeys& keys, std::uint8_t b) {
  keys.key0 = CrcStep(keys.key0, b);
  keys.key1 = (keys.key1 + (keys.key0 & 0xFF)) * 134775813u + 1;
  keys.key2 = CrcStep(keys.key2, static_cast<std::uint8_t>(keys.key1 >> 24));
}

std::uint8_t KeystreamByte(const ZipKeys& keys) {
  const std::uint32_t t = (keys.key2 & 0xFFFF) | 2;
  return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
}

std::string MakeEncryptionHeader(std::uint32_t crc) {
  std::string header(kHeaderLength, '\0');
  for (std::size_t i = 0; i < 10; ++i) header[i] = static_cast<char>(SystemRandomBelow(126));
  header[10] = static_cast<char>((crc >> 16) & 0xFF);
  header[11] = static_cast<char>(crc >> 24);
  return header;
}

void ZipEncipherBytes(ZipKeys& keys, char* bytes, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    const auto p = static_cast<std::uint8_t>(bytes[i]);
    const std::uint8_t k = KeystreamByte(keys);
    UpdateKeys(keys, p);
    bytes[i] = static_cast<char>(p ^ k);
  }
}

void ZipDecipherBytes(ZipKeys& keys, char* bytes, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    const auto p = static_cast<std::uint8_t>(static_cast<std::uint8_t>(bytes[i]) ^ KeystreamByte(keys));
    UpdateKeys(keys, p);
    bytes[i] = static_cast<char>(p);
  }
}

std::string ZipEncrypt(const std::string& data, const std::string& password, std::uint32_t crc) {
  ZipKeys keys;
  InitKeys(keys, password);
  std::string out = MakeEncryptionHeader(crc) + data;
  ZipEncipherBytes(keys, out.data(), out.size());
  return out;
}

std::string ZipDecryptChecked(const std::string& payload, const std::string& password,
                              std::uint8_t checkByte) {
  // Without a complete header there is nothing to check against.
  if (payload.size() < kHeaderLength) return {};
  ZipKeys keys;
  InitKeys(keys, password);
  std::string out = payload;
  ZipDecipherBytes(keys, out.data(), out.size());
  if (static_cast<std::uint8_t>(out[kHeaderLength - 1]) != checkByte) return {};
  out.erase(0, kHeaderLength);
  return out;
}

std::string ZipDecrypt(const std::string& payload, const std::string& password, std::uint32_t crc) {
  return ZipDecryptChecked(payload, password, static_cast<std::uint8_t>(crc >> 24));
}

}  // namespace ovk
