// The 7z header as written byte by byte: a sound one gives each file its
// share of its folder, and each way a hostile one breaks the rules is
// damage, found before anything it counts is allocated. The AES coder's
// properties are taken only within the round limit.
#include <gtest/gtest.h>

#include <sstream>

#include "coding/SevenZipAes.h"
#include "engine/formats/sevenzip/SevenZipHeader.h"

namespace {

std::string Hex(const std::string& text) {
  std::istringstream in(text);
  std::string bytes;
  for (std::string pair; in >> pair;) bytes.push_back(static_cast<char>(std::stoi(pair, nullptr, 16)));
  return bytes;
}

// One Copy folder of 10 bytes in two shares (4 and 6, each with its CRC),
// and three files: a, b and the empty folder d.
const char kStreams[] =
    "04 06 00 01 09 0A 00 07 0B 01 00 01 01 00 0C 0A 00 "
    "08 0D 02 09 04 0A 01 11 11 11 11 22 22 22 22 00 00 ";
const char kFiles[] = "05 03 0E 01 20 11 0D 00 61 00 00 00 62 00 00 00 64 00 00 00 00 ";

std::string Header(const std::string& streams, const std::string& files) { return Hex("01 " + streams + files + "00"); }

TEST(SevenZipHeader, GivesEachFileItsShare) {
  const ovk::SevenZipHeader header = ovk::ParseSevenZipHeader(Header(kStreams, kFiles));
  ASSERT_EQ(header.folders.size(), 1u);
  const ovk::SevenZipFolder& folder = header.folders[0];
  ASSERT_EQ(folder.inputs.size(), 1u);
  EXPECT_EQ(folder.inputs[0].packOffset, 32u);
  EXPECT_EQ(folder.inputs[0].packSize, 10u);
  EXPECT_EQ(folder.content.size, 10u);
  EXPECT_TRUE(folder.refusal.empty());
  ASSERT_EQ(folder.streams.size(), 2u);
  EXPECT_EQ(folder.streams[1].offset, 4u);
  EXPECT_EQ(folder.streams[1].size, 6u);
  EXPECT_EQ(folder.streams[1].crc, 0x22222222u);
  ASSERT_EQ(header.files.size(), 3u);
  EXPECT_EQ(header.files[1].name, "b");
  EXPECT_EQ(header.files[1].streamIndex, 1u);
  EXPECT_TRUE(header.files[2].folder);
  EXPECT_FALSE(header.files[2].hasStream);
}

struct HostileCase {
  const char* label;
  std::string streams, files;
};

TEST(SevenZipHeader, HostileHeadersAreDamage) {
  const std::string streams = kStreams, files = kFiles;
  const auto with = [](std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
  };
  const HostileCase cases[] = {
      {"a file count past the header", streams, with(files, "05 03", "05 FF 00 00 00 00 00 01 00 00")},
      {"a share count past the header", with(streams, "0D 02", "0D FF 00 00 00 00 00 01 00 00"), files},
      {"a folder without coders", with(streams, "0B 01 00 01 01 00", "0B 01 00 00"), files},
      {"a bind to a stream the folder lacks", with(streams, "01 01 00 0C 0A", "02 01 00 01 00 07 00 0C 0A 0A"), files},
      {"shares larger than their folder", with(streams, "09 04", "09 0B"), files},
      {"more files with content than shares", streams, with(files, "0E 01 20", "0E 01 00")},
      {"fewer names than files", streams, with(files, "11 0D 00 61 00 00 00 62 00 00 00 64 00 00 00", "11 09 00 61 00 00 00 62 00 00 00")},
      {"a property longer than the header", streams, with(files, "0E 01 20", "0E 7F 20")},
      {"a packed stream past any file", with(streams, "06 00 01 09 0A", "06 FF FF FF FF FF FF FF FF FF 01 09 0A"), files},
  };
  for (const HostileCase& c : cases) {
    EXPECT_THROW(ovk::ParseSevenZipHeader(Header(c.streams, c.files)), ovk::SevenZipDamage) << c.label;
  }
}

TEST(SevenZipAesProperties, AreTakenWithinTheRoundLimit) {
  const struct {
    std::string properties;
    bool taken;
    unsigned power;
    std::size_t salt;
  } cases[] = {
      {Hex("13"), true, 19, 0},                           // no salt, no IV
      {Hex("53 07 01 02 03 04 05 06 07 08"), true, 19, 0},  // an 8-byte IV
      {Hex("D3 10 AA BB 01"), true, 19, 2},               // a 2-byte salt and a 1-byte IV
      {Hex("59 00 01"), false, 25, 0},                    // more rounds than 7-Zip makes
      {Hex("53 07 01 02"), false, 19, 0},                 // an IV shorter than it says
      {"", false, 0, 0},
  };
  for (const auto& c : cases) {
    ovk::SevenZipAesParams params;
    EXPECT_EQ(ovk::ParseSevenZipAes(c.properties, params), c.taken) << testing::PrintToString(c.properties);
    if (!c.taken) continue;
    EXPECT_EQ(params.cyclesPower, c.power);
    EXPECT_EQ(params.salt.size(), c.salt);
    EXPECT_EQ(params.iv.size(), 16u);
  }
}

}  // namespace
