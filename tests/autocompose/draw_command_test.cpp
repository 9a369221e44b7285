#include "autocompose/draw_command.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "compose/paper_plan.h"
#include "tests/autocompose/course_fixture.h"

namespace autocompose {
namespace {

using testing::Question;

class DrawCommandTest : public ::testing::Test {
 protected:
  mc::testing::TempDir dir{"draw"};
  std::string out, err;

  int Run(std::vector<std::string> args) {
    std::vector<std::string> all = {"--data-dir", dir.path(), "--course", "物理"};
    all.insert(all.end(), args.begin(), args.end());
    std::ostringstream o, e;
    const int rc = DrawCommand(all, o, e);
    out = o.str();
    err = e.str();
    return rc;
  }
  std::string PlanPath() const { return dir.path() + "/卷.mcplan"; }
  compose::PaperPlan ReadPlan() {
    compose::PaperPlan p;
    std::string error;
    EXPECT_TRUE(compose::ReadPlanFile(PlanPath(), "物理", p, error)) << error;
    return p;
  }
};

// Twelve 填空 of 5 points (kps 点0..点11) and eight 判断 of 2, ids 1..20.
std::vector<databases::Question> Bank() {
  std::vector<databases::Question> qs;
  for (int i = 0; i < 12; ++i) qs.push_back(Question("填空", 5, "点" + std::to_string(i)));
  for (int i = 0; i < 8; ++i) qs.push_back(Question("判断", 2, "", i < 4 ? 3 : 8));
  return qs;
}

TEST_F(DrawCommandTest, DrawsBothPapersAndSavesThemAsAPlan) {
  testing::WriteCourse(dir.path(), "物理", Bank());
  ASSERT_EQ(Run({"--draw", "填空:5:3,判断:2:2", "--similarity", "50", "--save-plan",
                 dir.path() + "/卷"}),
            0)
      << err;
  EXPECT_EQ(err, "");
  const auto plan = ReadPlan();
  ASSERT_EQ(plan.a.size(), 5u);
  ASSERT_EQ(plan.b.size(), 5u);
  EXPECT_EQ(plan.course, "物理");
  std::set<std::int64_t> common;
  for (auto id : plan.a) {
    EXPECT_TRUE(id >= 1 && id <= 20);
    for (auto idB : plan.b)
      if (id == idB) common.insert(id);
  }
  int commonScore = 0;
  for (auto id : common) commonScore += id <= 12 ? 5 : 2;
  EXPECT_EQ(out, "A卷总分：19 B卷总分：19 相似度：" + std::to_string(commonScore * 100 / 19) + "\n");
  EXPECT_LE(commonScore * 100 / 19, 50);

  // The same seed gives the same papers; another seed others.
  ASSERT_EQ(Run({"--draw", "填空:5:3,判断:2:2", "--similarity", "50", "--save-plan", PlanPath()}), 0);
  EXPECT_EQ(ReadPlan().a, plan.a);
  EXPECT_EQ(ReadPlan().b, plan.b);
  ASSERT_EQ(Run({"--draw", "填空:5:3,判断:2:2", "--similarity", "50", "--seed", "12345",
                 "--save-plan", PlanPath()}),
            0);
  EXPECT_NE(std::make_pair(ReadPlan().a, ReadPlan().b), std::make_pair(plan.a, plan.b));
}

TEST_F(DrawCommandTest, OnePaperWithinTheDifficultyRange) {
  testing::WriteCourse(dir.path(), "物理", Bank());
  ASSERT_EQ(Run({"--draw", "判断:2:2", "--papers", "B", "--difficulty", "7-9", "--save-plan",
                 PlanPath()}),
            0)
      << err;
  const auto plan = ReadPlan();
  EXPECT_TRUE(plan.a.empty());
  ASSERT_EQ(plan.b.size(), 2u);
  for (auto id : plan.b) EXPECT_GE(id, 17) << "only difficulty 8 questions";
  EXPECT_EQ(out, "A卷总分：0 B卷总分：4 相似度：0\n");
}

TEST_F(DrawCommandTest, PlansThatCannotBeMetExitWithTheReason) {
  auto qs = Bank();
  qs.push_back(Question("名词", 4, "甲|乙"));
  qs.push_back(Question("选择", 3, "丙"));
  qs.push_back(Question("选择", 3, "丁"));
  testing::WriteCourse(dir.path(), "物理", qs);
  struct Case {
    std::vector<std::string> args;
    std::string reason;
  } cases[] = {
      {{"--draw", "名词:4:2"}, "4分名词题：组卷题数2，不重复知识点最多只能选1题。\n"},
      {{"--draw", "选择:3:2"}, "按现在的组卷题数，A、B卷相似度最低为100，高于要求的90。\n"},
      {{"--draw", "填空:5:11", "--similarity", "80"},
       "按现在的组卷题数，A、B卷相似度最低为90，高于要求的80。\n"},
      {{"--draw", "问答:5:1"}, "5分问答题没有可选的试题。\n"},
      {{"--draw", "填空:5:13"}, "5分填空题：组卷题数13，最多只能选12题。\n"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.args[1]);
    c.args.insert(c.args.end(), {"--save-plan", PlanPath()});
    EXPECT_EQ(Run(c.args), 3);
    EXPECT_EQ(err, c.reason);
    EXPECT_EQ(out, "");
  }
  // One paper has no similarity to meet.
  EXPECT_EQ(Run({"--draw", "选择:3:2", "--papers", "A", "--save-plan", PlanPath()}), 0) << err;
}

TEST_F(DrawCommandTest, BadArgumentsAndCoursesExitWithCode2) {
  testing::WriteCourse(dir.path(), "物理", Bank(), "secret");
  struct Case {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{"--draw", "填空:5:1", "--save-plan", "x"}, "课程密码错误！\n"},
      {{"--password", "wrong", "--draw", "填空:5:1", "--save-plan", "x"}, "课程密码错误！\n"},
      {{"--password", "secret", "--draw", "填空5:1", "--save-plan", "x"},
       "--draw 的每一项应为 题型:分值:题数（分值1-100，题数至少1）：填空5:1\n"},
      {{"--password", "secret", "--draw", "填空:5:1,填空:5:2", "--save-plan", "x"},
       "--draw 中5分填空题重复\n"},
      {{"--password", "secret", "--draw", "填空:5:1", "--papers", "C", "--save-plan", "x"},
       "--papers 只能是 AB、A 或 B\n"},
      {{"--password", "secret", "--draw", "填空:5:1", "--difficulty", "8-7", "--save-plan", "x"},
       "--difficulty 应为 最低-最高，1到9，如 7-9\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1]);
    EXPECT_EQ(Run(c.args), 2);
    EXPECT_EQ(err, c.error);
  }
  std::ostringstream o, e;
  EXPECT_EQ(DrawCommand({"--data-dir", dir.path(), "--course", "化学", "--draw", "填空:5:1",
                         "--save-plan", "x"},
                        o, e),
            2);
  EXPECT_EQ(e.str(), "没有课程：化学\n");
  EXPECT_FALSE(std::filesystem::exists(dir.path() + "/x.mcplan"));
  EXPECT_EQ(Run({"--password", "secret", "--draw", "填空:5:1", "--save-plan", PlanPath()}), 0);
}

}  // namespace
}  // namespace autocompose
