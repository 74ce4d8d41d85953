// `ovk rename`, `ovk comment`, `ovk add --folder` and `ovk extract -j`:
// each a thin front end, so one table of runs and what they leave.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli/OvkRun.h"
#include "common/TestUtil.h"
#include "engine/ArchiveBytes.h"

namespace ovktest {
namespace {

TEST(EditCommandTest, RunsChangeTheArchiveOrReportAndExit3) {
  struct Case {
    std::string label;
    std::vector<std::vector<std::string>> runs;  // ARCHIVE stands for the archive
    int exitCode;                                // of the last run
    std::string out;                             // of a last `list` or `comment` run
  };
  const std::vector<Case> cases = {
      {"rename a file", {{"rename", "-q", "ARCHIVE", "a.txt", "c/d.txt"}, {"list", "--raw", "ARCHIVE"}}, 0,
       "c\\d.txt;1;1244355693;1;1;0\nb\\x.txt;1;1244355693;1;1;0\n"},
      {"rename a folder", {{"rename", "ARCHIVE", "b/", "z/"}, {"list", "--raw", "ARCHIVE"}}, 0,
       "a.txt;1;1244355693;1;1;0\nz\\x.txt;1;1244355693;1;1;0\n"},
      {"rename onto a taken name", {{"rename", "ARCHIVE", "a.txt", "b/x.txt"}}, 3, ""},
      {"rename a missing entry", {{"rename", "ARCHIVE", "no.txt", "n.txt"}}, 3, ""},
      {"comment set and printed", {{"comment", "ARCHIVE", "hello"}, {"comment", "ARCHIVE"}}, 0, "hello\n"},
      {"comment cleared", {{"comment", "ARCHIVE", "x"}, {"comment", "ARCHIVE", ""}, {"comment", "ARCHIVE"}}, 0, ""},
      {"empty folder added", {{"add", "--folder", "e/f", "ARCHIVE"}, {"list", "--json", "ARCHIVE"}}, 0, "\"e/f/\""},
      {"folder already there", {{"add", "--folder", "b", "ARCHIVE"}}, 3, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TempDir dir;
    const std::string archive = dir / "t.zip";
    WriteFile(archive, BuildZip({ZipEntry("a.txt", "A", true), ZipEntry("b/x.txt", "X", true)}));
    OvkResult r;
    for (std::vector<std::string> run : c.runs) {
      std::replace(run.begin(), run.end(), std::string("ARCHIVE"), archive);
      r = RunOvk(run);
    }
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    if (!c.out.empty() && c.out.front() == '"') EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    else if (c.exitCode == 0) EXPECT_EQ(r.out, c.out);
    else EXPECT_NE(r.err, "");
  }
}

TEST(EditCommandTest, JunkPathsExtractsFlatAndNamesTheClash) {
  TempDir dir;
  WriteFile(dir / "j.zip", BuildZip({ZipEntry("a/x.txt", "1"), ZipEntry("b/x.txt", "2"), ZipEntry("c/y.txt", "3")}));
  const OvkResult r = RunOvk({"extract", "-q", "--junk-paths", "-d", dir / "out", dir / "j.zip"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("b/x.txt"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(dir / "out/x.txt"), "2");
  EXPECT_EQ(ReadFile(dir / "out/y.txt"), "3");
  EXPECT_FALSE(Exists(dir / "out/a"));
  EXPECT_EQ(RunOvk({"extract", "--here", "-j", dir / "j.zip"}).exitCode, 64);
}

}  // namespace
}  // namespace ovktest
