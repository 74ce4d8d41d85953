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

}  // namespace
