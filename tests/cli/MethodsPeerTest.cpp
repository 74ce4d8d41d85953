// The peer matrix: archives that the mainstream tools write with every
// method and encryption they offer, read by `ovk` byte for byte; a wrong
// password fails the check, and a method still unknown is refused by name.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/OvkRun.h"
#include "common/TestUtil.h"

namespace ovktest {
namespace {

struct PeerArchive {
  const char* label;
  const char* tool;     // must be installed
  const char* command;  // %A archive, run in the folder of the sources
  const char* password; // "" when none
  int status;           // what `ovk extract` exits with
};

const PeerArchive kMatrix[] = {
    {"7zzBZip2", "7zz", "7zz a -tzip -mm=BZip2 %A a.txt b.bin", "", 0},
    {"7zzLzma", "7zz", "7zz a -tzip -mm=LZMA %A a.txt b.bin", "", 0},
    {"7zzDeflate64", "7zz", "7zz a -tzip -mm=Deflate64 %A a.txt b.bin", "", 0},
    {"7zzAes128", "7zz", "7zz a -tzip -mem=AES128 -ppw %A a.txt b.bin", "pw", 0},
    {"7zzAes256", "7zz", "7zz a -tzip -mem=AES256 -ppw %A a.txt b.bin", "pw", 0},
    {"7zzAes256Stored", "7zz", "7zz a -tzip -mm=Copy -mem=AES256 -ppw %A a.txt b.bin", "pw", 0},
    {"7zzZipCryptoStored", "7zz", "7zz a -tzip -mm=Copy -ppw %A a.txt b.bin", "pw", 0},
    {"ZipBzip2", "zip", "zip -q -Z bzip2 %A a.txt b.bin", "", 0},
    {"Bsdtar", "bsdtar", "bsdtar --format zip -cf %A a.txt b.bin", "", 0},
    {"PythonBzip2", "python3",
     "python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_BZIP2); z.write('a.txt'); "
     "z.write('b.bin')\" %A",
     "", 0},
    {"PythonLzma", "python3",
     "python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_LZMA); z.write('a.txt'); "
     "z.write('b.bin')\" %A",
     "", 0},
    {"7zzPpmdRefused", "7zz", "7zz a -tzip -mm=PPMd %A a.txt b.bin", "", 3},
};

class MethodsPeerTest : public ::testing::TestWithParam<PeerArchive> {};

TEST_P(MethodsPeerTest, ReadsByteIdenticalAndChecksPasswords) {
  const PeerArchive& p = GetParam();
  if (!HaveTool(p.tool)) GTEST_SKIP() << p.tool << " not installed";
  TempDir dir;
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i * 7919 % 1000) + " of the text\n";
  const std::string binary = RandomBytes(200000, 7) + std::string(100000, 'z');
  WriteFile(dir / "src/a.txt", text);
  WriteFile(dir / "src/b.bin", binary);
  std::string command = p.command;
  command.replace(command.find("%A"), 2, Quote(dir / "peer.zip"));
  ASSERT_EQ(ovktest::Run("cd " + Quote(dir / "src") + " && " + command + " >/dev/null 2>&1").exitCode, 0) << command;

  const OvkResult listed = RunOvk({"list", "--raw", dir / "peer.zip"});
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_EQ(Lines(listed.out).size(), 2u) << listed.out;
  std::vector<std::string> args = {"extract", "-q", "-d", dir / "out"};
  if (*p.password) args.insert(args.end(), {"-p", p.password});
  args.push_back(dir / "peer.zip");
  const OvkResult x = RunOvk(args);
  EXPECT_EQ(x.exitCode, p.status) << x.err;
  if (p.status == 0) {
    EXPECT_TRUE(ReadFile(dir / "out/a.txt") == text);
    EXPECT_TRUE(ReadFile(dir / "out/b.bin") == binary);
    std::printf("[ methods ] %s reads byte-identical\n", p.label);
  } else {
    EXPECT_NE(x.err.find("compression method 98 (PPMd) is not supported"), std::string::npos) << x.err;
    EXPECT_FALSE(Exists(dir / "out/a.txt"));
  }
  if (*p.password) {
    const OvkResult wrong = RunOvk({"test", "-p", "wrong", dir / "peer.zip"});
    EXPECT_EQ(wrong.exitCode, 2) << wrong.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Peers, MethodsPeerTest, ::testing::ValuesIn(kMatrix),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace ovktest
