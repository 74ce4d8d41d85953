// Packing from the command line: the switch, the target name, the number
// a taken name gets, and a run of the built program without any display.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "WriteTestUtil.h"
#include "common/TestUtil.h"
// The pack mode lives with the window's sources but holds no Qt; it is
// compiled into this test program directly.
#include "ui/PackMode.cpp"

namespace ovktest {
namespace {

using Names = std::vector<std::string>;

TEST(PackModeTest, SwitchIsMatchedOnTwoBytes) {
  const std::pair<const char*, bool> cases[] = {
      {"-c", true},   {"/c", true},  {"-C", true},     {"/C", true},     {"-create", true},
      {"/copy", true}, {"-x", false}, {"/help", false}, {"-", false},      {"/", false},
      {"", false},    {"c", false},  {"x-c", false},   {"--c", false},   {"\\c", false},
  };
  for (const auto& [param, expected] : cases) EXPECT_EQ(ovk::IsPackSwitch(param), expected) << param;
}

TEST(PackModeTest, TargetNames) {
  TempDir dir;
  MakeDirs(dir / "data");
  const std::string d = dir.Path();
  const std::pair<std::string, std::string> cases[] = {
      {d + "/data", d + "/data.zip"},
      {d + "/data/", d + "/data.zip"},
      {d + "/report.txt", d + "/report.zip"},
      {d + "/a.tar.gz", d + "/a.tar.zip"},
      {d + "/README", d + "/README.zip"},
      {d + "/.profile", d + "/.zip"},
      {".profile", ".zip"},
      {"x\\y\\report.txt", "x\\y\\report.zip"},
      {"dotted.dir/name", "dotted.dir/name.zip"},
  };
  for (const auto& [source, target] : cases) EXPECT_EQ(ovk::PackTargetName(source), target) << source;
  const std::string longName = d + "/" + std::string(300, 'n') + ".txt";
  EXPECT_EQ(ovk::PackTargetName(longName).size(), 255u);
}

TEST(PackModeTest, NothingToPackReturnsAtOnce) {
  EXPECT_EQ(ovk::PackFromCommandLine({"ovkview"}), std::nullopt);
  EXPECT_EQ(ovk::PackFromCommandLine({"ovkview", "-c"}), std::nullopt);
}

// The first item creates the archive, later items are appended; folders are
// packed with everything below them, relative to themselves. A missing item
// is skipped and makes the status 1.
TEST(PackModeTest, PacksEveryItem) {
  TempDir dir;
  WriteFile(dir / "report.txt", "the report\n");
  WriteFile(dir / "pics/p1.jpg", RandomBytes(900, 1));
  WriteFile(dir / "pics/sub/p2.jpg", RandomBytes(900, 2));
  WriteFile(dir / "notes.md", "notes\n");
  EXPECT_EQ(ovk::PackFromCommandLine(
                {"ovkview", "-c", dir / "report.txt", dir / "pics", dir / "missing", dir / "notes.md"}),
            1);
  EXPECT_EQ(EntryNames(dir / "report.zip"), (Names{"report.txt", "p1.jpg", "sub\\p2.jpg", "notes.md"}));
  if (HaveTool("unzip")) {
    EXPECT_EQ(PeerTest(Peer::Unzip, dir / "report.zip"), "");
  }
}

// A pack never adds to what holds its name, archive or not.
TEST(PackModeTest, ATakenTargetGetsTheNextFreeNumber) {
  TempDir dir;
  WriteFile(dir / "report.txt", "the report\n");
  WriteFile(dir / "report.zip", "already there");
  MakeDirs(dir / "report (2).zip");
  EXPECT_EQ(ovk::PackFromCommandLine({"ovkview", "-c", dir / "report.txt"}), 0);
  EXPECT_EQ(ReadFile(dir / "report.zip"), "already there");
  EXPECT_EQ(EntryNames(dir / "report (3).zip"), Names{"report.txt"});
}

// A named format gives the archive its suffix and its kind, numbered like
// a ZIP when taken; a format this program cannot write makes nothing.
TEST(PackModeTest, FormatNamedForTheNewArchive) {
  TempDir dir;
  WriteFile(dir / "pics/p1.jpg", RandomBytes(900, 1));
  WriteFile(dir / "pics.tar.gz", "already there");
  const struct {
    std::vector<std::string> options;
    std::string made;
    int status;
  } cases[] = {
      {{"--format", "tar.gz"}, "pics (2).tar.gz", 0},
      {{"--format=7z"}, "pics.7z", 0},
      {{"--format", "TAR"}, "pics.tar", 0},
      {{"--format", "rar"}, "", 1},
      {{"--format", "nonsense"}, "", 1},
  };
  for (const auto& c : cases) {
    std::vector<std::string> params{"ovkview", "-c"};
    params.insert(params.end(), c.options.begin(), c.options.end());
    params.push_back(dir / "pics");
    EXPECT_EQ(ovk::PackFromCommandLine(params), c.status) << c.options.back();
    if (!c.made.empty()) {
      EXPECT_EQ(EntryNames(dir / c.made), Names{"p1.jpg"}) << c.made;
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "pics.rar"));
  EXPECT_FALSE(std::filesystem::exists(dir / "pics.nonsense"));
  EXPECT_EQ(ReadFile(dir / "pics.tar.gz"), "already there");
  EXPECT_EQ(ovk::PackFromCommandLine({"ovkview", "-c", "--format", "7z"}), std::nullopt) << "no item: the window";
}

// The built program packs with no display at all, and exits 0 when it
// packed everything.
TEST(PackModeTest, BuiltProgramPacksWithoutDisplay) {
  const std::string program = BuiltProgram("ovkview");
  if (access(program.c_str(), X_OK) != 0) GTEST_SKIP() << "ovkview is not built";
  TempDir dir;
  WriteFile(dir / "report.txt", "the report\n");
  WriteFile(dir / "pics/sub/p2.jpg", RandomBytes(900, 2));
  const std::string run = "env -u DISPLAY -u WAYLAND_DISPLAY " + Quote(program) + " ";
  CommandResult r = ovktest::Run(run + "-c " + Quote(dir / "report.txt") + " " + Quote(dir / "pics"));
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(EntryNames(dir / "report.zip"), (Names{"report.txt", "sub\\p2.jpg"}));

  r = ovktest::Run(run + "/Copy " + Quote(dir / "report.txt"));
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(EntryNames(dir / "report (2).zip"), Names{"report.txt"});

  // Each skipped item is one line with its reason; the rest is packed, and
  // an archive that got nothing is not left behind.
  MakeDirs(dir / "skip");
  ASSERT_EQ(mkfifo((dir / "skip/fifo").c_str(), 0644), 0);
  r = ovktest::Run(run + "-c " + Quote(dir / "skip/fifo") + " " + Quote(dir / "missing") + " " +
                   Quote(dir / "report.txt"));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.output,
            "ovkview: skipped " + (dir / "missing") + ": no such file or folder\n"
            "ovkview: skipped " + (dir / "skip/fifo") + ": not a regular file\n");
  EXPECT_EQ(EntryNames(dir / "skip/fifo.zip"), Names{"report.txt"});

  r = ovktest::Run(run + "-c " + Quote(dir / "missing.txt"));
  EXPECT_EQ(r.exitCode, 1) << r.output;
  EXPECT_FALSE(Exists(dir / "missing.zip"));
}

}  // namespace
}  // namespace ovktest
