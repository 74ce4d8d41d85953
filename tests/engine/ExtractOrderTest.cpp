// Extraction writes files on several threads: the files and folders it leaves
// must still be those of a one-by-one run in archive order, and a failing
// write must stop the walk.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <string>
#include <vector>

#include "ArchiveBytes.h"
#include "WriteTestUtil.h"
#include "common/TestUtil.h"
#include "engine/ExtractFromArchive.h"
#include "support/FaultInjection.h"

namespace ovktest {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

struct OrderCase {
  const char* label;
  Entries entries;
  bool overwrite;
  FileTree expected;
  const char* refused = nullptr;  // the entry reported as not written, if any
};

void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.label; }

// Payloads large enough that a write is still going on when the next entry
// has been decoded.
std::string Big(char c) { return std::string(300000, c); }

Entries Interleaved() {
  Entries e;
  for (int i = 0; i < 120; ++i) e.emplace_back("d" + std::to_string(i % 3) + "/f" + std::to_string(i % 40), Big(static_cast<char>('a' + i % 26)));
  return e;
}

// What overwriting each name in turn leaves.
FileTree LastOfEachName(const Entries& entries) {
  FileTree t;
  for (const auto& [name, content] : entries) t[name] = content;
  return t;
}

class ExtractOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(ExtractOrderTest, LeavesWhatAOneByOneRunLeaves) {
  const OrderCase& c = GetParam();
  std::vector<ZipEntryFields> fields;
  for (const auto& [name, content] : c.entries) fields.push_back(ZipEntry(name, content));
  TempDir dir;
  WriteFile(dir / "a.zip", BuildZip(fields));
  // Races show up only now and then: several runs.
  for (int run = 0; run < 5; ++run) {
    const std::string out = dir / ("out" + std::to_string(run));
    MakeDirs(out);
    ovk::ExtractRequest request;
    request.archive = dir / "a.zip";
    request.destination = out;
    request.overwrite = c.overwrite;
    const ovk::OperationReport report = ovk::ExtractFromArchive(request, ovk::SilentObserver());
    EXPECT_EQ(report.failures.empty(), !c.refused);
    EXPECT_TRUE(ReadTree(out) == c.expected) << "run " << run;
    if (c.refused) {
      // What is in the way is named, and the walk went on past it.
      ASSERT_EQ(report.failures.size(), 1u);
      EXPECT_EQ(report.failures[0].entry, c.refused);
      EXPECT_EQ(report.ExitStatus(), ovk::kExitFailed);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtractOrderTest,
    ::testing::Values(
        OrderCase{"LaterDuplicateWins", {{"a.txt", Big('1')}, {"a.txt", Big('2')}}, true, {{"a.txt", Big('2')}}},
        OrderCase{"WithoutOverwriteFirstDuplicateStays", {{"a.txt", Big('1')}, {"a.txt", Big('2')}}, false,
                  {{"a.txt", Big('1')}}},
        OrderCase{"NamesDifferingInCaseAreTwo", {{"D/a", Big('1')}, {"d", "file"}}, true,
                  {{"D/a", Big('1')}, {"d", "file"}}},
        OrderCase{"FileBlocksALaterFolder", {{"x", Big('f')}, {"x/y", "inner"}, {"z", "after"}}, true,
                  {{"x", Big('f')}, {"z", "after"}}, "x/y"},
        OrderCase{"FolderBlocksALaterFile", {{"x/y", Big('i')}, {"x", "file"}, {"z", "after"}}, true,
                  {{"x/y", Big('i')}, {"z", "after"}}, "x"},
        OrderCase{"ManyDuplicatesAcrossFolders", Interleaved(), true, LastOfEachName(Interleaved())}),
    [](const auto& info) { return std::string(info.param.label); });

// Files already handed to other writers when a write fails may still be
// finished (how many depends on scheduling); the walk hands over none after
// it has seen the failure, so it stops long before the end.
TEST(ExtractOrder, AFailingWriteStopsTheWalk) {
  constexpr std::size_t kFiles = 100;
  std::vector<ZipEntryFields> fields;
  for (std::size_t i = 0; i < kFiles; ++i) fields.push_back(ZipEntry("f" + std::to_string(i), Big('z')));
  TempDir dir;
  WriteFile(dir / "a.zip", BuildZip(fields));
  ovk::ClearFaults();  // the counts start from this test's own calls
  for (int nth = 1; nth <= 12; ++nth) {
    SCOPED_TRACE("write " + std::to_string(nth) + " fails");
    const std::string out = dir / ("out" + std::to_string(nth));
    ovk::InjectFault(ovk::FaultOp::Write, nth, EIO);
    const Extraction x = ExtractAll(dir / "a.zip", out);
    const int writes = ovk::FaultOpCount(ovk::FaultOp::Write);
    ovk::ClearFaults();
    EXPECT_EQ(x.code, ovk::kExitFailed);
    // Each file is one write: every write but the failing one left a whole
    // file, and the failing one left nothing.
    const FileTree written = ReadTree(out);
    EXPECT_EQ(written.size() + 1, static_cast<std::size_t>(writes));
    EXPECT_GE(written.size(), static_cast<std::size_t>(nth - 1));
    EXPECT_LT(written.size(), kFiles / 2);
    for (const auto& [name, data] : written) EXPECT_EQ(data, Big('z')) << name;
  }
}

}  // namespace
}  // namespace ovktest
