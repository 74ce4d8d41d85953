#include "engine/formats/sevenzip/SevenZipReader.h"

#include <algorithm>
#include <utility>

#include "coding/Crc32.h"
#include "coding/PayloadDecoder.h"

namespace ovk {

namespace {

// A header larger than this is taken for damage: one of a million files
// with long names stays well under it.
constexpr std::uint64_t kMaxHeaderBytes = 64u << 20;
// Headers encoded in headers, which no writer nests deeper.
constexpr int kMaxHeaderLayers = 4;
// A link's target is read whole when its entry is given.
constexpr std::uint64_t kMaxLinkTarget = 4096;

constexpr std::uint32_t kAttributeFolder = 0x10, kAttributeUnix = 0x8000;
constexpr std::uint32_t kTypeMask = 0170000;

std::string ReadAt(JoinedVolumes& file, std::uint64_t offset, std::uint64_t size) {
  if (size > kMaxHeaderBytes || offset > file.Size() || size > file.Size() - offset)
    throw SevenZipDamage("the header lies past the end of the file");
  std::string bytes(static_cast<std::size_t>(size), '\0');
  file.Read(offset, bytes.data(), bytes.size());
  return bytes;
}

std::uint32_t UnixMode(const SevenZipFile& file) {
  return file.attributesKnown && (file.attributes & kAttributeUnix) ? file.attributes >> 16 : 0;
}

EntryType TypeOf(const SevenZipFile& file) {
  if (file.folder || (file.attributesKnown && (file.attributes & kAttributeFolder))) return EntryType::kFolder;
  switch (UnixMode(file) & kTypeMask) {
    case 0120000: return EntryType::kSymbolicLink;
    case 0040000: return EntryType::kFolder;
    case 0020000:
    case 0060000: return EntryType::kDevice;
    case 0010000: return EntryType::kFifo;
    case 0140000: return EntryType::kSocket;
    default: return EntryType::kFile;
  }
}

// The coders as 7-Zip names them, the joiner first, the cipher left to the
// entry's own field.
std::string MethodOf(const SevenZipFolder& folder) {
  std::string method = folder.joined ? SevenZipMethodName(folder.joiner) : "";
  for (const SevenZipChain& chain : folder.inputs) {
    for (const SevenZipCoder& coder : chain.coders) {
      if (!IsSevenZipAes(coder)) method += (method.empty() ? "" : " ") + SevenZipMethodName(coder);
    }
  }
  return method;
}

// A file's share of its folder's content, checked against its CRC.
class SevenZipContent final : public EntryContent {
 public:
  SevenZipContent(SevenZipFolderStream* stream, const SevenZipStream& share) : stream_(stream), share_(share) {}

  bool Next(std::string& out) override {
    if (!stream_ || done_ >= share_.size) return Finish();
    const std::size_t base = out.size();
    const std::size_t room = static_cast<std::size_t>(std::min<std::uint64_t>(kDecodedPieceBytes, share_.size - done_));
    if (!stream_->Read(out, room)) return Finish();
    crc_ = Crc32Update(crc_, out.data() + base, out.size() - base);
    done_ += out.size() - base;
    return true;
  }

  bool Verified() const override { return verified_; }

 private:
  bool Finish() {
    verified_ = (stream_ || share_.size == 0) && done_ == share_.size && (!share_.crcKnown || ~crc_ == share_.crc);
    return false;
  }

  SevenZipFolderStream* stream_;
  const SevenZipStream& share_;
  std::uint64_t done_ = 0;
  std::uint32_t crc_ = 0xFFFFFFFF;  // raw, inverted at the end
  bool verified_ = false;
};

}  // namespace

SevenZipHeaderState LoadSevenZipHeader(JoinedVolumes& file, SevenZipKeys& keys, SevenZipHeader& header, bool& enciphered) {
  enciphered = false;
  try {
    const SevenZipStart start = ParseSevenZipStart(ReadAt(file, 0, kSevenZipSignatureBytes));
    if (start.offset > UINT64_MAX - kSevenZipSignatureBytes) throw SevenZipDamage("the header lies past any file");
    std::string bytes = ReadAt(file, kSevenZipSignatureBytes + start.offset, start.size);
    if (Crc32(bytes) != start.crc) throw SevenZipDamage("the header fails its check");
    for (int layer = 0;; ++layer) {
      header = ParseSevenZipHeader(bytes);
      if (!header.encoded) break;
      if (layer == kMaxHeaderLayers || header.folders.empty()) throw SevenZipDamage("the header is encoded too deep");
      const SevenZipFolder& folder = header.folders.front();
      if (folder.enciphered) {
        enciphered = true;
        if (!keys.HavePassword()) return SevenZipHeaderState::kLocked;
        try {
          bytes = DecodeWholeFolder(file, folder, keys, kMaxHeaderBytes);
        } catch (const SevenZipDamage&) {
          // 7z keeps no check of the password: a wrong one deciphers to bytes
          // that fail to decode or their CRC.
          return SevenZipHeaderState::kWrongPassword;
        }
        continue;
      }
      bytes = DecodeWholeFolder(file, folder, keys, kMaxHeaderBytes);
    }
  } catch (const SevenZipDamage&) {
    return SevenZipHeaderState::kDamaged;
  }
  enciphered = enciphered || std::any_of(header.folders.begin(), header.folders.end(),
                                          [](const SevenZipFolder& folder) { return folder.enciphered; });
  return SevenZipHeaderState::kRead;
}

SevenZipReader::SevenZipReader(DataFile& file, const std::string& password) : file_(file), keys_(password) {
  bool enciphered = false;
  state_ = LoadSevenZipHeader(file_, keys_, header_, enciphered);
  if (state_ != SevenZipHeaderState::kRead) header_ = {};
}

bool SevenZipReader::Next(Entry& entry, Damage& damage) {
  entry = Entry{};
  damage = {};
  current_ = nullptr;
  linkRead_ = false;
  if (state_ != SevenZipHeaderState::kRead) {
    if (std::exchange(stateTold_, true)) return false;
    damage.kind = state_ == SevenZipHeaderState::kLocked          ? EntryDamage::kListLocked
                  : state_ == SevenZipHeaderState::kWrongPassword ? EntryDamage::kListWrongPassword
                                                                  : EntryDamage::kArchiveUnreadable;
    return true;
  }
  // Anti-items (deletions an update archive records) name nothing to make.
  while (next_ < header_.files.size() && header_.files[next_].anti) ++next_;
  if (next_ == header_.files.size()) return false;
  const SevenZipFile& file = header_.files[next_++];
  current_ = &file;
  entry.type = TypeOf(file);
  entry.name = file.name;
  if (entry.type == EntryType::kFolder && !entry.name.empty() && entry.name.back() != '/') entry.name += '/';
  entry.packedKnown = false;  // a solid folder's packed bytes are no one file's
  entry.modified = file.modified;
  entry.mode = UnixMode(file) & 07777;
  if (!file.hasStream) return true;
  const SevenZipFolder& folder = header_.folders[file.folderIndex];
  entry.originalSize = folder.streams[file.streamIndex].size;
  entry.method = MethodOf(folder);
  entry.encrypted = folder.enciphered;
  if (entry.encrypted) entry.cipher = "AES-256";
  entry.undecodable = Undecodable(folder);
  if (entry.type == EntryType::kSymbolicLink && entry.undecodable.empty() && (!entry.encrypted || keys_.HavePassword()))
    entry.linkTarget = LinkTarget(file);
  return true;
}

std::string SevenZipReader::LinkTarget(const SevenZipFile& file) {
  const SevenZipStream& share = header_.folders[file.folderIndex].streams[file.streamIndex];
  if (share.size > kMaxLinkTarget) return "";
  SevenZipContent content(StreamAtCurrent(), share);
  link_.clear();
  while (content.Next(link_)) {
  }
  linkRead_ = true;
  return content.Verified() ? link_ : "";
}

bool SevenZipReader::Whole(WholePayload& payload) {
  if (!linkRead_) return false;
  const SevenZipStream& share = header_.folders[current_->folderIndex].streams[current_->streamIndex];
  payload.stored = link_;
  payload.coding = PayloadCoding{};
  payload.coding.method = kMethodStored;
  payload.coding.checked = share.crcKnown;
  payload.coding.crc32 = share.crc;
  payload.coding.originalSize = share.size;
  return true;
}

SevenZipFolderStream* SevenZipReader::StreamAtCurrent() {
  if (!current_ || !current_->hasStream) return nullptr;
  const SevenZipFolder& folder = header_.folders[current_->folderIndex];
  const std::uint64_t offset = folder.streams[current_->streamIndex].offset;
  // A folder is decoded from its start once; files are asked for in order.
  if (streamFolder_ != current_->folderIndex || !stream_ || stream_->Done() > offset) {
    std::string refusal;
    stream_ = SevenZipFolderStream::Open(file_, folder, keys_, refusal);
    streamFolder_ = current_->folderIndex;
  }
  if (!stream_ || !stream_->SkipTo(offset)) return nullptr;
  return stream_.get();
}

std::unique_ptr<EntryContent> SevenZipReader::Content(const std::string&, CipherHolder&) {
  static const SevenZipStream kNone;
  if (!current_ || !current_->hasStream) return std::make_unique<SevenZipContent>(nullptr, kNone);
  const SevenZipStream& share = header_.folders[current_->folderIndex].streams[current_->streamIndex];
  return std::make_unique<SevenZipContent>(StreamAtCurrent(), share);
}

}  // namespace ovk
