// Usage errors, --help and --version of `ovk`.
#include <gtest/gtest.h>

#include <cctype>

#include "cli/OvkRun.h"

namespace ovktest {
namespace {

struct UsageCase {
  std::vector<std::string> args;
  std::string message;  // part of the one stderr line
};

class UsageErrorTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrorTest, ExitsWith64AndOneLine) {
  const OvkResult r = RunOvk(GetParam().args);
  EXPECT_EQ(r.exitCode, 64);
  EXPECT_EQ(r.out, "");
  const auto lines = Lines(r.err);
  ASSERT_EQ(lines.size(), 1u) << r.err;
  EXPECT_EQ(lines[0].rfind("ovk: ", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find(GetParam().message), std::string::npos) << lines[0];
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsageErrorTest,
    ::testing::Values(UsageCase{{}, "no command"}, UsageCase{{"frobnicate"}, "unknown command 'frobnicate'"},
                      UsageCase{{"list"}, "exactly one ARCHIVE"},
                      UsageCase{{"list", "a.zip", "b.zip"}, "exactly one ARCHIVE"},
                      // An option after the archive is still an option, never a name.
                      UsageCase{{"add", "a.zip", "-q", "-x"}, "'-x' needs a value"},
                      UsageCase{{"delete", "a.zip", "-n"}, "unknown option '-n' (names that start with '-' go after '--')"},
                      UsageCase{{"list", "--bogus", "a.zip"}, "unknown option '--bogus'"},
                      UsageCase{{"extract"}, "needs an ARCHIVE"},
                      UsageCase{{"extract", "-p"}, "'-p' needs a value"},
                      UsageCase{{"extract", "-d", "", "a.zip"}, "-d is empty"},
                      UsageCase{{"extract", "a.zip", ""}, "empty name"},
                      // An empty password would store entries unenciphered.
                      UsageCase{{"add", "-p", "", "a.zip", "src"}, "the password of -p is empty"},
                      UsageCase{{"test", "-p", "", "a.zip"}, "the password of -p is empty"},
                      UsageCase{{"add", "a.zip"}, "at least one SOURCE"},
                      UsageCase{{"add", "-x"}, "'-x' needs a value"},
                      UsageCase{{"add", "--raw", "a.zip", "src"}, "unknown option '--raw'"},
                      UsageCase{{"delete", "a.zip"}, "at least one NAME"},
                      UsageCase{{"delete", "-p", "x", "a.zip", "n"}, "unknown option '-p'"},
                      UsageCase{{"repair", "a.zip", "b.zip"}, "exactly one ARCHIVE"}));

TEST(UsageTest, HelpPrintsUsageOnStdout) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"list", "--help"},
                                                                 {"add", "-x", "m", "--help"}}) {
    const OvkResult r = RunOvk(args);
    EXPECT_EQ(r.exitCode, 0) << args[0];
    EXPECT_EQ(r.out.rfind("Usage: ovk COMMAND", 0), 0u) << r.out;
    EXPECT_EQ(r.err, "");
  }
}

TEST(UsageTest, VersionNamesTheProgram) {
  const OvkResult r = RunOvk({"--version"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out.rfind("ovk (OVK Viewer) 1.", 0), 0u) << r.out;
  // Then one line per library: its name and a bare version number, without
  // the library's own name or a release date.
  const auto lines = Lines(r.out);
  std::vector<std::string> names;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::size_t space = line.rfind(' ');
    ASSERT_TRUE(line.rfind("  ", 0) == 0 && space != std::string::npos && space + 1 < line.size()) << line;
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(line[space + 1]))) << line;
    EXPECT_EQ(line.find(','), std::string::npos) << line;
    names.push_back(line.substr(2, space - 2));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"zlib", "libdeflate", "libarchive", "liblzma", "libzstd", "libbz2",
                                             "OpenSSL libcrypto", "ISA-L"}));
}

TEST(UsageTest, DoubleDashEndsOptions) {
  // "--raw" after "--" is the archive's name, not the option.
  const OvkResult r = RunOvk({"list", "--", "--raw"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_NE(r.err.find("cannot open archive --raw"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace ovktest
