// `ovk list --json`: the archive's format and every entry as one JSON
// document, for scripts.
#pragma once

#include <string>

#include "engine/ListArchive.h"

namespace ovk::cli {

// The document: {"archive", "format", "entries": [{"name", "type", "size",
// "packedSize" (when known), "modified" (UTC, ISO 8601, or null), "mode"
// (or null), "linkTarget" (links), "method", "encrypted"}, ...]}, one entry
// per line. Bytes of a name that are not UTF-8 become U+FFFD.
std::string JsonListing(const std::string& archive, const ListResult& listed);

}  // namespace ovk::cli
