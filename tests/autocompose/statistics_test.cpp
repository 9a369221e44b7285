#include "autocompose/statistics.h"

#include <gtest/gtest.h>

namespace autocompose {
namespace {

ComposeRow Q(std::string type, std::string score, std::string kp = {}, int difficulty = 5,
             bool masked = false, std::string groupNumber = {}) {
  return {std::move(kp), std::move(groupNumber), std::move(type), std::to_string(difficulty),
          std::move(score), masked};
}

const StatisticsRow* Find(const Statistics& st, const std::string& type, const std::string& score) {
  for (const auto& r : st.rows)
    if (r.type == type && r.score == score) return &r;
  return nullptr;
}

TEST(CountStatistics, RowsPerTypeAndScoreWithTheirCounts) {
  const std::vector<ComposeRow> rows = {
      Q("填空", "2", "甲"),
      Q("填空", "3", "乙"),
      Q("填空", "2", "丙"),
      Q("填空", "2", "丁", 5, /*masked=*/true),
      Q("填空", "2", "戊", /*difficulty=*/8),
      Q("阅读", "10", "", 5, false, "0"),  // a group's title
      Q("阅读", "5", "", 5, false, "1"),   // its member
      Q("判断", "0", ""),                  // no score: counted, not usable
  };
  const Statistics st = CountStatistics(rows, {1, 7});
  ASSERT_EQ(st.rows.size(), 3u);
  EXPECT_EQ(st.rows[0].type, "填空");
  EXPECT_EQ(st.rows[0].score, "2");
  EXPECT_EQ(st.rows[1].score, "3");
  const auto* two = Find(st, "填空", "2");
  EXPECT_EQ(two->count, 4);  // masked and out of range still counted
  EXPECT_EQ(two->usable, 2);
  EXPECT_EQ(two->selectable, 2);
  const auto* zero = Find(st, "判断", "0");
  EXPECT_EQ(zero->count, 1);
  EXPECT_EQ(zero->usable, 0);
  EXPECT_EQ(zero->selectable, 0);
  EXPECT_EQ(Find(st, "阅读", "10"), nullptr) << "titles and members take no part";
  // Course-wide, the score is not looked at: 甲 乙 丙 and the empty one.
  EXPECT_EQ(st.globalSelectable, 4);
  EXPECT_FLOAT_EQ(st.selectableRatio, 1.33f);
}

TEST(CountStatistics, KnowledgePointRule) {
  struct Case {
    const char* name;
    std::vector<std::string> points;
    int selectable;
  } cases[] = {
      {"A, A and empty", {"A", "A", ""}, 2},
      {"A|B then B: the second is skipped, the first counts 2", {"A|B", "B"}, 2},
      {"B then A|B: the second is skipped", {"B", "A|B"}, 1},
      {"empty parts count nothing", {"A||", "|"}, 1},
      {"two empties", {"", ""}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<ComposeRow> rows;
    for (const auto& p : c.points) rows.push_back(Q("填空", "5", p));
    const Statistics st = CountStatistics(rows, {});
    ASSERT_EQ(st.rows.size(), 1u);
    EXPECT_EQ(st.rows[0].selectable, c.selectable);
    EXPECT_EQ(st.globalSelectable, c.selectable);
  }
}

TEST(CountStatistics, SharedPointsAcrossRowsLowerTheRatio) {
  // Two rows share 甲: each counts it, course-wide it counts once.
  const Statistics st = CountStatistics({Q("填空", "2", "甲"), Q("选择", "3", "甲"),
                                         Q("选择", "3", "乙")},
                                        {});
  EXPECT_EQ(st.globalSelectable, 2);
  EXPECT_FLOAT_EQ(st.selectableRatio, 0.67f);
}

TEST(SelectableRatio, RoundsToTwoDecimalsAndIsZeroWithNothingSelectable) {
  EXPECT_FLOAT_EQ(SelectableRatio(1, 3), 0.33f);
  EXPECT_FLOAT_EQ(SelectableRatio(2, 3), 0.67f);
  EXPECT_FLOAT_EQ(SelectableRatio(1, 8), 0.13f);  // 0.125 rounds up
  EXPECT_FLOAT_EQ(SelectableRatio(5, 5), 1.0f);
  EXPECT_FLOAT_EQ(SelectableRatio(0, 0), 0.0f);
  EXPECT_FLOAT_EQ(CountStatistics({Q("填空", "2", "", 5, true)}, {}).selectableRatio, 0.0f);
}

TEST(OfferedMaximum, ScaledByTheRatioAndCappedByTheCourse) {
  struct Case {
    int selectable;
    float ratio;
    int global, chosen, previous, offered;
  } cases[] = {
      {4, 0.5f, 100, 0, 0, 2},
      {1, 0.3f, 100, 0, 0, 1},   // 0.3 rounds to 0; one selectable offers 1
      {2, 0.2f, 100, 0, 0, 0},   // 0.4 rounds to 0: nothing offered
      {5, 1.0f, 10, 9, 0, 1},    // other rows use 9 of 10
      {5, 1.0f, 10, 9, 3, 4},    // 3 of those 9 are this row's own
      {5, 0.5f, 100, 0, 0, 3},   // 2.5 rounds away from zero
      {0, 1.0f, 100, 0, 0, 0},
      {3, 1.0f, 5, 7, 0, -2},    // nothing left
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.selectable << " x " << c.ratio);
    EXPECT_EQ(OfferedMaximum(c.selectable, c.ratio, c.global, c.chosen, c.previous), c.offered);
  }
  EXPECT_EQ(ClampDrawCount(-3, 4), 0);
  EXPECT_EQ(ClampDrawCount(9, 4), 4);
  EXPECT_EQ(ClampDrawCount(2, -1), 0);
}

TEST(OrderPlan, FewestFirstThenScarcestStable) {
  std::vector<PlanRow> plan = {
      {"a", "1", 9, 9, 3}, {"b", "1", 9, 5, 2}, {"c", "1", 7, 5, 2},
      {"d", "1", 7, 5, 2}, {"e", "1", 3, 4, 2}, {"f", "1", 1, 1, 1},
  };
  OrderPlan(plan);
  std::string order;
  for (const auto& p : plan) order += p.type;
  EXPECT_EQ(order, "fecdba");
}

TEST(CheckPlan, NamesRowsThatCannotBeMetWithoutRepeatingAKnowledgePoint) {
  const std::vector<ComposeRow> rows = {Q("填空", "5", "甲"), Q("填空", "5", "乙"),
                                        Q("填空", "5", "甲"), Q("选择", "2", ""),
                                        Q("选择", "2", "", /*difficulty=*/9)};
  const auto p = CheckPlan(rows, {{"填空", "5", 3, 2, 3}, {"选择", "2", 1, 1, 1}}, {1, 8},
                           false, 90);
  ASSERT_EQ(p.rows.size(), 1u);
  EXPECT_EQ(p.rows[0], "5分填空题：组卷题数3，不重复知识点最多只能选2题。");
  EXPECT_TRUE(p.similarity.empty());
  EXPECT_FALSE(CheckPlan(rows, {{"填空", "5", 3, 2, 2}}, {}, false, 90).any());
}

TEST(CheckPlan, RowsCompetingForTheSameKnowledgePoints) {
  // Each row alone can be met; together they need four texts of two.
  const std::vector<ComposeRow> rows = {Q("填空", "5", "甲"), Q("填空", "5", "乙"),
                                        Q("选择", "2", "甲"), Q("选择", "2", "乙"),
                                        Q("选择", "2", "乙")};
  const auto p = CheckPlan(rows, {{"填空", "5", 2, 2, 2}, {"选择", "2", 3, 2, 2}}, {}, false, 90);
  ASSERT_EQ(p.rows.size(), 1u);
  EXPECT_EQ(p.rows[0], "各题型组卷题数合计4，各题型试题的知识点相互重复，不重复知识点最多只能选2题。");
  // One more text for 选择 and a question without one: met, by re-routing
  // 填空's first choice if need be.
  auto more = rows;
  more.push_back(Q("选择", "2", "丙"));
  more.push_back(Q("选择", "2", ""));
  EXPECT_FALSE(CheckPlan(more, {{"填空", "5", 2, 2, 2}, {"选择", "2", 5, 4, 2}}, {}, false, 90).any());
  EXPECT_TRUE(CheckPlan(more, {{"填空", "5", 2, 2, 2}, {"选择", "2", 5, 4, 3}}, {}, false, 90).any());
}

TEST(CheckPlan, LeastSimilarityForTwoPapers) {
  struct Case {
    const char* name;
    std::vector<std::string> points;  // one 5-point 填空 question each
    int need;
    int least;
  } cases[] = {
      {"exactly enough: both papers the same", {"甲", "乙", "丙"}, 3, 100},
      {"one spare of three needed", {"甲", "乙", "丙", "丁"}, 3, 66},
      {"twice as many: none forced", {"甲", "乙", "丙", "丁"}, 2, 0},
      {"pairs of one point can be split", {"甲", "甲", "乙", "乙"}, 2, 0},
      {"a pair and two single ones", {"甲", "甲", "乙", ""}, 3, 66},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<ComposeRow> rows;
    for (const auto& kp : c.points) rows.push_back(Q("填空", "5", kp));
    const auto p = CheckPlan(rows, {{"填空", "5", 0, 0, c.need}}, {}, true, 50);
    EXPECT_TRUE(p.rows.empty());
    EXPECT_EQ(p.leastSimilarity, c.least);
    EXPECT_EQ(p.similarity.empty(), c.least <= 50);
  }
  const auto p = CheckPlan({Q("填空", "5", "甲"), Q("填空", "5", "乙")},
                           {{"填空", "5", 0, 0, 2}}, {}, true, 90);
  EXPECT_EQ(p.similarity, "按现在的组卷题数，A、B卷相似度最低为100，高于要求的90。");
  EXPECT_FALSE(CheckPlan({Q("填空", "5", "甲"), Q("填空", "5", "乙")},
                         {{"填空", "5", 0, 0, 2}}, {}, false, 90)
                   .any())
      << "one paper has no similarity to meet";
}

}  // namespace
}  // namespace autocompose
