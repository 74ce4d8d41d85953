#include "engine/formats/libarchive/ArchiveHandle.h"

#include <string_view>
#include <vector>

namespace ovk {

namespace {

// The suffix each filter gives a file, and what the bare data is called.
struct FilterName {
  int code;
  std::string_view suffix, bare;
};

constexpr FilterName kFilters[] = {
    {ARCHIVE_FILTER_GZIP, ".gz", "gzip"},       {ARCHIVE_FILTER_BZIP2, ".bz2", "bzip2"},
    {ARCHIVE_FILTER_XZ, ".xz", "xz"},           {ARCHIVE_FILTER_LZMA, ".lzma", "lzma"},
    {ARCHIVE_FILTER_ZSTD, ".zst", "zstd"},      {ARCHIVE_FILTER_LZ4, ".lz4", "lz4"},
    {ARCHIVE_FILTER_LZIP, ".lz", "lzip"},       {ARCHIVE_FILTER_COMPRESS, ".Z", "compress"},
    {ARCHIVE_FILTER_UU, ".uu", "uuencode"},     {ARCHIVE_FILTER_RPM, ".rpm", "rpm"},
};

std::string_view BaseName(int format) {
  switch (format & ARCHIVE_FORMAT_BASE_MASK) {
    case ARCHIVE_FORMAT_TAR: return "tar";
    case ARCHIVE_FORMAT_CPIO: return "cpio";
    case ARCHIVE_FORMAT_7ZIP: return "7z";
    case ARCHIVE_FORMAT_RAR: return "RAR";
    case ARCHIVE_FORMAT_RAR_V5: return "RAR5";
    case ARCHIVE_FORMAT_ISO9660: return "ISO 9660";
    case ARCHIVE_FORMAT_CAB: return "cab";
    case ARCHIVE_FORMAT_LHA: return "LHA";
    case ARCHIVE_FORMAT_XAR: return "xar";
    case ARCHIVE_FORMAT_AR: return "ar";
    case ARCHIVE_FORMAT_WARC: return "WARC";
    default: return "";
  }
}

const FilterName* FilterOf(int code) {
  for (const FilterName& filter : kFilters) {
    if (filter.code == code) return &filter;
  }
  return nullptr;
}

}  // namespace

ArchiveHandle NewArchiveReader() {
  ArchiveHandle handle(archive_read_new());
  archive* a = handle.get();
  for (auto support : {archive_read_support_filter_gzip, archive_read_support_filter_bzip2,
                       archive_read_support_filter_xz, archive_read_support_filter_lzma,
                       archive_read_support_filter_zstd, archive_read_support_filter_lz4,
                       archive_read_support_filter_lzip, archive_read_support_filter_compress,
                       archive_read_support_filter_uu, archive_read_support_filter_rpm,
                       archive_read_support_format_tar, archive_read_support_format_cpio,
                       archive_read_support_format_7zip, archive_read_support_format_rar,
                       archive_read_support_format_rar5, archive_read_support_format_iso9660,
                       archive_read_support_format_cab, archive_read_support_format_lha,
                       archive_read_support_format_xar, archive_read_support_format_ar,
                       archive_read_support_format_warc, archive_read_support_format_raw})
    support(a);
  return handle;
}

bool IsBareData(archive* reader) { return archive_format(reader) == ARCHIVE_FORMAT_RAW; }

std::string RecognisedName(archive* reader, int decodedFilter) {
  // The filters, innermost first: libarchive's (the last of its list is its
  // own pass-through of the client's bytes), then the one decoded before.
  std::vector<int> codes;
  for (int i = 0; i + 1 < archive_filter_count(reader); ++i) codes.push_back(archive_filter_code(reader, i));
  if (decodedFilter != ARCHIVE_FILTER_NONE) codes.push_back(decodedFilter);
  std::string name;
  std::size_t first = 0;
  if (IsBareData(reader)) {
    const FilterName* inner = codes.empty() ? nullptr : FilterOf(codes[0]);
    if (!inner) return "";
    name = inner->bare;
    first = 1;
  } else {
    name = BaseName(archive_format(reader));
    if (name.empty()) return "";
  }
  for (std::size_t i = first; i < codes.size(); ++i) {
    const FilterName* filter = FilterOf(codes[i]);
    if (filter) name += filter->suffix;
  }
  return name;
}

}  // namespace ovk
