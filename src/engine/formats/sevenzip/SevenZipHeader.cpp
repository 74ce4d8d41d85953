#include "engine/formats/sevenzip/SevenZipHeader.h"

#include <algorithm>
#include <cstring>

#include "coding/Crc32.h"
#include "support/ByteOrder.h"
#include "support/StringUnit.h"

namespace ovk {

namespace {

enum Property : std::uint8_t {
  kEnd = 0x00, kHeader = 0x01, kArchiveProperties = 0x02, kAdditionalStreams = 0x03, kMainStreams = 0x04,
  kFilesInfo = 0x05, kPackInfo = 0x06, kUnpackInfo = 0x07, kSubStreamsInfo = 0x08, kSize = 0x09, kCrc = 0x0A,
  kFolder = 0x0B, kCodersUnpackSize = 0x0C, kNumUnpackStream = 0x0D, kEmptyStream = 0x0E, kEmptyFile = 0x0F,
  kAnti = 0x10, kName = 0x11, kMTime = 0x14, kWinAttributes = 0x15, kEncodedHeader = 0x17,
};

constexpr char kSignature[] = {'7', 'z', '\xBC', '\xAF', '\x27', '\x1C'};
// More coders or streams in one folder than any writer makes.
constexpr std::uint64_t kMaxFolderStreams = 32;
// 100 ns ticks from 1601 to 1970.
constexpr std::int64_t kFileTimeTo1970 = 116444736000000000;

[[noreturn]] void Damaged(const char* what) { throw SevenZipDamage(what); }

// The header's bytes read from the front; every read past their end is damage.
class HeaderBytes {
 public:
  explicit HeaderBytes(std::string_view bytes) : bytes_(bytes) {}

  std::size_t Left() const { return bytes_.size(); }

  std::uint8_t Byte() {
    if (bytes_.empty()) Damaged("the header ends early");
    const auto byte = static_cast<std::uint8_t>(bytes_[0]);
    bytes_.remove_prefix(1);
    return byte;
  }

  std::string_view Take(std::uint64_t count) {
    if (count > bytes_.size()) Damaged("the header ends early");
    const std::string_view taken = bytes_.substr(0, static_cast<std::size_t>(count));
    bytes_.remove_prefix(static_cast<std::size_t>(count));
    return taken;
  }

  void Expect(std::uint8_t property) {
    if (Byte() != property) Damaged("the header is out of order");
  }

  // The first byte's leading one bits count the bytes that follow (low
  // first); its remaining bits are the top of the number.
  std::uint64_t Number() {
    const std::uint8_t first = Byte();
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
      const std::uint8_t mask = static_cast<std::uint8_t>(0x80 >> i);
      if ((first & mask) == 0) return value | (std::uint64_t{first & (mask - 1u)} << (8 * i));
      value |= std::uint64_t{Byte()} << (8 * i);
    }
    return value;
  }

  // A count of items each taking at least one byte (or bit) of what is left.
  std::size_t Count(std::uint64_t perByte = 1) {
    const std::uint64_t count = Number();
    if (count > Left() * perByte + 64) Damaged("the header counts more items than it holds");
    return static_cast<std::size_t>(count);
  }

  std::uint32_t Le32() { return GetLE32(Take(4).data()); }
  std::uint64_t Le64() { return GetLE64(Take(8).data()); }

  std::vector<bool> Bits(std::size_t count) {
    std::vector<bool> bits(count);
    std::uint8_t byte = 0;
    for (std::size_t i = 0; i < count; ++i) {
      if (i % 8 == 0) byte = Byte();
      bits[i] = (byte & (0x80 >> (i % 8))) != 0;
    }
    return bits;
  }

  // An "all defined" byte, else a bit per item.
  std::vector<bool> Defined(std::size_t count) { return Byte() != 0 ? std::vector<bool>(count, true) : Bits(count); }

 private:
  std::string_view bytes_;
};

struct Coder {
  SevenZipCoder coder;
  std::uint64_t ins = 1, outs = 1;
  std::uint64_t firstIn = 0, firstOut = 0;  // its streams' indices in the folder
};

struct BindPair {
  std::uint64_t in, out;
};

// A folder as stored, before its coders are put in chains.
struct StoredFolder {
  std::vector<Coder> coders;
  std::vector<BindPair> binds;
  std::vector<std::uint64_t> packedIns;  // the in streams read from packed streams, in order
  std::uint64_t ins = 0, outs = 0;
};

StoredFolder ReadFolder(HeaderBytes& bytes) {
  StoredFolder folder;
  const std::uint64_t count = bytes.Number();
  if (count == 0 || count > kMaxFolderStreams) Damaged("a folder has no coder, or too many");
  for (std::uint64_t i = 0; i < count; ++i) {
    Coder coder;
    const std::uint8_t flags = bytes.Byte();
    // Alternative methods (bit 7) were never written by any tool.
    if (flags & 0x80) Damaged("a coder has alternative methods");
    coder.coder.id = std::string(bytes.Take(flags & 0x0F));
    if (flags & 0x10) {
      coder.ins = bytes.Number();
      coder.outs = bytes.Number();
    }
    if (coder.ins > kMaxFolderStreams || coder.outs > kMaxFolderStreams) Damaged("a coder has too many streams");
    if (flags & 0x20) coder.coder.properties = std::string(bytes.Take(bytes.Number()));
    coder.firstIn = folder.ins;
    coder.firstOut = folder.outs;
    folder.ins += coder.ins;
    folder.outs += coder.outs;
    folder.coders.push_back(std::move(coder));
  }
  if (folder.outs == 0 || folder.ins + 1 < folder.outs) Damaged("a folder's streams do not add up");
  for (std::uint64_t i = 0; i + 1 < folder.outs; ++i) {
    const BindPair bind{bytes.Number(), bytes.Number()};
    if (bind.in >= folder.ins || bind.out >= folder.outs) Damaged("a folder binds a stream it does not have");
    folder.binds.push_back(bind);
  }
  const std::uint64_t packed = folder.ins - folder.binds.size();
  if (packed == 1) {
    for (std::uint64_t in = 0; in < folder.ins && folder.packedIns.empty(); ++in) {
      if (std::none_of(folder.binds.begin(), folder.binds.end(), [in](const BindPair& b) { return b.in == in; }))
        folder.packedIns.push_back(in);
    }
    if (folder.packedIns.empty()) Damaged("a folder reads no packed stream");
  } else {
    for (std::uint64_t i = 0; i < packed; ++i) {
      folder.packedIns.push_back(bytes.Number());
      if (folder.packedIns.back() >= folder.ins) Damaged("a folder reads a stream it does not have");
    }
  }
  return folder;
}

// The coder that gives the out stream.
const Coder& CoderOfOut(const StoredFolder& stored, std::uint64_t out) {
  for (const Coder& coder : stored.coders) {
    if (out >= coder.firstOut && out < coder.firstOut + coder.outs) return coder;
  }
  Damaged("a folder has no coder for a stream");
}

// Where a folder's packed streams lie in the file.
struct PackedPlaces {
  std::vector<std::uint64_t> offsets, sizes;
};

// From the in stream along the bindings to the packed stream it reads,
// every coder on the way reading one stream and giving one; false when one
// does not.
bool ChainFrom(const StoredFolder& stored, const std::vector<std::uint64_t>& sizes, const PackedPlaces& places,
               std::uint64_t in, SevenZipChain& chain) {
  for (std::size_t step = 0; step <= stored.coders.size(); ++step) {
    const auto packed = std::find(stored.packedIns.begin(), stored.packedIns.end(), in);
    if (packed != stored.packedIns.end()) {
      const auto index = static_cast<std::size_t>(packed - stored.packedIns.begin());
      chain.packOffset = places.offsets[index];
      chain.packSize = places.sizes[index];
      chain.size = chain.coders.empty() ? chain.packSize : chain.coders.front().size;
      return true;
    }
    const auto bind = std::find_if(stored.binds.begin(), stored.binds.end(), [in](const BindPair& b) { return b.in == in; });
    if (bind == stored.binds.end()) Damaged("a folder's stream is neither bound nor packed");
    const Coder& coder = CoderOfOut(stored, bind->out);
    if (coder.ins != 1 || coder.outs != 1) return false;
    chain.coders.push_back(coder.coder);
    chain.coders.back().size = sizes[bind->out];
    in = coder.firstIn;
  }
  Damaged("a folder's coders bind in a loop");
}

// The chains from the coder whose output no other reads: its own when it
// reads one stream, else those of a joiner's inputs.
void Chain(const StoredFolder& stored, const std::vector<std::uint64_t>& sizes, const PackedPlaces& places,
           SevenZipFolder& folder) {
  const auto boundOut = [&stored](std::uint64_t out) {
    return std::any_of(stored.binds.begin(), stored.binds.end(), [out](const BindPair& b) { return b.out == out; });
  };
  std::uint64_t main = 0;
  while (main < stored.outs && boundOut(main)) ++main;
  if (main == stored.outs) Damaged("a folder has no output");
  folder.content.size = sizes[main];
  const Coder& top = CoderOfOut(stored, main);
  const bool joiner = top.outs == 1 && top.ins == 4 && SevenZipMethodName(top.coder) == "BCJ2";
  if (top.outs != 1 || (top.ins != 1 && !joiner)) {
    folder.refusal = "this program cannot decode its " + SevenZipMethodName(top.coder) + " coder";
    return;
  }
  if (joiner) {
    folder.joined = true;
    folder.joiner = top.coder;
  }
  for (std::uint64_t in = top.firstIn; in < top.firstIn + top.ins; ++in) {
    SevenZipChain chain;
    if (!joiner) {
      chain.coders.push_back(top.coder);
      chain.coders.back().size = sizes[main];
    }
    if (!ChainFrom(stored, sizes, places, in, chain)) {
      folder.refusal = "this program cannot decode the way its coders are bound";
      folder.inputs.clear();
      return;
    }
    folder.inputs.push_back(std::move(chain));
  }
}

struct PackStreams {
  std::uint64_t position = kSevenZipSignatureBytes;
  std::vector<std::uint64_t> sizes;
};

void ReadPackInfo(HeaderBytes& bytes, PackStreams& pack) {
  const std::uint64_t position = bytes.Number();
  if (position > UINT64_MAX / 2) Damaged("the packed streams start past any file");
  pack.position += position;
  const std::size_t count = bytes.Count();
  for (std::uint8_t id = bytes.Byte(); id != kEnd; id = bytes.Byte()) {
    if (id == kSize) {
      for (std::size_t i = 0; i < count; ++i) pack.sizes.push_back(bytes.Number());
    } else if (id == kCrc) {
      const std::vector<bool> defined = bytes.Defined(count);
      for (const bool has : defined)
        if (has) bytes.Le32();
    } else {
      Damaged("the packed streams' record is out of order");
    }
  }
  if (pack.sizes.size() != count) Damaged("the packed streams have no sizes");
}

void ReadUnpackInfo(HeaderBytes& bytes, const PackStreams& pack, std::vector<SevenZipFolder>& folders) {
  bytes.Expect(kFolder);
  const std::size_t count = bytes.Count();
  if (bytes.Byte() != 0) Damaged("the folders are stored elsewhere");
  std::vector<StoredFolder> stored;
  std::vector<PackedPlaces> places(count);
  std::uint64_t packIndex = 0, offset = pack.position;
  for (std::size_t i = 0; i < count; ++i) {
    stored.push_back(ReadFolder(bytes));
    SevenZipFolder folder;
    for (const Coder& coder : stored.back().coders) folder.enciphered = folder.enciphered || IsSevenZipAes(coder.coder);
    if (packIndex + stored.back().packedIns.size() > pack.sizes.size()) Damaged("a folder has no packed stream");
    for (std::size_t j = 0; j < stored.back().packedIns.size(); ++j) {
      if (offset > UINT64_MAX / 2 || pack.sizes[packIndex] > UINT64_MAX / 2 - offset)
        Damaged("a packed stream ends past any file");
      places[i].offsets.push_back(offset);
      places[i].sizes.push_back(pack.sizes[packIndex]);
      offset += pack.sizes[packIndex++];
    }
    folders.push_back(std::move(folder));
  }
  bytes.Expect(kCodersUnpackSize);
  for (std::size_t i = 0; i < count; ++i) {
    std::vector<std::uint64_t> sizes;
    for (std::uint64_t j = 0; j < stored[i].outs; ++j) sizes.push_back(bytes.Number());
    Chain(stored[i], sizes, places[i], folders[i]);
  }
  for (std::uint8_t id = bytes.Byte(); id != kEnd; id = bytes.Byte()) {
    if (id != kCrc) Damaged("the folders' record is out of order");
    const std::vector<bool> defined = bytes.Defined(count);
    for (std::size_t i = 0; i < count; ++i) {
      if (!defined[i]) continue;
      folders[i].content.crcKnown = true;
      folders[i].content.crc = bytes.Le32();
    }
  }
}

void ReadSubStreams(HeaderBytes& bytes, std::vector<SevenZipFolder>& folders) {
  std::vector<std::uint64_t> counts(folders.size(), 1);
  std::uint8_t id = bytes.Byte();
  if (id == kNumUnpackStream) {
    for (std::uint64_t& count : counts) count = bytes.Count(8);
    id = bytes.Byte();
  }
  for (std::size_t i = 0; i < folders.size(); ++i) {
    SevenZipFolder& folder = folders[i];
    if (counts[i] == 0) continue;
    std::uint64_t left = folder.content.size;
    for (std::uint64_t j = 0; j + 1 < counts[i]; ++j) {
      const std::uint64_t size = id == kSize ? bytes.Number() : 0;
      if (id != kSize || size > left) Damaged("a folder's files are larger than the folder");
      folder.streams.push_back({size});
      left -= size;
    }
    folder.streams.push_back({left});
    if (counts[i] == 1) folder.streams[0] = folder.content;
  }
  if (id == kSize) id = bytes.Byte();
  for (; id != kEnd; id = bytes.Byte()) {
    if (id != kCrc) {
      bytes.Take(bytes.Number());
      continue;
    }
    std::size_t unknown = 0;
    for (std::size_t i = 0; i < folders.size(); ++i)
      if (counts[i] != 1 || !folders[i].content.crcKnown) unknown += counts[i];
    const std::vector<bool> defined = bytes.Defined(unknown);
    std::size_t at = 0;
    for (std::size_t i = 0; i < folders.size(); ++i) {
      if (counts[i] == 1 && folders[i].content.crcKnown) continue;
      for (SevenZipStream& stream : folders[i].streams) {
        if (!defined[at++]) continue;
        stream.crcKnown = true;
        stream.crc = bytes.Le32();
      }
    }
  }
}

void ReadStreamsInfo(HeaderBytes& bytes, std::vector<SevenZipFolder>& folders) {
  PackStreams pack;
  bool subStreams = false;
  for (std::uint8_t id = bytes.Byte(); id != kEnd; id = bytes.Byte()) {
    if (id == kPackInfo) ReadPackInfo(bytes, pack);
    else if (id == kUnpackInfo) ReadUnpackInfo(bytes, pack, folders);
    else if (id == kSubStreamsInfo) {
      ReadSubStreams(bytes, folders);
      subStreams = true;
    } else {
      Damaged("the streams' record is out of order");
    }
  }
  if (!subStreams) {
    for (SevenZipFolder& folder : folders) folder.streams = {folder.content};
  }
  for (SevenZipFolder& folder : folders) {
    std::uint64_t offset = 0;
    for (SevenZipStream& stream : folder.streams) {
      stream.offset = offset;
      offset += stream.size;
    }
  }
}

// UTF-16LE names, each ended by a zero unit.
std::vector<std::string> Names(HeaderBytes& bytes, std::size_t count) {
  if (bytes.Byte() != 0) Damaged("the names are stored elsewhere");
  std::vector<std::string> names;
  std::u16string name;
  while (names.size() < count) {
    const auto unit = static_cast<char16_t>(GetLE16(bytes.Take(2).data()));
    if (unit != 0) {
      name.push_back(unit);
      continue;
    }
    names.push_back(WideToUtf8(name));
    name.clear();
  }
  return names;
}

std::int64_t UnixTime(std::uint64_t fileTime) {
  const std::int64_t ticks = static_cast<std::int64_t>(std::min<std::uint64_t>(fileTime, INT64_MAX));
  return (ticks - kFileTimeTo1970) / 10000000;
}

void ReadFiles(HeaderBytes& bytes, std::vector<SevenZipFile>& files) {
  files.resize(bytes.Count());
  std::vector<std::size_t> empty;  // the files without a stream, in order
  for (std::uint64_t type = bytes.Number(); type != kEnd; type = bytes.Number()) {
    HeaderBytes property(bytes.Take(bytes.Number()));
    if (type == kEmptyStream) {
      const std::vector<bool> bits = property.Bits(files.size());
      empty.clear();
      for (std::size_t i = 0; i < files.size(); ++i) {
        files[i].hasStream = !bits[i];
        files[i].folder = bits[i];
        if (bits[i]) empty.push_back(i);
      }
    } else if (type == kEmptyFile || type == kAnti) {
      const std::vector<bool> bits = property.Bits(empty.size());
      for (std::size_t i = 0; i < empty.size(); ++i) {
        if (!bits[i]) continue;
        if (type == kEmptyFile) files[empty[i]].folder = false;
        else files[empty[i]].anti = true;
      }
    } else if (type == kName) {
      const std::vector<std::string> names = Names(property, files.size());
      for (std::size_t i = 0; i < files.size(); ++i) files[i].name = names[i];
    } else if (type == kMTime || type == kWinAttributes) {
      const std::vector<bool> defined = property.Defined(files.size());
      if (property.Byte() != 0) Damaged("the file times are stored elsewhere");
      for (std::size_t i = 0; i < files.size(); ++i) {
        if (!defined[i]) continue;
        if (type == kMTime) files[i].modified = UnixTime(property.Le64());
        else {
          files[i].attributesKnown = true;
          files[i].attributes = property.Le32();
        }
      }
    }
    // Other properties (creation and access times, padding) are not needed.
  }
}

// Each file with content takes the next file's share of the folders.
void PlaceFiles(const std::vector<SevenZipFolder>& folders, std::vector<SevenZipFile>& files) {
  std::size_t folder = 0, stream = 0;
  for (SevenZipFile& file : files) {
    if (!file.hasStream) continue;
    while (folder < folders.size() && stream == folders[folder].streams.size()) {
      ++folder;
      stream = 0;
    }
    if (folder == folders.size()) Damaged("more files have content than the folders hold");
    file.folderIndex = folder;
    file.streamIndex = stream++;
  }
}

}  // namespace

bool IsSevenZipSignature(std::string_view head) {
  return head.size() >= sizeof kSignature && std::memcmp(head.data(), kSignature, sizeof kSignature) == 0;
}

SevenZipStart ParseSevenZipStart(std::string_view header) {
  if (header.size() < kSevenZipSignatureBytes || !IsSevenZipSignature(header)) Damaged("no 7z signature");
  if (Crc32(header.data() + 12, 20) != GetLE32(header.data() + 8)) Damaged("the start header fails its check");
  return {GetLE64(header.data() + 12), GetLE64(header.data() + 20), GetLE32(header.data() + 28)};
}

SevenZipHeader ParseSevenZipHeader(std::string_view stored) {
  HeaderBytes bytes(stored);
  SevenZipHeader header;
  const std::uint8_t first = bytes.Byte();
  if (first == kEncodedHeader) {
    header.encoded = true;
    ReadStreamsInfo(bytes, header.folders);
    return header;
  }
  if (first != kHeader) Damaged("the header starts with neither a header nor an encoded one");
  std::uint8_t id = bytes.Byte();
  if (id == kArchiveProperties) {
    for (std::uint64_t type = bytes.Number(); type != kEnd; type = bytes.Number()) bytes.Take(bytes.Number());
    id = bytes.Byte();
  }
  if (id == kAdditionalStreams) {
    std::vector<SevenZipFolder> unused;
    ReadStreamsInfo(bytes, unused);
    id = bytes.Byte();
  }
  if (id == kMainStreams) {
    ReadStreamsInfo(bytes, header.folders);
    id = bytes.Byte();
  }
  if (id == kFilesInfo) {
    ReadFiles(bytes, header.files);
    id = bytes.Byte();
  }
  if (id != kEnd) Damaged("the header is out of order");
  PlaceFiles(header.folders, header.files);
  return header;
}

}  // namespace ovk
