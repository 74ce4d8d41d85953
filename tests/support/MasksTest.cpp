#include <gtest/gtest.h>

#include <random>

#include "support/StringUnit.h"

using namespace ovk;

namespace {

// The matching rules written out recursively, straight from their wording.
bool ReferenceMatch(const char* s, const char* m) {
  if (m[0] == '*' && m[1] == '\0') return true;
  if (*s == '\0' && *m != '\0') return false;
  if (*s == '\0' && *m == '\0') return true;
  if (*m == '*') return ReferenceMatch(s, m + 1) || ReferenceMatch(s + 1, m);
  if (*m == '?') return ReferenceMatch(s + 1, m + 1);
  return *m != '\0' && *s == *m && ReferenceMatch(s + 1, m + 1);
}

struct MaskCase {
  const char* name;
  const char* mask;
  bool expected;
};

class MaskMatchCases : public ::testing::TestWithParam<MaskCase> {};

TEST_P(MaskMatchCases, FollowsTheRules) {
  EXPECT_EQ(MaskMatch(GetParam().name, GetParam().mask), GetParam().expected)
      << "name '" << GetParam().name << "' mask '" << GetParam().mask << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Table, MaskMatchCases,
    ::testing::Values(MaskCase{"notes.txt", "*.txt", true}, MaskCase{"notes.TXT", "*.txt", false},
                      MaskCase{"README", "*.*", false}, MaskCase{"a.b", "*.*", true}, MaskCase{"", "*", true},
                      MaskCase{"anything", "*", true}, MaskCase{"a", "a?", false}, MaskCase{"a", "a**", false},
                      MaskCase{"a", "a*", true}, MaskCase{"ab", "a?", true}, MaskCase{"x.txt", "x.txt", true},
                      MaskCase{"x.txt", "X.TXT", false}, MaskCase{"", "", true}, MaskCase{"a", "", false},
                      MaskCase{"", "?", false}, MaskCase{"", "**", false}, MaskCase{"abc", "**", true},
                      MaskCase{"abc", "a*c", true}, MaskCase{"ac", "a*c", true}, MaskCase{"abcd", "a*c", false},
                      MaskCase{"a*c", "a*c", true}, MaskCase{"backup.tar.gz", "*.gz", true},
                      MaskCase{"dir\\file", "*\\*", true}, MaskCase{"b", "*b**", false},
                      MaskCase{"abc", "*b*", true}));

TEST(WildcardMatch, AgreesWithTheRecursiveRulesOnRandomInput) {
  std::mt19937 random(20240601);
  const auto text = [&random](const char* alphabet, int alphabetSize, int maxLength) {
    std::string s(random() % (maxLength + 1), ' ');
    for (char& c : s) c = alphabet[random() % alphabetSize];
    return s;
  };
  int matches = 0;
  for (int round = 0; round < 20000; ++round) {
    const std::string name = text("ab*?", 2, 7);
    const std::string mask = text("ab*?", 4, 6);
    const bool expected = ReferenceMatch(name.c_str(), mask.c_str());
    matches += expected;
    ASSERT_EQ(WildcardMatch(name.c_str(), mask.c_str()), expected) << "name '" << name << "' mask '" << mask << "'";
  }
  // Both outcomes must occur often, or the comparison proves little.
  EXPECT_GT(matches, 2000);
  EXPECT_LT(matches, 18000);
}

// Backtracking over every way to place the stars would not end within any
// test run (some 10^25 ways for the second mask); a linear match answers.
TEST(WildcardMatch, ManyStarsAgainstALongNameAnswer) {
  const std::string name(255, 'a');
  EXPECT_FALSE(WildcardMatch(name.c_str(), "*a*a*a*a*a*a*b"));
  EXPECT_FALSE(WildcardMatch(name.c_str(), "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*?b"));
  EXPECT_TRUE(WildcardMatch((name + "b").c_str(), "*a*a*a*a*a*a*b"));
}

}  // namespace
