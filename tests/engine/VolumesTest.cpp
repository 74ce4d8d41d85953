// Which files continue an archive split across volumes, found from its first.
#include <gtest/gtest.h>

#include "common/TestUtil.h"
#include "engine/format/Volumes.h"

namespace ovktest {
namespace {

struct VolumeCase {
  const char* first;
  std::vector<std::string> present;  // besides the first
  std::vector<std::string> later;    // expected, in order
};

TEST(Volumes, LaterPartsInOrderUpToTheFirstMissing) {
  const VolumeCase cases[] = {
      {"x.7z.001", {"x.7z.002", "x.7z.003", "x.7z.005"}, {"x.7z.002", "x.7z.003"}},
      {"x.part1.rar", {"x.part2.rar", "x.part3.rar"}, {"x.part2.rar", "x.part3.rar"}},
      {"x.part01.rar", {"x.part02.rar", "x.part2.rar"}, {"x.part02.rar"}},
      {"x.7z.002", {"x.7z.003"}, {}},  // not the first part
      {"x.7z", {"x.7z.001"}, {}},
      {"x.tar", {"x.tar.001"}, {}},
  };
  for (const VolumeCase& c : cases) {
    TempDir dir;
    WriteFile(dir / c.first, "");
    for (const std::string& name : c.present) WriteFile(dir / name, "");
    std::vector<std::string> expected;
    for (const std::string& name : c.later) expected.push_back(dir / name);
    EXPECT_EQ(ovk::LaterVolumes(dir / c.first), expected) << c.first;
  }
}

}  // namespace
}  // namespace ovktest
