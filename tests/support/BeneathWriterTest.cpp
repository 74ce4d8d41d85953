// One writer for the many files of an operation: the folders it keeps open
// between files change nothing about where each file lands or what is refused.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <regex>
#include <string>
#include <vector>

#include "common/TestUtil.h"
#include "support/FaultInjection.h"
#include "support/FileUnit.h"

using namespace ovk;
using ovktest::Exists;
using ovktest::ReadFile;
using ovktest::TempDir;

namespace {

TEST(BeneathWriter, FilesLandAsOneByOneSavesPutThem) {
  TempDir dir;
  const std::string root = dir / "root";
  ovktest::MakeDirs(dir / "outside");
  ASSERT_EQ(symlink((dir / "outside").c_str(), (dir / "link").c_str()), 0);
  struct Step {
    const char* name;
    bool saved;
  };
  // Deeper, shallower, sibling and back again; refusals in between must not
  // disturb the folders held for the next file.
  const std::vector<Step> steps = {
      {"a\\b\\c\\1", true}, {"a\\b\\2", true}, {"a\\x\\3", true},  {"a\\b\\c\\4", true},
      {"a\\..\\5", false},  {"a\\b\\c\\1\\6", false},  {"a\\b\\7", true}, {"8", true},
      {"a\\b\\c", false},   {"d/e\\9", true},   {"a\\b\\c\\10", true},
  };
  {
    BeneathWriter writer(root);
    for (const Step& s : steps)
      EXPECT_EQ(writer.Save(std::string("content of ") + s.name, s.name) == 0, s.saved) << s.name;
    // A link planted among the folders while the writer is in use is never followed.
    ASSERT_EQ(symlink((dir / "outside").c_str(), (root + "/a/b/l").c_str()), 0);
    EXPECT_EQ(writer.Save("x", "a\\b\\l\\11"), ELOOP);
    EXPECT_EQ(writer.Save("x", "a\\b\\l\\c\\12"), ELOOP);
    EXPECT_EQ(writer.Save("content of 13", "a\\b\\13"), 0);
    // A held folder moved away and replaced by a link keeps the files.
    ASSERT_EQ(writer.Save("held", "h\\first"), 0);
    ASSERT_EQ(rename((root + "/h").c_str(), (root + "/moved").c_str()), 0);
    ASSERT_EQ(symlink((dir / "outside").c_str(), (root + "/h").c_str()), 0);
    EXPECT_EQ(writer.Save("content of 14", "h\\14"), 0);
  }
  EXPECT_EQ(ReadFile(root + "/moved/14"), "content of 14");
  EXPECT_FALSE(Exists(dir / "outside/14"));
  for (const Step& s : steps) {
    if (!s.saved) continue;
    std::string path = s.name;
    for (char& c : path) c = c == '\\' ? '/' : c;
    EXPECT_EQ(ReadFile(root + "/" + path), std::string("content of ") + s.name) << s.name;
  }
  EXPECT_EQ(ReadFile(root + "/a/b/13"), "content of 13");
  EXPECT_FALSE(Exists(dir / "outside/11"));
  EXPECT_FALSE(Exists(dir / "outside/c"));
  // A root that is itself a link may be used, as for a single save.
  BeneathWriter viaLink(dir / "link");
  EXPECT_EQ(viaLink.Save("in", "sub\\f"), 0);
  EXPECT_EQ(ReadFile(dir / "outside/sub/f"), "in");
}

// With a low descriptor limit the writer lets folders go; a file begun in a
// folder it let go still lands there.
TEST(BeneathWriter, LettingFoldersGoLosesNoFile) {
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
  const rlimit low{std::min<rlim_t>(limit.rlim_cur, 256), limit.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  TempDir dir;
  {
    BeneathWriter writer(dir.Path());
    FileBeneath early;
    ASSERT_EQ(writer.Begin("first\\early", early), 0);
    for (int round = 0; round < 2; ++round) {
      for (int i = 0; i < 300; ++i) {
        const std::string name = "d" + std::to_string(i % 150) + "\\s\\" + std::to_string(round * 300 + i);
        ASSERT_EQ(writer.Save(name, name), 0) << name;
      }
    }
    ASSERT_EQ(early.Write("early", 5), 0);
    EXPECT_EQ(early.Commit(0644), 0);
  }
  setrlimit(RLIMIT_NOFILE, &limit);
  EXPECT_EQ(ReadFile(dir / "first/early"), "early");
  for (const int n : {0, 149, 299, 300, 599}) {
    const std::string folder = "d" + std::to_string(n % 150) + "/s/";
    EXPECT_EQ(ReadFile(dir / (folder + std::to_string(n))), "d" + std::to_string(n % 150) + "\\s\\" + std::to_string(n));
  }
}

TEST(BeneathWriter, FailedWriteRemovesOnlyThatFile) {
  TempDir dir;
  const std::string root = dir / "root";
  BeneathWriter writer(root);
  EXPECT_EQ(writer.Save("first", "f\\1"), 0);
  InjectFault(FaultOp::Write, 1, EIO);
  EXPECT_EQ(writer.Save("second", "f\\2"), EIO);
  ClearFaults();
  EXPECT_FALSE(Exists(root + "/f/2"));
  EXPECT_EQ(writer.Save("third", "f\\3"), 0);
  EXPECT_EQ(ReadFile(root + "/f/1"), "first");
  EXPECT_EQ(ReadFile(root + "/f/3"), "third");
}

// Partial files carry this process's number, for a later run to clear them,
// and random digits no one can foresee; a part whose maker is gone is
// cleared whichever digits it has.
TEST(BeneathWriter, PartsAreNamedUnpredictablyAndClearedOnceTheirMakerIsGone) {
  TempDir dir;
  BeneathWriter writer(dir.Path());
  FileBeneath first, second;
  ASSERT_EQ(writer.Begin("a", first), 0);
  ASSERT_EQ(writer.Begin("b", second), 0);
  std::vector<std::string> parts;
  if (DIR* d = opendir(dir.Path().c_str())) {
    while (const dirent* e = readdir(d)) {
      if (e->d_name[0] == '.' && e->d_name[1] != '.' && e->d_name[1] != '\0') parts.push_back(e->d_name);
    }
    closedir(d);
  }
  const std::regex shape("\\.ovk-" + std::to_string(getpid()) + "-[0-9a-f]{16}\\.part");
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_NE(parts[0], parts[1]);
  for (const std::string& name : parts) EXPECT_TRUE(std::regex_match(name, shape)) << name;

  ovktest::WriteFile(dir / ".ovk-4194305-0123456789abcdef.part", "left by a killed run");
  writer.RemoveStaleParts("");
  EXPECT_FALSE(Exists(dir / ".ovk-4194305-0123456789abcdef.part"));
  for (const std::string& name : parts) EXPECT_TRUE(Exists(dir / name)) << name;
}

}  // namespace
