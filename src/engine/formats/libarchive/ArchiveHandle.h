// A libarchive reader set up for the formats and filters it reads here, and
// the name users call what it recognised by.
#pragma once

#include <archive.h>

#include <memory>
#include <string>

namespace ovk {

struct ArchiveFree {
  void operator()(archive* reader) const { archive_read_free(reader); }
};
using ArchiveHandle = std::unique_ptr<archive, ArchiveFree>;

// Every format libarchive reads but ZIP, which the program's own reader
// keeps, and mtree, whose reader takes plain text for an archive and reads
// the files it names from this machine's disk; under every filter it
// decodes in-process (none that would run an outside program); and bare
// compressed data.
ArchiveHandle NewArchiveReader();

// The format with its filters as users call it ("tar.gz", "7z", "gzip"),
// once a header was asked for, decodedFilter naming the filter (gzip, xz)
// whose bytes were decoded before it read them, if any; empty when
// libarchive recognised no archive: bare bytes under no filter are no
// archive at all.
std::string RecognisedName(archive* reader, int decodedFilter);

// Whether it is bare compressed data, a single file under a filter.
bool IsBareData(archive* reader);

}  // namespace ovk
