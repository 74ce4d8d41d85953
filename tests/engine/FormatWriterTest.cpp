// What adding relies on of every format's writer: a header written with
// placeholder sizes is exactly as long as the one written over it, and an
// entry that outgrows the header's fields is told before it is kept.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/TestUtil.h"
#include "engine/format/Format.h"
#include "support/FileUnit.h"

namespace ovktest {
namespace {

struct WriterCase {
  const ovk::Format* (*format)();
  std::uint64_t original;      // content bytes
  std::uint64_t largestFits;   // the largest packed size a plain header holds
};

const ovk::Format* Zip() { return &ovk::ZipArchiveFormat(); }
const ovk::Format* Native() { return &ovk::NativeMagicFormat(); }

class FormatWriterTest : public ::testing::TestWithParam<WriterCase> {};

TEST_P(FormatWriterTest, PlaceholderHeadersAreWrittenOverInPlace) {
  const WriterCase& c = GetParam();
  TempDir dir;
  ovk::DataFile file;
  ASSERT_FALSE(ovk::CreateOrTruncate(file, dir / "a"));
  const auto writer = c.format()->Write(file, ovk::WriteChoices{"pw", false, ovk::kLevelDefault});
  ovk::OperationReport report;
  ASSERT_TRUE(writer->Start(false, dir / "a", report));

  ovk::NewEntry entry;
  entry.storedName = "dir\\file.bin";
  entry.header.originalSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(c.original, 0xFFFFFFFF));
  const std::uint64_t worst = c.original + (c.original >> 11) + 1024;
  const ovk::EntrySizes placeholder = writer->PlaceholderSizes(c.original, worst);
  for (const std::uint64_t packed : {std::uint64_t{0}, c.original / 2, worst}) {
    const ovk::EntrySizes written{c.original, packed, placeholder.wideHeader};
    EXPECT_EQ(writer->HeaderBytes(entry, written, 1000).size(), writer->HeaderBytes(entry, placeholder, 1000).size())
        << packed;
  }
  EXPECT_TRUE(writer->Fits({c.original, c.largestFits, false}));
  EXPECT_FALSE(writer->Fits({c.original, c.largestFits + 1, false}));
  EXPECT_FALSE(ovk::CloseDataFile(file));
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatWriterTest,
                         ::testing::Values(WriterCase{Zip, 5000, 0xFFFFFFFE},
                                           WriterCase{Zip, std::uint64_t{5} << 30, 0xFFFFFFFE},
                                           WriterCase{Native, 5000, 0x7FFFFFFF},
                                           WriterCase{Native, std::uint64_t{1} << 30, 0x7FFFFFFF}));

}  // namespace
}  // namespace ovktest
