// Inputs the fuzzers found, each with the fault it exposed; they must keep
// failing cleanly.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "HardeningUtil.h"
#include "../engine/ArchiveBytes.h"
#include "common/TestUtil.h"
#include "engine/WriteTestUtil.h"
#include "support/ByteOrder.h"

namespace ovkhard {
namespace {

// A ZIP64 end record (no entries) whose directory offset lies far past the
// record itself, its locator and a 32-bit end record that defers to it.
std::string Zip64EndWithOffset(std::uint64_t directoryOffset) {
  std::string z = ovktest::Zip64EndAndLocator(0, 0, directoryOffset, 0);
  ovk::PutLE32(z, 0x06054B50);
  for (int i = 0; i < 4; ++i) ovk::PutLE16(z, 0xFFFF);
  ovk::PutLE32(z, 0xFFFFFFFF);
  ovk::PutLE32(z, 0xFFFFFFFF);
  ovk::PutLE16(z, 0);
  return z;
}

// Found by fuzz_add (a timeout): appending wrote the new entry at the lying
// offset, turning a 98-byte file into a sparse one of almost 1 GB that the
// next listing then had to scan.
TEST(FuzzFindings, AppendIgnoresZip64DirectoryOffsetPastItsRecord) {
  ovktest::TempDir dir;
  const std::string archive = dir / "lying.zip";
  ovktest::WriteFile(archive, Zip64EndWithOffset(939524242));
  ovktest::WriteFile(dir / "new.txt", "appended");
  // No directory can be located behind the lying record: the file holds no
  // archive to add to, and stays as it was.
  const std::string before = ovktest::ReadFile(archive);
  EXPECT_FALSE(ovktest::Add(archive, dir / "new.txt"));
  EXPECT_TRUE(ovktest::ReadFile(archive) == before);
}

}  // namespace
}  // namespace ovkhard
