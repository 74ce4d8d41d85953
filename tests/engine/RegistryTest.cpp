// Which format the registry finds for a file by its content, and which one
// a new archive gets by its name.
#include <gtest/gtest.h>

#include <cstdio>

#include "ArchiveBytes.h"
#include "WriteTestUtil.h"
#include "coding/Payload.h"
#include "common/TestUtil.h"
#include "engine/DeleteFromArchive.h"
#include "engine/format/Registry.h"

namespace ovktest {
namespace {

const ovk::Format* const kNone = nullptr;

std::string Headerless() {
  return NativeEntry(0, "a.txt", ovk::CompressString("first", ovk::kLevelDefault)) +
         NativeEntry(0, "sub/b.bin", ovk::CompressString(RandomBytes(700, 5), ovk::kLevelDefault));
}

// A tar header block for one small file, its content and the two zero blocks.
std::string Tar() {
  std::string header(512, '\0');
  header.replace(0, 5, "a.txt");
  header.replace(124, 11, "00000000005");
  header.replace(257, 8, std::string("ustar\0" "00", 8));
  header.replace(148, 8, 8, ' ');
  unsigned sum = 0;
  for (const char c : header) sum += static_cast<unsigned char>(c);
  char checksum[8];
  std::snprintf(checksum, sizeof checksum, "%06o", sum);
  header.replace(148, 7, checksum, 7);
  std::string content("hello");
  content.resize(512, '\0');
  return header + content + std::string(1024, '\0');
}

struct IdentifyCase {
  const char* what;
  std::string bytes;
  std::string_view expected;  // the format's name; empty: not an archive
};

TEST(Registry, IdentifiesByContent) {
  ZipLayout stub;
  stub.prefix = "#!/bin/sh\nexit 0\n" + RandomBytes(300, 4);
  const std::string headerless = Headerless();
  const IdentifyCase cases[] = {
      {"native magic", NativeHeader(3) + CodedNativeEntry("a.txt", "x"), "native"},
      {"native magic, no entries", NativeHeader(3), "native"},
      {"ZIP", BuildZip({ZipEntry("a.txt", "x")}), "ZIP"},
      {"ZIP behind a stub", BuildZip({ZipEntry("a.txt", "x")}, stub), "ZIP"},
      {"empty ZIP", BuildZip({}), "ZIP"},
      {"headerless native", headerless, "headerless native"},
      {"headerless native, cut", headerless.substr(0, headerless.size() - 1), ""},
      {"headerless native, cut in a name field", headerless.substr(0, 100), ""},
      {"headerless native and garbage", headerless + "x", ""},
      {"headerless native, end mark inside",
       NativeEntry(0, "a", "p") + NativeEntry(0, "stop", "", {}, 0xFFFFFFFF) + NativeEntry(0, "b", "p"), ""},
      {"headerless native, size past the end", NativeEntry(0, "a", "p", {}, 1000), ""},
      {"empty file", "", ""},
      {"text", "just some text\nover two lines\n", ""},
      {"text of key=value lines", "set type=file\na size=3\nb mode=0644\n", ""},
      {"random bytes", RandomBytes(5000, 9), ""},
      {"tar", Tar(), "tar"},
      {"tar, its checksum wrong", Tar().replace(0, 1, "b"), ""},
      // Compressed bytes that do not decode hold nothing to recognise.
      {"gzip header, random body", "\x1F\x8B\x08\x00" + RandomBytes(400, 10), ""},
      // A format's signature is enough, however damaged what follows is.
      {"7z", "7z\xBC\xAF\x27\x1C" + RandomBytes(400, 11), "7z"},
  };
  TempDir dir;
  for (const IdentifyCase& c : cases) {
    WriteFile(dir / "f", c.bytes);
    ovk::FormatProblem problem;
    const ovk::Format* found = ovk::Identify(dir / "f", problem);
    EXPECT_EQ(found ? found->Name() : "", c.expected) << c.what;
    if (c.expected.empty()) {
      EXPECT_EQ(problem.Text(), "not an archive this program can read") << c.what;
    }
  }
  ovk::FormatProblem missing;
  EXPECT_EQ(ovk::Identify(dir / "missing", missing), kNone);
  EXPECT_EQ(missing.Text(), "cannot be opened: no such file or directory");
}

struct NewArchiveCase {
  const char* path;
  const char* asked;
  const char* expected;  // the format's name; empty: refused
  ovk::FormatRefusal refusal = ovk::FormatRefusal::kNone;
};

TEST(Registry, NewArchiveFormatByName) {
  using ovk::FormatRefusal;
  const NewArchiveCase cases[] = {
      {"a.zip", "", "ZIP"},           {"a", "", "ZIP"},                 {"a.jar", "", "ZIP"},
      {"a.ovk", "native", "native"},  {"a.rqf", "NATIVE", "native"},    {"x.tar.gz", "", "tar.gz"},
      {"X.TGZ", "", "tar.gz"},        {"x.tbz2", "", "tar.bz2"},        {"x.txz", "", "tar.xz"},
      {"x.tzst", "", "tar.zst"},      {"x.tar", "", "tar"},             {"x.7z", "", "7z"},
      {"x.7z", "zip", "ZIP"},         {"a.zip", "tar.xz", "tar.xz"},    {"dir.tar/a.zip", "", "ZIP"},
      {"x.tar.gz.zip", "", "ZIP"},    {"lib.a", "", "", FormatRefusal::kCannotCreate},
      {"x.zst", "", "", FormatRefusal::kCannotCreate},                  {"x.rar", "", "", FormatRefusal::kCannotCreate},
      {"a.zip", "rar", "", FormatRefusal::kUnknownFormat},
  };
  for (const NewArchiveCase& c : cases) {
    ovk::FormatProblem problem;
    const ovk::Format* format = ovk::FormatForNewArchive(c.path, c.asked, problem);
    EXPECT_EQ(format ? format->Name() : "", c.expected) << c.path << " " << c.asked;
    EXPECT_EQ(problem.refusal, c.refusal) << c.path << " " << c.asked;
  }
}

// The drivers refuse before anything is made or changed.
TEST(Registry, DriversRefuseWhatNoFormatReads) {
  TempDir dir;
  WriteFile(dir / "src.txt", "content");
  EXPECT_EQ(AddReport(dir / "new.rar", dir / "src.txt").Lines(),
            std::vector<std::string>{(dir / "new.rar") +
                                     ": cannot create it: this program writes ZIP, native, tar (.tar, .tar.gz, "
                                     ".tar.bz2, .tar.xz, .tar.zst) and 7z archives only"});
  EXPECT_FALSE(Exists(dir / "new.rar"));

  const std::string text = "no archive here\n";
  WriteFile(dir / "t.zip", text);
  const ovk::OperationReport deleted =
      ovk::DeleteFromArchive(ovk::DeleteRequest{dir / "t.zip", {"a"}}, ovk::SilentObserver());
  EXPECT_EQ(deleted.Lines(),
            std::vector<std::string>{(dir / "t.zip") +
                                     ": cannot delete from it: not an archive this program can read; the archive is unchanged"});
  const Extraction x = ExtractAll(dir / "t.zip", dir / "out");
  EXPECT_EQ(x.code, 3);
  EXPECT_EQ(x.lines, std::vector<std::string>{(dir / "t.zip") + ": not an archive this program can read"});
  EXPECT_FALSE(Exists(dir / "out"));
  EXPECT_EQ(ReadFile(dir / "t.zip"), text);
}

}  // namespace
}  // namespace ovktest
