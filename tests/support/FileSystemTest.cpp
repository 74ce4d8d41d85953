#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "common/TestUtil.h"
#include "support/FileUnit.h"

using namespace ovk;
using ovktest::Exists;
using ovktest::ReadFile;
using ovktest::TempDir;
using ovktest::WriteFile;

namespace {

TEST(FileSystem, FilesAndFoldersAreToldApart) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  ovktest::MakeDirs(dir / "folder");
  symlink("folder", (dir / "link").c_str());
  struct Case {
    std::string name;
    bool file, folder;
  };
  for (const Case& c : {Case{dir / "file", true, false}, Case{dir / "folder", false, true},
                        Case{dir / "folder/", false, true}, Case{dir.Path() + "\\folder", false, true},
                        Case{dir / "link", false, true}, Case{dir / "missing", false, false}, Case{"", false, false}}) {
    EXPECT_EQ(FileExistsByName(c.name), c.file) << c.name;
    EXPECT_EQ(FolderExists(c.name), c.folder) << c.name;
  }
}

TEST(FileSystem, ExistenceDoesNotDependOnTheFileTime) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  // A 1970 time stamp, which the DOS form cannot hold, must not let the file
  // be overwritten unseen.
  const timespec old[2] = {{100, 0}, {100, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir / "file").c_str(), old, 0), 0);
  EXPECT_TRUE(FileExistsByName(dir / "file"));
}

TEST(FileSystem, ForceFoldersMakesTheMissingChain) {
  TempDir dir;
  ovktest::MakeDirs(dir / "a");
  EXPECT_TRUE(ForceFolders(dir.Path() + "\\a\\b\\c\\"));
  EXPECT_TRUE(FolderExists(dir / "a/b"));
  EXPECT_TRUE(FolderExists(dir / "a/b/c"));
  EXPECT_TRUE(ForceFolders(dir / "a/b/c"));  // already there
  EXPECT_TRUE(ForceFolders(dir / "x//y///z/"));
  EXPECT_TRUE(FolderExists(dir / "x/y/z"));
  // A file in the way, or a place that cannot be made, gives false.
  WriteFile(dir / "file", "");
  EXPECT_FALSE(ForceFolders(dir / "file/sub"));
  EXPECT_FALSE(ForceFolders("/proc/no/such/place"));
  // Inputs with nothing to make end at once.
  for (const char* path : {"", "/", "//", "\\", "///"}) {
    EXPECT_EQ(ForceFolders(path), FolderExists(path)) << path;
  }
}

TEST(FileSystem, ForceFoldersOnARelativePath) {
  TempDir dir;
  char saved[4096];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  ASSERT_EQ(chdir(dir.Path().c_str()), 0);
  const bool made = ForceFolders("r1\\r2");
  const bool exists = FolderExists(dir / "r1/r2");
  ASSERT_EQ(chdir(saved), 0);
  EXPECT_TRUE(made);
  EXPECT_TRUE(exists);
}

TEST(FileSystem, CreateAndDelete) {
  TempDir dir;
  EXPECT_TRUE(CreateFolder(dir / "new"));
  EXPECT_FALSE(CreateFolder(dir / "new"));          // exists
  EXPECT_FALSE(CreateFolder(dir / "no/parent"));    // parent missing
  WriteFile(dir / "f", "");
  EXPECT_TRUE(DeleteFileByName(dir / "f"));
  EXPECT_FALSE(DeleteFileByName(dir / "f"));
  EXPECT_FALSE(DeleteFileByName(dir / "new"));      // a folder is not a file
  EXPECT_TRUE(FolderExists(dir / "new"));
}

TEST(FileSystem, SaveStringToFileMakesFoldersAndWritesWholeContent) {
  TempDir dir;
  const std::string data("bin\0ary", 7);
  EXPECT_TRUE(SaveStringToFile(data, dir.Path() + "\\deep\\er\\out.bin"));
  EXPECT_EQ(ReadFile(dir / "deep/er/out.bin"), data);
  EXPECT_TRUE(SaveStringToFile("", dir / "deep/er/out.bin"));  // empties it
  EXPECT_EQ(ReadFile(dir / "deep/er/out.bin"), "");
  EXPECT_FALSE(SaveStringToFile("x", ""));
  WriteFile(dir / "blocker", "");
  EXPECT_FALSE(SaveStringToFile("x", dir / "blocker/out"));
  EXPECT_FALSE(Exists(dir / "blocker/out"));
}

TEST(FileSystem, TemporaryFolderFollowsTmpdir) {
  TempDir dir;
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  struct Case {
    const char* tmpdir;  // nullptr: unset
    std::string expected;
  };
  for (const Case& c : {Case{dir.Path().c_str(), dir.Path() + "/"}, Case{nullptr, "/tmp/"},
                        Case{"", "/tmp/"}, Case{"/no/such/folder", "/tmp/"}}) {
    if (c.tmpdir) {
      setenv("TMPDIR", c.tmpdir, 1);
    } else {
      unsetenv("TMPDIR");
    }
    EXPECT_EQ(GetTempFolder(false), c.expected);
    EXPECT_EQ(GetSpecialFolder(0, true), c.expected);
  }
  if (old) {
    setenv("TMPDIR", saved.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
  for (int kind : {1, 2}) {
    const std::string folder = GetSpecialFolder(kind, true);
    EXPECT_TRUE(FolderExists(folder)) << folder;
    EXPECT_EQ(folder.back(), '/');
  }
  // Unknown kinds fall back to the program's own folder unless told not to.
  EXPECT_EQ(GetSpecialFolder(7, true), "");
  const std::string own = GetSpecialFolder(7, false);
  ASSERT_FALSE(own.empty());
  EXPECT_TRUE(FolderExists(own));
  EXPECT_EQ(own.back(), '/');
}

}  // namespace
