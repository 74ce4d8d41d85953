#include <gtest/gtest.h>

#include "common/TestUtil.h"
#include "support/FileUnit.h"
#include "support/StringUnit.h"

using namespace ovk;

namespace {

using Items = std::vector<std::string>;

TEST(SplitList, TrimsAndDropsEmptyItems) {
  struct Case {
    std::string text;
    char separator;
    Items items;
  };
  for (const Case& c : {Case{" a ; ;b;", ';', {"a", "b"}}, Case{"", ';', {}}, Case{";;;", ';', {}},
                        Case{"one", ';', {"one"}}, Case{"x;y", ';', {"x", "y"}}, Case{"\t a b \n;c", ';', {"a b", "c"}},
                        Case{"a,b;c", ',', {"a", "b;c"}}, Case{";lead", ';', {"lead"}}}) {
    EXPECT_EQ(SplitList(c.text, c.separator), c.items) << "'" << c.text << "'";
  }
}

TEST(ExtractToken, ReadsFieldsByIndex) {
  struct Case {
    std::string text;
    int index;
    std::string expected;
  };
  for (const Case& c : {Case{"name;10;20", 0, "name"}, Case{"name;10;20", 1, "10"}, Case{"name;10;20", 2, "20"},
                        Case{"name;10;20", 3, ""}, Case{"  a ; b  ;c ", 1, "b"}, Case{"   ", 0, ""},
                        Case{"a;;c", 1, ""}, Case{"a;;c", 2, "c"}, Case{"a;b;", 2, ""}, Case{"a;b", -1, ""}}) {
    EXPECT_EQ(ExtractToken(c.text, c.index, ';'), c.expected) << "'" << c.text << "' #" << c.index;
  }
}

TEST(ReplaceAll, ReplacesLeftToRightWithoutRescanning) {
  struct Case {
    std::string text, oldPattern, newPattern, expected;
  };
  for (const Case& c : {Case{"a/b/c", "/", "\\", "a\\b\\c"}, Case{"aaa", "aa", "b", "ba"},
                        Case{"1.234.567", ".", "", "1234567"}, Case{"abc", "", "x", "abc"}, Case{"", "a", "b", ""},
                        Case{"aa", "a", "aa", "aaaa"}, Case{"xyz", "q", "r", "xyz"}}) {
    EXPECT_EQ(ReplaceAll(c.text, c.oldPattern, c.newPattern), c.expected) << c.text;
  }
}

TEST(Searches, LastCharPosAndFindSubstringAreOneBased) {
  EXPECT_EQ(LastCharPos('.', "archive.tar.zip"), 12u);
  EXPECT_EQ(LastCharPos('.', "noext"), 0u);
  EXPECT_EQ(LastCharPos('.', ""), 0u);
  EXPECT_EQ(LastCharPos('a', "a"), 1u);

  const std::string signature = ovktest::FromHex("504b0506");
  const std::string window = std::string(9, 'x') + signature + "tail";
  EXPECT_EQ(FindSubstring(signature, window), 10u);
  EXPECT_EQ(FindSubstring(signature, signature), 1u);
  EXPECT_EQ(FindSubstring(signature, "PK\x05"), 0u);
  EXPECT_EQ(FindSubstring("", window), 0u);
  EXPECT_EQ(FindSubstring("x", ""), 0u);
  // The pattern ends at its first zero byte.
  EXPECT_EQ(FindSubstring(std::string("PK\0zz", 5), window), 10u);
}

TEST(Trimming, TrimAndLowerAscii) {
  EXPECT_EQ(Trim(std::string("\x01 a b\x20\x1f", 7)), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("\xc3\xa9"), "\xc3\xa9");  // bytes above 0x20 stay, also high ones
  EXPECT_EQ(LowerAscii("ReadMe.TXT \xc3\x89"), "readme.txt \xc3\x89");
}

TEST(ShortString, CutsAt255Bytes) {
  EXPECT_EQ(ShortString(std::string(300, 'x')).size(), 255u);
  EXPECT_EQ(ShortString("short"), "short");
}

TEST(PathParts, SplitAfterTheLastSeparatorOfEitherKind) {
  struct Case {
    std::string path, folder, name, extension;
  };
  for (const Case& c : {Case{"dir\\sub/file.tar.gz", "dir\\sub/", "file.tar.gz", ".gz"},
                        Case{"/abs/name", "/abs/", "name", ""}, Case{"plain.txt", "", "plain.txt", ".txt"},
                        Case{"dir.d/noext", "dir.d/", "noext", ""}, Case{"folder\\", "folder\\", "", ""},
                        Case{"C:name", "", "C:name", ""}, Case{"", "", "", ""}}) {
    EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
    EXPECT_EQ(NamePart(c.path), c.name) << c.path;
    EXPECT_EQ(ExtensionPart(c.path), c.extension) << c.path;
  }
  EXPECT_TRUE(IsPathSeparator('/'));
  EXPECT_TRUE(IsPathSeparator('\\'));
  EXPECT_FALSE(IsPathSeparator(':'));
}

TEST(SetTrailingSeparator, GivesExactlyTheSeparatorAskedFor) {
  struct Case {
    std::string path;
    bool withSeparator, slashes;
    std::string expected;
  };
  for (const Case& c : {Case{"C:\\data", true, false, "C:\\data\\"}, Case{"C:\\data\\", false, false, "C:\\data"},
                        Case{"dir/sub/", true, false, "dir/sub/"}, Case{"", true, true, ""},
                        Case{"", false, false, ""}, Case{"dir/sub", true, true, "dir\\sub\\"},
                        Case{"dir/sub/", false, true, "dir\\sub"}, Case{"dir/sub/", false, false, "dir/sub"},
                        Case{"/", false, false, ""}, Case{"x", false, false, "x"}}) {
    EXPECT_EQ(SetTrailingSeparator(c.path, c.withSeparator, c.slashes), c.expected)
        << c.path << " " << c.withSeparator << c.slashes;
  }
}

}  // namespace
