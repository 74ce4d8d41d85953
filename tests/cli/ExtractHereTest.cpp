// `ovk extract --here`: a lone top-level item beside the archive, anything
// else in a fresh folder named after it, nothing replaced.
#include <gtest/gtest.h>

#include <array>

#include "cli/OvkRun.h"
#include "common/TestUtil.h"
#include "engine/ArchiveBytes.h"

namespace ovktest {
namespace {

std::string Zip(const std::vector<std::pair<std::string, std::string>>& files) {
  std::vector<ZipEntryFields> entries;
  for (const auto& [name, content] : files) entries.push_back(ZipEntry(name, content));
  return BuildZip(entries);
}

TEST(ExtractHereTest, PlacesEachArchiveBesideItselfReplacingNothing) {
  struct Case {
    std::string label, archive;
    std::vector<std::pair<std::string, std::string>> files;
    std::string taken;  // made before the first run, left as it was
    // Per run: where the content goes (the lone item or the new folder)
    // and where one of its files lands.
    std::array<std::pair<std::string, std::string>, 2> runs;
  };
  const std::vector<Case> cases = {
      {"lone folder", "proj.zip", {{"proj/a.txt", "A"}, {"proj/sub/b.txt", "B"}}, "",
       {{{"proj", "proj/a.txt"}, {"proj (2)", "proj (2)/proj/a.txt"}}}},
      {"several items", "mix.tar.gz", {{"a.txt", "A"}, {"b/c.txt", "C"}}, "",
       {{{"mix", "mix/a.txt"}, {"mix (2)", "mix (2)/a.txt"}}}},
      {"lone file", "one.zip", {{"./note.txt", "N"}}, "", {{{"note.txt", "note.txt"}, {"one", "one/note.txt"}}}},
      {"lone file, name taken", "two.zip", {{"x.txt", "new"}}, "x.txt",
       {{{"two", "two/x.txt"}, {"two (2)", "two (2)/x.txt"}}}},
      {"lone folder, name taken", "three.zip", {{"three/a.txt", "A"}}, "three",
       {{{"three (2)", "three (2)/three/a.txt"}, {"three (3)", "three (3)/three/a.txt"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir dir;
    WriteFile(dir / c.archive, Zip(c.files));
    if (!c.taken.empty()) WriteFile(dir / c.taken, "old");
    for (const auto& [place, file] : c.runs) {
      const OvkResult r = RunOvk({"extract", "--here", "-q", dir / c.archive});
      ASSERT_EQ(r.exitCode, 0) << r.err;
      EXPECT_EQ(r.out, dir / c.archive + ": extracted to " + dir / place + "\n");
      EXPECT_TRUE(Exists(dir / file)) << file;
    }
    if (!c.taken.empty()) {
      EXPECT_EQ(ReadFile(dir / c.taken), "old");
    }
  }
}

TEST(ExtractHereTest, RefusesAFolderAndGoesOnAfterABadArchive) {
  TempDir dir;
  WriteFile(dir / "good.zip", Zip({{"a.txt", "A"}, {"b.txt", "B"}}));
  WriteFile(dir / "bad.zip", "not an archive");
  EXPECT_EQ(RunOvk({"extract", "--here", "-d", dir.Path(), dir / "good.zip"}).exitCode, 64);
  const OvkResult r = RunOvk({"extract", "--here", dir / "bad.zip", dir / "good.zip"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(ReadFile(dir / "good/b.txt"), "B");
  EXPECT_FALSE(Exists(dir / "bad"));
}

}  // namespace
}  // namespace ovktest
