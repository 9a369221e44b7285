#include "compose/type_scores.h"

#include <gtest/gtest.h>

namespace compose {
namespace {

TEST(TypeScores, SimilarityIsTheCommonShareOfTheLargerPaperFloored) {
  EXPECT_EQ(SimilarityPercent(30, 60, 80), 37);
  EXPECT_EQ(SimilarityPercent(30, 80, 60), 37);
  EXPECT_EQ(SimilarityPercent(0, 0, 0), 0);
  EXPECT_EQ(SimilarityPercent(50, 50, 50), 100);
}

TEST(TypeScores, NothingTickedGivesEmptyPapers) {
  const PaperScores s = ComputeTypeScores({"填空"}, {{"填空", "", 5, false, false}});
  EXPECT_TRUE(s.a.empty());
  EXPECT_TRUE(s.b.empty());
  EXPECT_EQ(s.totalA, 0);
  EXPECT_EQ(s.similarity, 0);
  EXPECT_EQ(s.sectionsA + s.sectionsB, 0);
}

TEST(TypeScores, AGroupCountsOnceByItsTitleInTypeOrder) {
  // A group 10 = 4 + 6 in both papers, a single 判断 in A, a single 填空 in B.
  const std::vector<ScoreRow> rows = {
      {"判断", "", 2, true, false},  {"问答", "0", 10, true, true}, {"问答", "1", 4, true, true},
      {"问答", "2", 6, true, true},  {"填空", "", 5, false, true},
  };
  const PaperScores s = ComputeTypeScores({"问答", "填空", "判断"}, rows);
  EXPECT_EQ(s.a, (std::vector<TypeScore>{{"问答", 10}, {"判断", 2}}));
  EXPECT_EQ(s.b, (std::vector<TypeScore>{{"问答", 10}, {"填空", 5}}));
  EXPECT_EQ(s.totalA, 12);
  EXPECT_EQ(s.totalB, 15);
  EXPECT_EQ(s.common, 10);
  EXPECT_EQ(s.similarity, 66);
}

TEST(TypeScores, ATickedTitleOfScoreZeroStillNeedsASection) {
  const PaperScores s = ComputeTypeScores(
      {"判断", "问答"}, {{"判断", "", 2, true, false}, {"问答", "0", 0, true, false}});
  EXPECT_EQ(s.a.size(), 1u);
  EXPECT_EQ(s.sectionsA, 2);
  EXPECT_EQ(s.sectionsB, 0);
}

}  // namespace
}  // namespace compose
