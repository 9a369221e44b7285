#include <gtest/gtest.h>

#include "tests/autocompose/window_fixture.h"
#include "ui/shared_helpers.h"

namespace autocompose::testing {
namespace {

using ui::testing::MessageRecord;

TEST_F(AutoComposeTest, OpeningCountsSortsAndColoursTheRows) {
  compose.Add("填空", 5, "甲");
  compose.Add("填空", 5, "甲");
  compose.Add("填空", 5, "");
  compose.Add("填空", 2, "乙");
  compose.Add("判断", 3, "", 5, /*masked=*/true);
  compose.Add("阅读", 10, "", 5, false, "0");
  compose.Add("阅读", 4, "", 5, false, "1");
  auto& w = Open();
  EXPECT_EQ(w.caption(), "自动组卷 —— 物理");
  EXPECT_FALSE(compose.按钮自动组卷.enabled());
  EXPECT_EQ(w.top(), 300);
  // Ascending 可选题数; the masked row is counted in 题数 only.
  EXPECT_EQ(StatColumn(0), (std::vector<std::string>{"判断", "填空", "填空"}));
  EXPECT_EQ(StatColumn(1), (std::vector<std::string>{"3", "2", "5"}));
  EXPECT_EQ(StatColumn(2), (std::vector<std::string>{"1", "1", "3"}));
  EXPECT_EQ(StatColumn(3), (std::vector<std::string>{"", "1", "3"}));
  EXPECT_EQ(StatColumn(4), (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_EQ(StatColumn(5), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(w.globalSelectable(), 3);
  EXPECT_FLOAT_EQ(w.selectableRatio(), 1.0f);
  EXPECT_EQ(w.高级表格1.GetCellBackColour(1, 5), ui::rgb(128, 128, 128));
  EXPECT_EQ(w.高级表格1.GetCellBackColour(2, 0), compose.高级表格题型排序分值.GetCellBackColour(1, 0));
  EXPECT_FALSE(w.按可选题数.enabled());
  for (const ui::Unit* u : std::initializer_list<const ui::Unit*>{&w.标签2, &w.标签7, &w.标签3, &w.标签9,
                                                                 &w.标签11, &w.组合框1})
    EXPECT_FALSE(u->visible()) << u->name();
  EXPECT_FALSE(w.选择框组A卷.enabled());
  EXPECT_FALSE(w.按钮开始.enabled());
  EXPECT_EQ(w.组合框1.text(), "90");
  EXPECT_EQ(w.组合框1.count(), 9);

  // 按题型: the compose window's type order, higher scores first.
  ASSERT_TRUE(w.按题型.Choose());
  EXPECT_EQ(StatColumn(0), (std::vector<std::string>{"填空", "填空", "判断"}));
  EXPECT_EQ(StatColumn(1), (std::vector<std::string>{"5", "2", "3"}));
  EXPECT_EQ(w.高级表格1.GetCellBackColour(3, 0), ui::rgb(128, 128, 128));
  EXPECT_TRUE(w.按可选题数.enabled());
  EXPECT_FALSE(w.按题型.enabled());
  // The right button offers the same menu.
  host.AnswerPopup("按可选题数(&S)");
  w.高级表格1.RightClickCell(1, 1);
  EXPECT_EQ(StatColumn(0), (std::vector<std::string>{"判断", "填空", "填空"}));
}

TEST_F(AutoComposeTest, OnlyGroupedQuestionsLeaveNothingToChoose) {
  compose.Add("阅读", 10, "", 5, false, "0");
  compose.Add("阅读", 10, "", 5, false, "1");
  auto& w = Open();
  EXPECT_EQ(w.高级表格1.RowCount(), 1);
  EXPECT_EQ(w.标签8.text(), "");
  EXPECT_FALSE(w.选择框组A卷.enabled());
  EXPECT_FLOAT_EQ(w.selectableRatio(), 0.0f);
}

TEST_F(AutoComposeTest, OffersFollowTheRatioAndTheCourseWideCount) {
  // 填空 5: 4 selectable; 判断 2: 4 selectable sharing 甲乙丙丁 with 填空.
  for (const char* kp : {"甲", "乙", "丙", "丁"}) compose.Add("填空", 5, kp);
  for (const char* kp : {"甲", "乙", "丙", "丁"}) compose.Add("判断", 2, kp);
  compose.Add("选择", 3, "戊");
  auto& w = Open();
  EXPECT_FLOAT_EQ(w.selectableRatio(), 0.56f);  // 5 / 9
  EXPECT_EQ(Offer("填空", "5"), (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_EQ(Offer("选择", "3"), (std::vector<std::string>{"0", "1"}));  // 0.56 rounds to 1
  ASSERT_TRUE(Choose("填空", "5", "2"));
  ASSERT_TRUE(Choose("判断", "2", "2"));
  EXPECT_EQ(w.chosenTotal(), 4);
  EXPECT_EQ(Offer("选择", "3"), (std::vector<std::string>{"0", "1"}));
  ASSERT_TRUE(Choose("选择", "3", "1"));
  EXPECT_EQ(Offer("填空", "5"), (std::vector<std::string>{"0", "1", "2"})) << "its own 2 count back";
  ASSERT_TRUE(Choose("判断", "2", "0"));
  EXPECT_EQ(Offer("判断", "2"), (std::vector<std::string>{"0", "1", "2"}));

  // A row with nothing selectable cannot be edited; other columns neither.
  compose.Add("问答", 9, "", 5, true);
  w.CountStatistics();
  w.高级表格1.Click(StatRow("问答", "9"), 5);
  EXPECT_FALSE(w.高级表格1.Editable());
  w.高级表格1.Click(StatRow("填空", "5"), 2);
  EXPECT_FALSE(w.高级表格1.Editable());
}

TEST_F(AutoComposeTest, ChosenCountsFillThePlanAndTheTypeTotals) {
  for (const char* kp : {"甲", "乙", "丙", "丁"}) compose.Add("填空", 5, kp);
  for (const char* kp : {"子", "丑"}) compose.Add("填空", 2, kp);
  auto& w = Open();
  ASSERT_TRUE(Choose("填空", "5", "3"));
  ASSERT_TRUE(Choose("填空", "2", "1"));
  EXPECT_EQ(w.标签8.text(), "17");
  EXPECT_EQ(w.高级表格2.RowCount(), 2);
  EXPECT_EQ(w.高级表格2.cellText(1, 0), "填空");
  EXPECT_EQ(w.高级表格2.cellText(1, 1), "17");
  ASSERT_EQ(w.高级表格3.RowCount(), 3);
  EXPECT_EQ(w.高级表格3.cellText(1, 1), "5");
  EXPECT_EQ(w.高级表格3.cellText(1, 4), "3");
  EXPECT_TRUE(w.选择框组A卷.enabled());

  // Typed counts are kept within the offer: digits of the main keyboard
  // are swallowed, a typed text is clamped.
  auto& g = w.高级表格1;
  const int r = StatRow("填空", "5");
  g.Click(r, 5);
  EXPECT_FALSE(g.PressKey('7'));
  EXPECT_TRUE(g.EditCell(r, 5, "9"));
  EXPECT_EQ(g.cellText(r, 5), "4");
  EXPECT_EQ(w.chosenTotal(), 5);
  g.Click(r, 5);
  EXPECT_TRUE(g.EditCell(r, 5, "-3"));
  EXPECT_EQ(g.cellText(r, 5), "0");
  EXPECT_EQ(w.chosenTotal(), 1);
  EXPECT_EQ(w.高级表格3.RowCount(), 2) << "a count of 0 leaves the plan";
  EXPECT_EQ(w.标签8.text(), "2");
  ASSERT_TRUE(Choose("填空", "2", "0"));
  EXPECT_EQ(w.高级表格2.RowCount(), 1) << "the type's total fell below 1";
  EXPECT_EQ(w.标签8.text(), "0");
  EXPECT_FALSE(w.选择框组A卷.enabled());
  EXPECT_EQ(w.chosenTotal(), 0);
}

TEST_F(AutoComposeTest, PaperChoiceShowsTheRunControls) {
  for (const char* kp : {"甲", "乙", "丙", "丁"}) compose.Add("填空", 5, kp);
  auto& w = Open();
  ASSERT_TRUE(Choose("填空", "5", "2"));
  ASSERT_TRUE(w.选择框组A卷.Toggle());
  EXPECT_TRUE(w.按钮开始.enabled());
  EXPECT_TRUE(w.标签9.visible());
  EXPECT_FALSE(w.组合框1.visible());
  EXPECT_EQ(w.标签10.text(), "20");
  ASSERT_TRUE(w.选择框组B卷.Toggle());
  EXPECT_TRUE(w.组合框1.visible());
  EXPECT_TRUE(w.标签7.visible());
  ASSERT_TRUE(Choose("填空", "5", "1"));
  EXPECT_EQ(w.标签10.text(), "10");
  EXPECT_EQ(w.标签11.text(), "0");
  w.选择框组A卷.Toggle();
  w.选择框组B卷.Toggle();
  EXPECT_FALSE(w.按钮开始.enabled());
  EXPECT_FALSE(w.标签9.visible());
}

class AutoComposeRunTest : public AutoComposeTest {
 protected:
  MessageRecord Last() const { return host.messages().back(); }
};

TEST_F(AutoComposeRunTest, OnePaperDrawnIntoTheComposeGrid) {
  for (int i = 0; i < 6; ++i) compose.Add("填空", 5, "点" + std::to_string(i), i < 3 ? 2 : 8);
  compose.Add("判断", 2);
  compose.Add("判断", 2);
  compose.高级表格1.SetCellData(7, 11, ui::CellKind::Check, true);  // an earlier tick
  compose.组合框最低难度.setText("7");
  auto& w = Open();
  ASSERT_TRUE(Choose("填空", "5", "2"));
  ASSERT_TRUE(w.选择框组A卷.Toggle());
  host.AnswerMessage(ui::kButtonOk, "自动组A卷将取消原来A卷所有选择，确定要自动组A卷吗？");
  ASSERT_TRUE(w.按钮开始.Click());
  EXPECT_EQ(Last().text, "自动A组卷完毕，请在组卷窗口查看。");
  EXPECT_EQ(Last().icon, ui::MessageIcon::Information);
  EXPECT_EQ(Last().owner, w.caption());
  const auto ticked = compose.Ticked(11);
  ASSERT_EQ(ticked.size(), 2u);
  for (int r : ticked) EXPECT_GE(r, 4) << "only difficulty 8 is in range";
  EXPECT_EQ(compose.A卷总分.text(), "10");
  EXPECT_EQ(w.标签11.text(), "1");
  EXPECT_EQ(w.按钮开始.caption(), "开始");
  EXPECT_TRUE(compose.enabled());
  EXPECT_TRUE(w.高级表格1.enabled());
  EXPECT_EQ(w.状态条1.text(), "");
  EXPECT_FALSE(w.running());
  EXPECT_TRUE(host.runningTimers().empty());

  // Cancel draws nothing.
  host.AnswerMessage(ui::kButtonCancel);
  w.按钮开始.Click();
  EXPECT_EQ(compose.Ticked(11), ticked);
}

TEST_F(AutoComposeRunTest, ShortRowFailsEveryAttemptAndTheRunSaysWhyFirst) {
  compose.Add("填空", 5, "甲|乙");
  compose.Add("填空", 5, "甲|乙");
  compose.Add("判断", 2, "");
  auto& w = Open();
  ASSERT_TRUE(Choose("填空", "5", "2"));
  ASSERT_TRUE(Choose("判断", "2", "1"));
  ASSERT_TRUE(w.选择框组B卷.Toggle());
  // Cancel at the reasons: nothing starts.
  host.AnswerMessage(ui::kButtonCancel, "5分填空题：组卷题数2，不重复知识点最多只能选1题。");
  w.按钮开始.Click();
  EXPECT_EQ(Last().icon, ui::MessageIcon::Warning);
  EXPECT_EQ(Last().text, "5分填空题：组卷题数2，不重复知识点最多只能选1题。\r\n仍要开始自动组卷吗？");
  EXPECT_EQ(host.pendingEventRuns(), 0);
  // Started anyway: every attempt fails on that row, 10 per question.
  host.AnswerMessage(ui::kButtonOk, "不重复知识点");
  host.AnswerMessage(ui::kButtonOk, "自动组B卷将取消原来B卷所有选择");
  w.按钮开始.Click();
  EXPECT_EQ(w.标签11.text(), "30");
  EXPECT_EQ(w.状态条1.text(), "5分填空题不够选！");
  EXPECT_EQ(Last().text, "自动组B卷不成功！");
  EXPECT_EQ(Last().icon, ui::MessageIcon::Warning);
  EXPECT_TRUE(w.drawFailed());
  // The plan was drawn fewest first: 判断 stays ticked, 填空 not.
  EXPECT_EQ(compose.Ticked(12), std::vector<int>{3});
}

TEST_F(AutoComposeRunTest, TwoPapersThatMustBeTheSame) {
  compose.Add("填空", 5, "甲");
  compose.Add("填空", 5, "乙");
  auto& w = Open();
  ASSERT_TRUE(Choose("填空", "5", "2"));
  w.选择框组A卷.Toggle();
  w.选择框组B卷.Toggle();
  host.AnswerMessage(ui::kButtonOk, "A、B卷相似度最低为100，高于要求的90。");
  host.AnswerMessage(ui::kButtonOk, "自动组A、B卷将取消原来A、B卷所有选择，确定要自动组A、B卷吗？");
  w.按钮开始.Click();
  EXPECT_EQ(host.pendingEventRuns(), 20);
  EXPECT_EQ(w.标签11.text(), "20");
  EXPECT_EQ(w.标签7.text(), "100");
  EXPECT_EQ(w.状态条1.text(), "不能满足相似度要求！");
  EXPECT_EQ(Last().text, "自动组A、B卷不成功！");
  EXPECT_EQ(compose.Ticked(11), (std::vector<int>{1, 2}));
  EXPECT_EQ(compose.Ticked(12), (std::vector<int>{1, 2}));
  EXPECT_TRUE(host.ScriptUsedUp());
}

TEST_F(AutoComposeRunTest, StopAsksAndTheLoopCleansUp) {
  for (int i = 0; i < 4; ++i) compose.Add("填空", 5, "点" + std::to_string(i));
  auto& w = Open();
  ASSERT_TRUE(Choose("填空", "5", "2"));
  w.选择框组A卷.Toggle();
  w.选择框组B卷.Toggle();
  w.组合框1.ChooseText("10");  // hard to meet: only disjoint papers pass
  int runs = 0;
  host.onPendingEvents([&] {
    if (++runs == 1) {
      host.TickTimers();
      host.TickTimers();
      EXPECT_EQ(w.标签6.text(), "用时： 0时 0分 2秒");
      EXPECT_FALSE(compose.enabled());
      EXPECT_FALSE(w.UserClose());
      EXPECT_EQ(host.messages().back().text, "请先停止自动组卷！");
      EXPECT_EQ(host.messages().back().icon, ui::MessageIcon::Information);
      ASSERT_EQ(w.按钮开始.caption(), "停止");
      w.按钮开始.Click();
      EXPECT_FALSE(w.running());
      // Stopping: nothing may close under the loop yet.
      EXPECT_FALSE(compose.enabled());
      EXPECT_FALSE(w.UserClose());
    }
  });
  host.AnswerMessage(ui::kButtonOk, "确定要自动组A、B卷吗？");
  w.按钮开始.Click();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(w.标签11.text(), "1");
  EXPECT_TRUE(compose.enabled());
  EXPECT_EQ(w.按钮开始.caption(), "开始");
  EXPECT_TRUE(w.高级表格1.enabled());
  EXPECT_TRUE(w.组合框1.enabled());
  EXPECT_TRUE(host.runningTimers().empty());
  EXPECT_EQ(w.进度条1.position(), 0);
  // Closed now: the compose window gets its controls back.
  EXPECT_TRUE(w.UserClose());
  EXPECT_TRUE(compose.组合框最低难度.enabled());
  EXPECT_TRUE(compose.按钮自动组卷.enabled());
}

TEST_F(AutoComposeRunTest, AnAttemptThatMeetsTheBoundEndsTheRunAtOnce) {
  for (int i = 0; i < 20; ++i) compose.Add("填空", 5, "点" + std::to_string(i));
  auto& w = Open();
  ASSERT_TRUE(Choose("填空", "5", "2"));
  w.选择框组A卷.Toggle();
  w.选择框组B卷.Toggle();
  // With 20 questions for 2 the first attempt passes the bound of 90.
  host.AnswerMessage(ui::kButtonOk);
  w.按钮开始.Click();
  EXPECT_EQ(Last().text, "自动组A、B卷完毕，请在组卷窗口查看。");
  EXPECT_EQ(host.pendingEventRuns(), 0);
}

TEST_F(AutoComposeRunTest, ElapsedTimeLabel) {
  compose.Add("填空", 5);
  auto& w = Open();
  for (int i = 0; i < 3725; ++i) w.TickElapsed();
  EXPECT_EQ(w.标签6.text(), "用时： 1时 2分 5秒");
}

TEST_F(AutoComposeRunTest, HelpWindow) {
  compose.Add("填空", 5);
  auto& w = Open();
  ASSERT_TRUE(w.自动组卷帮助.Choose());
  ASSERT_NE(w.helpWindow(), nullptr);
  EXPECT_TRUE(w.helpWindow()->isOpen());
  EXPECT_FALSE(w.helpWindow()->modal());
  EXPECT_EQ(w.helpWindow()->owner(), &w);
  EXPECT_EQ(w.helpWindow()->caption(), "自动组卷帮助");
  EXPECT_EQ(w.helpWindow()->编辑框1.text(),
            "\r\n    自动组卷时相同知识点（不包括空知识点）不会重复。\r\n\r\n"
            "    可用题数是指未屏蔽且满足难度要求的题数；可选题数是指从可用题数中\r\n\r\n"
            " 再排除相同知识点后的题数。\r\n\r\n"
            "    某一题型不够选时，应按可选题数降序排序后调整该题型以前的组卷题数。\r\n\r\n"
            "    不能满足A、B卷相似度时应调整各组卷题型题数或放宽A、B卷相似度要求\r\n\r\n"
            " 值。\r\n\r\n");
}

TEST(AutoComposeRestart, SameActionsAfterAStartGiveTheSamePapers) {
  auto play = [] {
    struct Run : AutoComposeTest {
      void TestBody() override {}
    } t;
    for (int i = 0; i < 30; ++i) t.compose.Add(i % 3 ? "填空" : "判断", 5, i % 4 ? "" : "点" + std::to_string(i));
    auto& w = t.Open();
    EXPECT_TRUE(t.Choose("填空", "5", "5"));
    EXPECT_TRUE(t.Choose("判断", "5", "3"));
    w.选择框组A卷.Toggle();
    w.选择框组B卷.Toggle();
    w.组合框1.ChooseText("50");
    t.host.AnswerMessage(ui::kButtonOk);
    w.按钮开始.Click();
    return std::make_pair(t.compose.Ticked(11), t.compose.Ticked(12));
  };
  const auto first = play();
  EXPECT_EQ(first.first.size(), 8u);
  EXPECT_EQ(play(), first);
}

}  // namespace
}  // namespace autocompose::testing
