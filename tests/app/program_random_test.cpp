#include <gtest/gtest.h>

#include <vector>

#include "app/app_context.h"

namespace app {
namespace {

TEST(ProgramRandomTest, FollowsTheLinearCongruentialSequenceFromStateOne) {
  ProgramRandom random;
  EXPECT_EQ(random.state(), 1u);
  // state 1 -> 214013 + 2531011 = 2745024, >> 16 = 41; and so on.
  const std::vector<int> expected = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(random.Next(), expected[i]);
  }
}

TEST(ProgramRandomTest, DrawsIntegersInAClosedRangeByRemainder) {
  struct Case {
    int a, b;
    std::vector<int> expected;  // from a fresh generator
  };
  const std::vector<Case> cases = {
      {1, 6, {1 + 41 % 6, 1 + 18467 % 6, 1 + 6334 % 6}},
      {0, 0, {0, 0, 0}},
      {-5, 5, {-5 + 41 % 11, -5 + 18467 % 11, -5 + 6334 % 11}},
      {10, 32776, {10 + 41, 10 + 18467, 10 + 6334}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "[" << c.a << ", " << c.b << "]");
    ProgramRandom random;
    for (int want : c.expected) EXPECT_EQ(random.Between(c.a, c.b), want);
  }
}

TEST(ProgramRandomTest, EveryDrawAdvancesTheSharedStateOnce) {
  ProgramRandom random;
  random.Between(1, 100);
  random.Next();
  EXPECT_EQ(random.state(), 1u * 214013u * 214013u + 2531011u * 214013u + 2531011u);
}

}  // namespace
}  // namespace app
