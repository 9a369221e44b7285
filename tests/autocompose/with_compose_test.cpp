// The window opened from the compose window on a real course bank, and the
// paper command drawing the same papers from the same bank.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "autocompose/auto_compose_window.h"
#include "autocompose/draw_command.h"
#include "compose/compose_window.h"
#include "compose/paper_plan.h"
#include "tests/autocompose/course_fixture.h"
#include "tests/support/database_result.h"
#include "types/numbering_table.h"
#include "ui/testing/scripted_host.h"

namespace autocompose {
namespace {

using testing::Question;

class WithComposeTest : public ::testing::Test {
 protected:
  mc::testing::TempDir dir{"auto"};
  ui::testing::ScriptedHost host;
  recfile::RecordFileEngine engine;
  std::unique_ptr<app::AppContext> ctx;
  std::unique_ptr<compose::ComposeWindow> compose;

  ~WithComposeTest() override {
    compose.reset();
    engine.CloseAll();
  }

  void Open(const std::vector<databases::Question>& questions) {
    testing::WriteCourse(dir.path(), "物理", questions);
    ui::GridControl numbering;
    types::FillDefaultNumberingGrid(numbering);
    ASSERT_TRUE(numbering.SaveToFile(types::NumberingFilePath(dir.path())));
    ctx = std::make_unique<app::AppContext>(engine, host, dir.path());
    ctx->selectedCourse = {"物理", 0};
    ctx->makeAutoComposeWindow = MakeAutoComposeWindow;
    ASSERT_EQ(databases::OpenCourseBank(ctx->db(), "物理", true, 0, ""), mc::testing::Done());
    compose = std::make_unique<compose::ComposeWindow>(*ctx);
    compose->Open(true, nullptr);
  }

  AutoComposeWindow& Auto() {
    EXPECT_TRUE(compose->按钮自动组卷.Click());
    auto* w = dynamic_cast<AutoComposeWindow*>(compose->autoComposeWindow());
    EXPECT_NE(w, nullptr);
    return *w;
  }

  static void Choose(AutoComposeWindow& w, const std::string& type, const std::string& score,
                     int count) {
    auto& g = w.高级表格1;
    for (int r = 1; r < g.RowCount(); ++r) {
      if (g.cellText(r, 0) != type || g.cellText(r, 1) != score) continue;
      g.Click(r, 5);
      ASSERT_TRUE(g.ChooseListItem(r, 5, count)) << type << score;
      return;
    }
    ADD_FAILURE() << "no row " << type << score;
  }
};

// Twelve 填空 of 5 points with their own knowledge points, eight 判断 of 2
// without, a group of 问答 that takes no part.
std::vector<databases::Question> Bank() {
  std::vector<databases::Question> qs;
  for (int i = 0; i < 12; ++i) qs.push_back(Question("填空", 5, "点" + std::to_string(i)));
  databases::Question title = Question("问答", 10);
  title.groupName = "阅读一";
  title.groupNumber = "0";
  title.answer.clear();
  qs.push_back(title);
  databases::Question member = Question("问答", 10);
  member.groupName = "阅读一";
  member.groupNumber = "1";
  qs.push_back(member);
  for (int i = 0; i < 8; ++i) qs.push_back(Question("判断", 2, "", i < 4 ? 3 : 8));
  return qs;
}

TEST_F(WithComposeTest, TheComposeButtonOpensOneWindowAndGetsItsControlsBack) {
  Open(Bank());
  auto& w = Auto();
  EXPECT_EQ(w.caption(), "自动组卷 —— 物理");
  EXPECT_FALSE(w.modal());
  EXPECT_EQ(w.owner(), compose.get());
  EXPECT_FALSE(compose->按钮自动组卷.enabled());
  EXPECT_FALSE(compose->组合框最低难度.enabled());
  ASSERT_EQ(w.高级表格1.RowCount(), 3) << "填空 5, 判断 2; the group left out";
  EXPECT_TRUE(w.UserClose());
  EXPECT_TRUE(compose->按钮自动组卷.enabled());
  EXPECT_TRUE(compose->组合框最高难度.enabled());
}

TEST_F(WithComposeTest, TheWindowAndTheCommandDrawTheSamePapers) {
  Open(Bank());
  auto& w = Auto();
  Choose(w, "填空", "5", 3);
  Choose(w, "判断", "2", 2);
  w.选择框组A卷.Toggle();
  w.选择框组B卷.Toggle();
  w.组合框1.ChooseText("50");
  host.AnswerMessage(ui::kButtonOk, "确定要自动组A、B卷吗？");
  w.按钮开始.Click();
  ASSERT_EQ(host.messages().back().text, "自动组A、B卷完毕，请在组卷窗口查看。");
  const compose::PaperPlan drawn = compose->CurrentPlan();
  ASSERT_EQ(drawn.a.size(), 5u);
  const std::string totals = compose->A卷总分.text() + "/" + compose->B卷总分.text() + "/" +
                             compose->标签相似度.text();

  // The command after a fresh start: the generator at 1 as the window's was.
  EXPECT_TRUE(w.UserClose());
  compose.reset();
  engine.CloseAll();
  std::ostringstream out, err;
  ASSERT_EQ(DrawCommand({"--data-dir", dir.path(), "--course", "物理", "--draw", "填空:5:3,判断:2:2",
                         "--similarity", "50", "--save-plan", dir.path() + "/卷"},
                        out, err),
            0)
      << err.str();
  compose::PaperPlan saved;
  std::string error;
  ASSERT_TRUE(compose::ReadPlanFile(dir.path() + "/卷.mcplan", "物理", saved, error)) << error;
  auto sorted = [](std::vector<std::int64_t> v) {
    std::sort(v.begin(), v.end());
    return v;
  };
  EXPECT_EQ(sorted(saved.a), sorted(drawn.a));
  EXPECT_EQ(sorted(saved.b), sorted(drawn.b));
  EXPECT_EQ(out.str(), "A卷总分：" + totals.substr(0, totals.find('/')) + " B卷总分：" +
                           totals.substr(totals.find('/') + 1, totals.rfind('/') - totals.find('/') - 1) +
                           " 相似度：" + totals.substr(totals.rfind('/') + 1) + "\n");
}

TEST_F(WithComposeTest, NeitherWindowClosesWhileARunIsStopping) {
  Open(Bank());
  auto& w = Auto();
  Choose(w, "填空", "5", 6);
  w.选择框组A卷.Toggle();
  w.选择框组B卷.Toggle();
  w.组合框1.ChooseText("10");
  int runs = 0;
  host.onPendingEvents([&] {
    if (++runs > 1) return;
    w.按钮开始.Click();
    EXPECT_FALSE(compose->UserClose());
    EXPECT_FALSE(w.UserClose());
  });
  host.AnswerMessage(ui::kButtonOk, "确定要自动组A、B卷吗？");
  w.按钮开始.Click();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(compose->enabled());
  EXPECT_EQ(w.按钮开始.caption(), "开始");
  EXPECT_TRUE(w.UserClose());
}

}  // namespace
}  // namespace autocompose
