// Where a link's target leads, by its text from the link's folder: the cases
// between staying inside and leaving that the extraction table leaves out.
#include <gtest/gtest.h>

#include <string>

#include "engine/EntryPath.h"

namespace {

struct LinkCase {
  const char* link;
  std::string target;
  bool inside;
};

class LinkTargetTest : public ::testing::TestWithParam<LinkCase> {};

TEST_P(LinkTargetTest, StaysInsideOnlyWhereItsTextSaysSo) {
  const LinkCase& c = GetParam();
  EXPECT_EQ(ovk::LinkTargetRefusal(c.link, c.target).empty(), c.inside) << c.link << " -> " << c.target;
}

INSTANTIATE_TEST_SUITE_P(Cases, LinkTargetTest,
                         ::testing::Values(LinkCase{"a\\b\\l", "../../x", true}, LinkCase{"a\\b\\l", "../../../x", false},
                                           LinkCase{"l", "./x/./y", true}, LinkCase{"l", ".", true},
                                           LinkCase{"l", "./..", false}, LinkCase{"a\\l", "..//..", false},
                                           LinkCase{"l", "//etc", false}, LinkCase{"l", "x/..", false},
                                           LinkCase{"l", "", false}, LinkCase{"l", std::string("x\0y", 3), false},
                                           LinkCase{"l", std::string(4096, 'x'), false},
                                           LinkCase{"l", "a\\..\\..", true}));

struct HardLinkCase {
  const char* target;
  const char* relative;  // empty: refused
};

class HardLinkTargetTest : public ::testing::TestWithParam<HardLinkCase> {};

TEST_P(HardLinkTargetTest, NamesAFileBelowOrIsRefused) {
  const HardLinkCase& c = GetParam();
  const ovk::EntryPath path = ovk::HardLinkTargetOf(c.target);
  EXPECT_EQ(path.relative, c.relative) << c.target;
  EXPECT_EQ(path.kind == ovk::EntryPathKind::kRefused, std::string(c.relative).empty()) << c.target;
}

INSTANTIATE_TEST_SUITE_P(Cases, HardLinkTargetTest,
                         ::testing::Values(HardLinkCase{"a.txt", "a.txt"}, HardLinkCase{"./sub//a.txt", "sub\\a.txt"},
                                           HardLinkCase{"/etc/passwd", ""}, HardLinkCase{"../x", ""},
                                           HardLinkCase{"sub/../../x", ""}, HardLinkCase{"sub\\..\\x", ""},
                                           HardLinkCase{"sub/", ""}, HardLinkCase{"", ""}));

}  // namespace
