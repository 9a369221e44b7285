#include "autocompose/draw.h"

#include <gtest/gtest.h>

#include <set>

namespace autocompose {
namespace {

ComposeRow Q(std::string type, std::string score, std::string kp = {}, int difficulty = 5,
             bool masked = false) {
  return {std::move(kp), {}, std::move(type), std::to_string(difficulty), std::move(score), masked};
}

PlanRow Plan(std::string type, std::string score, int count) {
  return {std::move(type), std::move(score), 0, 0, count};
}

TEST(DrawPaper, DrawsThroughTheProgramRandomInOrder) {
  // The generator from 1 yields 41, 18467, 6334, ...: 1 + 41 % 3 takes the
  // third candidate, then 1 + 18467 % 2 the second of the two left.
  const std::vector<ComposeRow> rows = {Q("填空", "5", "甲"), Q("判断", "5"), Q("填空", "5", "乙"),
                                        Q("填空", "5", "丙")};
  Drawer drawer(rows, {Plan("填空", "5", 2)}, {});
  app::ProgramRandom random;
  PaperDraw d;
  drawer.DrawPaper(random, d);
  EXPECT_FALSE(d.failed);
  EXPECT_EQ(d.rows, (std::vector<int>{3, 2}));
  EXPECT_EQ(random.state(), [] {
    app::ProgramRandom r;
    r.Next();
    r.Next();
    return r.state();
  }());
}

TEST(DrawPaper, AKnowledgePointTextNeverTwiceInOnePaper) {
  // Two rows of different types share 甲; A|B and B are different texts.
  const std::vector<ComposeRow> rows = {Q("填空", "5", "甲"), Q("填空", "5", "甲"),
                                        Q("填空", "5", "A|B"), Q("选择", "2", "甲"),
                                        Q("选择", "2", "B"),  Q("选择", "2", "")};
  Drawer drawer(rows, {Plan("填空", "5", 2), Plan("选择", "2", 2)}, {});
  app::ProgramRandom random;
  for (int i = 0; i < 200; ++i) {
    PaperDraw d;
    drawer.DrawPaper(random, d);
    ASSERT_FALSE(d.failed) << d.status;
    std::multiset<std::string> seen;
    for (int r : d.rows)
      if (!rows[r].knowledgePoints.empty()) seen.insert(rows[r].knowledgePoints);
    for (const auto& kp : seen) EXPECT_EQ(seen.count(kp), 1u) << kp;
    const std::set<int> drawn(d.rows.begin(), d.rows.end());
    // 填空 must take A|B and one 甲, so 选择 cannot take its 甲.
    EXPECT_TRUE(drawn.count(2));
    EXPECT_FALSE(drawn.count(3));
    EXPECT_TRUE(drawn.count(4)) << "A|B and B both drawable";
  }
}

TEST(DrawPaper, ShortRowEndsTheDrawKeepingEarlierRows) {
  const std::vector<ComposeRow> rows = {Q("判断", "2"), Q("填空", "5", "甲"),
                                        Q("填空", "5", "乙"), Q("选择", "3")};
  Drawer drawer(rows, {Plan("判断", "2", 1), Plan("填空", "5", 3), Plan("选择", "3", 1)}, {});
  app::ProgramRandom random;
  PaperDraw d;
  drawer.DrawPaper(random, d);
  EXPECT_TRUE(d.failed);
  EXPECT_EQ(d.status, "5分填空题不够选！");
  EXPECT_EQ(d.rows, std::vector<int>{0});
}

TEST(DrawPaper, CandidatesAreTheUsableRowsOfTheRange) {
  const std::vector<ComposeRow> rows = {Q("填空", "5", "", 2), Q("填空", "5", "", 8),
                                        Q("填空", "5", "", 8, /*masked=*/true),
                                        Q("填空", "05", "", 9)};
  Drawer drawer(rows, {Plan("填空", "5", 2)}, {7, 9});
  EXPECT_EQ(drawer.CandidateCount(0), 2) << "score read as a number, out of range and masked left";
  app::ProgramRandom random;
  PaperDraw d;
  drawer.DrawPaper(random, d);
  EXPECT_EQ(std::set<int>(d.rows.begin(), d.rows.end()), (std::set<int>{1, 3}));
}

struct CountingSheet : TickSheet {
  using TickSheet::TickSheet;
  int stopAfter = -1;
  int eventRuns = 0;
  std::vector<std::string> statuses;
  void SetStatus(const std::string& t) override {
    TickSheet::SetStatus(t);
    statuses.push_back(t);
  }
  bool KeepRunning() override { return ++eventRuns != stopAfter; }
};

TEST(Run, OnePaperThatCannotBeMetStopsAtTenAttemptsPerQuestion) {
  const std::vector<ComposeRow> rows = {Q("填空", "5", "甲"), Q("填空", "5", "乙")};
  Drawer drawer(rows, {Plan("填空", "5", 3)}, {});
  CountingSheet sheet(rows);
  app::ProgramRandom random;
  const RunResult r = RunOnePaper(drawer, random, sheet, Paper::A);
  EXPECT_EQ(r.attempts, 30);
  EXPECT_FALSE(r.succeeded);
  EXPECT_TRUE(r.failureDue);
  EXPECT_EQ(r.lastStatus, "5分填空题不够选！");
  EXPECT_EQ(sheet.Total(Paper::A), 0);
}

TEST(Run, TwoPapersWithExactlyEnoughCandidatesAreTheSame) {
  const std::vector<ComposeRow> rows = {Q("填空", "5", "甲"), Q("填空", "5", "乙"),
                                        Q("选择", "2", "丙")};
  Drawer drawer(rows, {Plan("选择", "2", 1), Plan("填空", "5", 2)}, {});
  CountingSheet sheet(rows);
  app::ProgramRandom random;
  const RunResult r = RunBothPapers(drawer, random, sheet, 90);
  EXPECT_EQ(r.attempts, 30);
  EXPECT_TRUE(r.failureDue);
  EXPECT_EQ(sheet.Similarity(), 100);
  EXPECT_EQ(r.lastStatus, "不能满足相似度要求！");
  EXPECT_EQ(sheet.Ticked(Paper::A), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(sheet.Ticked(Paper::B), sheet.Ticked(Paper::A));
}

TEST(Run, TwoPapersWithinTheBound) {
  std::vector<ComposeRow> rows;
  for (int i = 0; i < 20; ++i) rows.push_back(Q("填空", "5", "点" + std::to_string(i)));
  for (int i = 0; i < 10; ++i) rows.push_back(Q("判断", "2"));
  Drawer drawer(rows, {Plan("填空", "5", 4), Plan("判断", "2", 3)}, {});
  CountingSheet sheet(rows);
  app::ProgramRandom random;
  const RunResult r = RunBothPapers(drawer, random, sheet, 30);
  EXPECT_TRUE(r.succeeded);
  EXPECT_FALSE(r.failureDue);
  EXPECT_LE(sheet.Similarity(), 30);
  EXPECT_EQ(sheet.Total(Paper::A), 26);
  EXPECT_EQ(sheet.Total(Paper::B), 26);
  EXPECT_EQ(sheet.Ticked(Paper::A).size(), 7u);
  EXPECT_EQ(r.attempts, sheet.eventRuns + 1) << "no event run after the successful attempt";
}

TEST(Run, StopEndsAfterTheCurrentAttempt) {
  const std::vector<ComposeRow> rows = {Q("填空", "5", "甲"), Q("填空", "5", "乙")};
  Drawer drawer(rows, {Plan("填空", "5", 2)}, {});
  CountingSheet sheet(rows);
  sheet.stopAfter = 3;
  app::ProgramRandom random;
  const RunResult r = RunBothPapers(drawer, random, sheet, 50);
  EXPECT_EQ(r.attempts, 3);
  EXPECT_TRUE(r.failureDue);
}

TEST(Run, SameSeedSamePapers) {
  std::vector<ComposeRow> rows;
  for (int i = 0; i < 40; ++i) rows.push_back(Q(i % 2 ? "填空" : "选择", "3", i % 7 ? "" : "甲"));
  auto run = [&](std::uint32_t seed) {
    Drawer drawer(rows, {Plan("填空", "3", 5), Plan("选择", "3", 6)}, {});
    TickSheet sheet(rows);
    app::ProgramRandom random;
    random.setState(seed);
    RunBothPapers(drawer, random, sheet, 50);
    return std::make_pair(sheet.Ticked(Paper::A), sheet.Ticked(Paper::B));
  };
  EXPECT_EQ(run(1), run(1));
  EXPECT_NE(run(1), run(7));
}

}  // namespace
}  // namespace autocompose
