// Listing: the line format, what gets a line, and the results of the call.
#include <gtest/gtest.h>

#include "ArchiveBytes.h"
#include "common/TestUtil.h"
#include "engine/ListArchive.h"

namespace ovktest {
namespace {

TEST(ListArchive, AMissingArchiveIsNotOpenedAndLinesFollowTheRecords) {
  TempDir dir;
  EXPECT_FALSE(ListFile(dir / "missing.zip").ok);
  WriteFile(dir / "a.zip", BuildZip({ZipEntry("x\xC3\xA9.txt", "1"), ZipEntry("y", "22", true)}));
  const Listing l = ListFile(dir / "a.zip");
  ASSERT_TRUE(l.ok);
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(l.lines[0].substr(0, 8), "x\xC3\xA9.txt;");
  EXPECT_EQ(l.lines[1], "y;2;" + std::to_string(0x4A2B5C6D) + ";2;1;0");
}

TEST(ListArchive, FolderEntriesGetNoLineButTheirFilesDo) {
  TempDir dir;
  WriteFile(dir / "f.zip", BuildZip({ZipEntry("docs/", "", true), ZipEntry("docs/2019/", "", true),
                                     ZipEntry("docs/2019/a.txt", "text"), ZipEntry("odd;name:", "n", true)}));
  const Listing l = ListFile(dir / "f.zip");
  ASSERT_EQ(l.lines.size(), 2u);
  EXPECT_EQ(l.lines[0].substr(0, 16), "docs\\2019\\a.txt;");
  // A trailing ":" is an ordinary character here.
  EXPECT_EQ(l.lines[1], "odd%3Bname:;1;" + std::to_string(0x4A2B5C6D) + ";1;1;0");
}

TEST(ListArchive, NumbersPrintAsSigned32BitDecimals) {
  TempDir dir;
  ovk::EntryHeader h;
  h.time = 0xA0212000;  // 2060: top bit set
  h.originalSize = 0xFFFFFFFE;
  h.flags = 0x80000001;
  h.encrypted = 7;
  WriteFile(dir / "n.ovk", NativeHeader(3) + NativeEntry(3, "n", "pp", h));
  const Listing l = ListFile(dir / "n.ovk");
  ASSERT_EQ(l.lines.size(), 1u);
  EXPECT_EQ(l.lines[0], "n;2;-1608441856;-2;-2147483647;1");
}

// Neither magic nor ZIP signature nor end record, and bytes behind what the
// oldest layout's walk would read: no entry is made up of it.
TEST(ListArchive, ForeignFileIsRefused) {
  TempDir dir;
  WriteFile(dir / "j.bin", NativeEntry(0, "junk", "abc", {}, 3) + std::string(40, '\xFF'));
  const ovk::ListResult result = ovk::ListArchive(ovk::ListRequest{dir / "j.bin"}, ovk::SilentObserver());
  EXPECT_TRUE(result.entries.empty());
  EXPECT_EQ(result.refusal, "not an archive this program can read");
}

}  // namespace
}  // namespace ovktest
