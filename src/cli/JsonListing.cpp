#include "cli/JsonListing.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

namespace ovk::cli {

namespace {

// The length of the valid UTF-8 sequence at text[i], 0 when it is not one
// (overlong forms, surrogates and code points past U+10FFFF included).
std::size_t SequenceLength(const std::string& text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (lead >= 0xC2 && lead <= 0xDF) length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  if (length == 0 || i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  return length;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = SequenceLength(text, i);
    if (length == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (c == '"' || c == '\\') out += {'\\', static_cast<char>(c)};
    else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else out.append(text, i, length);
    i += length;
  }
  return out + "\"";
}

std::string TypeName(EntryType type) {
  switch (type) {
    case EntryType::kFile: return "file";
    case EntryType::kFolder: return "folder";
    case EntryType::kSymbolicLink: return "symlink";
    case EntryType::kHardLink: return "hardlink";
    case EntryType::kDevice: return "device";
    case EntryType::kFifo: return "fifo";
    case EntryType::kSocket: return "socket";
  }
  return "file";
}

std::string TimeValue(std::int64_t modified) {
  std::tm fields{};
  const auto seconds = static_cast<std::time_t>(modified);
  if (modified < 0 || !gmtime_r(&seconds, &fields)) return "null";
  char text[32];
  std::strftime(text, sizeof text, "\"%Y-%m-%dT%H:%M:%SZ\"", &fields);
  return text;
}

std::string EntryObject(const Entry& e) {
  std::string out = "{\"name\": " + Quoted(e.name) + ", \"type\": \"" + TypeName(e.type) +
                    "\", \"size\": " + std::to_string(e.originalSize);
  if (e.packedKnown) out += ", \"packedSize\": " + std::to_string(e.packedSize);
  out += ", \"modified\": " + TimeValue(e.modified);
  out += ", \"mode\": " + (e.mode != 0 ? std::to_string(e.mode) : std::string("null"));
  if (e.type == EntryType::kSymbolicLink || e.type == EntryType::kHardLink)
    out += ", \"linkTarget\": " + (e.linkTarget.empty() ? std::string("null") : Quoted(e.linkTarget));
  out += ", \"method\": " + Quoted(e.method);
  return out + ", \"encrypted\": " + (e.encrypted ? "true" : "false") + "}";
}

}  // namespace

std::string JsonListing(const std::string& archive, const ListResult& listed) {
  std::string out = "{\n  \"archive\": " + Quoted(archive) + ",\n  \"format\": " + Quoted(listed.format) +
                    ",\n  \"entries\": [";
  for (std::size_t i = 0; i < listed.entries.size(); ++i)
    out += (i ? ",\n    " : "\n    ") + EntryObject(listed.entries[i]);
  return out + (listed.entries.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

}  // namespace ovk::cli
