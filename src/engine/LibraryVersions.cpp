#include "engine/LibraryVersions.h"

#include <archive.h>
#include <bzlib.h>
#include <isa-l.h>
#include <libdeflate.h>
#include <lzma.h>
#include <openssl/crypto.h>
#include <zlib.h>
#include <zstd.h>

namespace ovk {

namespace {

// Some libraries add their own name or a release date to the number
// ("libarchive 3.7.2", "1.0.8, 13-Jul-2019"); the list shows the number.
std::string VersionNumber(std::string text, const std::string& prefix) {
  if (text.compare(0, prefix.size(), prefix) == 0) text.erase(0, prefix.size());
  std::size_t cut = text.find_first_of(", ");
  if (cut != std::string::npos) text.erase(cut);
  return text;
}

std::string IsalVersion() {
  return std::to_string(ISAL_MAJOR_VERSION) + "." + std::to_string(ISAL_MINOR_VERSION) + "." +
         std::to_string(ISAL_PATCH_VERSION);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> LibraryVersions() {
  return {
      {"zlib", zlibVersion()},
      {"libdeflate", LIBDEFLATE_VERSION_STRING},
      {"libarchive", VersionNumber(archive_version_string(), "libarchive ")},
      {"liblzma", lzma_version_string()},
      {"libzstd", ZSTD_versionString()},
      {"libbz2", VersionNumber(BZ2_bzlibVersion(), "")},
      {"OpenSSL libcrypto", OpenSSL_version(OPENSSL_VERSION_STRING)},
      {"ISA-L", IsalVersion()},
  };
}

}  // namespace ovk
