// Which entries `ovk delete` and `ovk extract` take for the names typed:
// every character counts, and letter case only when one name alone fits.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/OvkRun.h"
#include "common/TestUtil.h"
#include "engine/ArchiveBytes.h"
#include "engine/ListArchive.h"

namespace ovktest {
namespace {

using Names = std::vector<std::string>;

struct SelectionCase {
  const char* label;
  Names stored;    // the archive's entries, each holding its own name
  Names typed;     // the NAME arguments
  Names selected;  // the entries they name
  std::string err;
};

class SelectionTest : public ::testing::TestWithParam<SelectionCase> {};

Names ListedNames(const std::string& archive) {
  Names names;
  for (const ovk::Entry& e : ovk::ListArchive(ovk::ListRequest{archive}, ovk::SilentObserver()).entries)
    names.push_back(e.name);
  return names;
}

TEST_P(SelectionTest, DeleteAndExtractTakeExactlyTheNamedEntries) {
  const SelectionCase& c = GetParam();
  TempDir dir;
  std::vector<ZipEntryFields> entries;
  for (const std::string& name : c.stored) entries.push_back(ZipEntry(name, name));
  const std::string archive = dir / "s.zip";
  WriteFile(archive, BuildZip(entries));
  const int status = c.err.empty() ? 0 : 3;

  Names args = {"extract", "-d", dir / "out", archive};
  args.insert(args.end(), c.typed.begin(), c.typed.end());
  const OvkResult extracted = RunOvk(args);
  EXPECT_EQ(extracted.exitCode, status) << extracted.err;
  for (const std::string& name : c.stored) {
    const bool chosen = std::count(c.selected.begin(), c.selected.end(), name) != 0;
    EXPECT_EQ(Exists(dir / "out/" + name), chosen) << "'" << name << "'";
    if (chosen) {
      EXPECT_EQ(ReadFile(dir / "out/" + name), name);
    }
  }

  args = {"delete", archive};
  args.insert(args.end(), c.typed.begin(), c.typed.end());
  const OvkResult deleted = RunOvk(args);
  EXPECT_EQ(deleted.exitCode, status);
  EXPECT_EQ(deleted.err, c.err);
  Names kept;
  for (const std::string& name : c.stored)
    if (std::count(c.selected.begin(), c.selected.end(), name) == 0) kept.push_back(name);
  EXPECT_EQ(ListedNames(archive), kept);
}

const char kAmbiguous[] =
    "ovk: README: no entry has exactly this name, and 2 differ from it only in letter case (Readme, readme); "
    "give one exactly\n";

INSTANTIATE_TEST_SUITE_P(
    Names, SelectionTest,
    ::testing::Values(SelectionCase{"LeadingBlank", {" x", "x"}, {" x"}, {" x"}, ""},
                      SelectionCase{"TrailingBlank", {"y", "y "}, {"y "}, {"y "}, ""},
                      SelectionCase{"Semicolon", {"notes", "notes;important.doc", "important.doc"},
                                    {"notes;important.doc"}, {"notes;important.doc"}, ""},
                      SelectionCase{"ExactWins", {"readme", "README"}, {"README"}, {"README"}, ""},
                      SelectionCase{"OneAlikeMatches", {"readme", "other"}, {"README"}, {"readme"}, ""},
                      SelectionCase{"SeveralAlikeMatchNothing", {"Readme", "readme"}, {"README"}, {}, kAmbiguous},
                      SelectionCase{"AnAmbiguousNameLeavesTheOthers", {"Readme", "readme", "z"}, {"README", "Z"},
                                    {"z"}, kAmbiguous}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace ovktest
