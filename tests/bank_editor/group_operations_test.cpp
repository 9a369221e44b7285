#include <gtest/gtest.h>

#include "bank_editor/question_text_editor.h"
#include "editor_fixture.h"

namespace bank_editor::testing {
namespace {

class Groups : public EditorFixture {
 protected:
  // A group 阅读 of a title and members of 4, 6 and a masked 5, and a single.
  void OpenReading() {
    OpenEditor({Grouped("阅读", "0", "材料", 10), Grouped("阅读", "1", "问一", 4),
                Grouped("阅读", "2", "问二", 6), Grouped("阅读", "3", "问三", 5, true),
                Question("单题")});
  }
  std::int64_t DiskInt(int row, int field) {
    return std::get<std::int64_t>(DiskField(IdOf(row), field));
  }
  std::string DiskText(int row, int field) {
    return std::get<std::string>(DiskField(IdOf(row), field));
  }
  bool DiskFlag(int row, int field) { return std::get<bool>(DiskField(IdOf(row), field)); }
  // Types a group name into the question text editor of a row.
  void NameGroup(int row, const std::string& name, bool expectOpenAfter = false) {
    host_.onShow("试题编辑", [name, expectOpenAfter](ui::Window& w) {
      auto& e = dynamic_cast<QuestionTextEditor&>(w);
      e.编辑框1.setText(name);
      e.按钮确定.Click();
      EXPECT_EQ(e.isOpen(), expectOpenAfter);
      if (e.isOpen()) e.按钮取消.Click();
    });
    grid().DoubleClick(row, kColGroupName);
  }
};

TEST_F(Groups, GroupNumbersTypedInPlace) {
  OpenReading();
  struct Case {
    const char* text1;
    const char* typed;
    const char* message;  // "" when accepted
    const char* shown;
  };
  const Case cases[] = {
      {"问一", "100", "只能输入0-99的数字！", "1"},
      {"问一", "abc", "只能输入0-99的数字！", "1"},
      {"问一", "-3", "只能输入0-99的数字！", "1"},
      {"问一", "0", "已存在标题分组序号！", "1"},
      {"问一", " 7 ", "", "7"},
      {"问二", "5a", "", "5"},
      {"问二", "0000005", "", "5"},
      {"问二", "00000000000000000000123", "只能输入0-99的数字！", "5"},
      {"材料", "3", "不能更改标题分组序号！", "0"},
      {"材料", "", "不能删除带有子分组试题的标题分组序号！", "0"},
      {"单题", "5", "不能单独添加标题分组序号！", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text1) + " <- " + c.typed);
    host_.ClearRecords();
    const int row = RowOf(c.text1);
    grid().Click(row, kColGroupNumber);
    grid().EditCell(row, kColGroupNumber, c.typed);
    EXPECT_EQ(cell(row, kColGroupNumber), c.shown);
    EXPECT_EQ(DiskText(row, databases::kGroupNumber), c.shown);
    if (*c.message)
      EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{c.message});
    else
      EXPECT_TRUE(host_.messages().empty());
  }
}

TEST_F(Groups, TheTitleScoreFollowsItsUnmaskedMembers) {
  OpenReading();
  const int title = RowOf("材料");
  const int masked = RowOf("问三");
  EXPECT_EQ(cell(title, kColScore), "10");
  grid().Click(masked, kColMasked);  // unmask the member
  EXPECT_EQ(cell(title, kColScore), "15");
  grid().Click(title, kColMasked);  // mask the title: the whole group
  EXPECT_EQ(cell(title, kColScore), "");
  for (int r : {RowOf("问一"), RowOf("问二"), masked}) {
    EXPECT_TRUE(grid().cellChecked(r, kColMasked));
    EXPECT_TRUE(DiskFlag(r, databases::kMasked));
  }
  grid().Click(masked, kColMasked);  // a member cannot be unmasked now
  EXPECT_TRUE(grid().cellChecked(masked, kColMasked));
  grid().Click(title, kColMasked);
  EXPECT_EQ(cell(title, kColScore), "15");
  EXPECT_EQ(DiskInt(title, databases::kScore), 15);
  EXPECT_FALSE(grid().cellChecked(masked, kColMasked));
  EXPECT_FALSE(DiskFlag(masked, databases::kMasked));

  grid().Click(RowOf("问二"), kColScore);
  grid().EditCell(RowOf("问二"), kColScore, "9");
  EXPECT_EQ(cell(title, kColScore), "18");
  EXPECT_EQ(DiskInt(title, databases::kScore), 18);
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(Groups, MembersFollowTheTitleTypeAndDifficulty) {
  OpenReading();
  const int title = RowOf("材料");
  const int member = RowOf("问一");
  grid().Click(member, kColType);
  grid().ChooseListItem(member, kColType, 0);
  grid().Click(member, kColDifficulty);
  grid().ChooseListItem(member, kColDifficulty, 4);
  EXPECT_EQ(host_.MessageTexts(), (std::vector<std::string>{"不能改变非标题分组试题的题型！",
                                                            "不能更改非标题分组试题的难度值！"}));
  EXPECT_EQ(cell(member, kColType), "填空");
  EXPECT_EQ(cell(member, kColDifficulty), "1");

  grid().Click(title, kColType);
  host_.AnswerMessage(ui::kButtonOk, "确定要更改该标题分组试题的题型吗？");
  grid().ChooseListItem(title, kColType, 4);
  grid().Click(title, kColDifficulty);
  host_.AnswerMessage(ui::kButtonOk, "确定要更改该分组试题分组的难度吗？");
  grid().ChooseListItem(title, kColDifficulty, 2);
  for (int r : {title, member, RowOf("问三")}) {
    EXPECT_EQ(DiskText(r, databases::kQuestionType), "问答");
    EXPECT_EQ(cell(r, kColDifficulty), "3");
    EXPECT_EQ(DiskInt(r, databases::kDifficulty), 3);
  }
  EXPECT_EQ(DiskText(RowOf("单题"), databases::kQuestionType), "填空");
}

TEST_F(Groups, ASingleQuestionJoinsAGroupOrFoundsOne) {
  Q other = Question("别型");
  other.type = "判断";
  Q harder = Question("难题");
  harder.difficulty = 4;
  Q founder = Question("新组");
  founder.choice = founder.fixedScore = true;
  OpenEditor({Grouped("阅读", "0", "材料", 4), Grouped("阅读", "1", "问一", 4), other, harder,
              founder});
  NameGroup(RowOf("别型"), "阅读", true);
  EXPECT_EQ(host_.MessageTexts().back(), "当前题型与分组 阅读 题型不一致！");

  host_.AnswerMessage(ui::kButtonOk, "将该题加入分组 阅读 会改变该题难度，确定加入吗？");
  NameGroup(RowOf("难题"), " 阅 读 ");
  const int joined = RowOf("难题");
  EXPECT_EQ(cell(joined, kColGroupName), "阅读");
  EXPECT_EQ(cell(joined, kColGroupNumber), "1");
  EXPECT_EQ(cell(joined, kColDifficulty), "1");
  EXPECT_EQ(DiskInt(joined, databases::kDifficulty), 1);
  EXPECT_EQ(cell(RowOf("材料"), kColScore), "9");
  EXPECT_EQ(DiskInt(RowOf("材料"), databases::kScore), 9);
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 3 题）");
  EXPECT_EQ(joined, RowOf("材料") + 2);  // sorted into its group
  EXPECT_EQ(Cursor(), std::make_pair(joined, int{kColGroupName}));

  host_.AnswerMessage(ui::kButtonOk, "将该题转为标题分组试题");
  NameGroup(RowOf("新组"), "完形");
  const int founded = RowOf("新组");
  EXPECT_EQ(cell(founded, kColGroupNumber), "0");
  EXPECT_EQ(cell(founded, kColAnswer), "");
  EXPECT_EQ(cell(founded, kColScore), "");
  EXPECT_EQ(DiskText(founded, databases::kAnswer), "");
  EXPECT_EQ(DiskInt(founded, databases::kScore), 0);
  for (int field : {databases::kChoice, databases::kFixedScore}) {
    EXPECT_FALSE(grid().cellChecked(founded, field - 1));
    EXPECT_FALSE(DiskFlag(founded, field));
  }
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 3 题）");
}

TEST_F(Groups, RenamingATitleRenamesItsMembersUnlessTheNameIsTaken) {
  OpenEditor({Grouped("阅读", "0", "材料", 4), Grouped("阅读", "1", "问一", 4),
              Grouped("完形", "0", "短文", 0)});
  NameGroup(RowOf("材料"), "完形");
  EXPECT_EQ(host_.MessageTexts().back(), "新分组名的标题试题已经存在！");
  EXPECT_EQ(cell(RowOf("材料"), kColGroupName), "阅读");
  host_.AnswerMessage(ui::kButtonOk, "确定要更改标题分组名吗？");
  NameGroup(RowOf("材料"), "阅读二");
  for (const char* t : {"材料", "问一"}) {
    EXPECT_EQ(cell(RowOf(t), kColGroupName), "阅读二");
    EXPECT_EQ(DiskText(RowOf(t), databases::kGroupName), "阅读二");
  }
}

TEST_F(Groups, ATitleIsDissolvedOnlyAfterItsMembersLeft) {
  OpenEditor({Grouped("阅读", "0", "材料", 4), Grouped("阅读", "1", "问一", 4)});
  const int member = RowOf("问一");
  const int title = RowOf("材料");
  grid().Click(member, kColGroupNumber);
  host_.AnswerMessage(ui::kButtonOk, "确定要删除该试题的分组吗？");
  grid().EditCell(member, kColGroupNumber, "");
  EXPECT_EQ(cell(member, kColGroupName), "");
  EXPECT_EQ(cell(title, kColScore), "");
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 2 题）");

  grid().Click(title, kColGroupNumber);
  host_.AnswerMessage(ui::kButtonOk, "确定要删除该试题分组吗？");
  grid().EditCell(title, kColGroupNumber, "");
  EXPECT_EQ(DiskText(title, databases::kGroupName), "");
  EXPECT_EQ(DiskText(title, databases::kAnswer), "请输入答案");
  EXPECT_EQ(DiskInt(title, databases::kScore), 0);
  grid().Click(member, kColText1);  // it must be completed before it is left
  EXPECT_EQ(host_.MessageTexts().back(), "请完善答案！");
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 2 题）");
}

TEST_F(Groups, AMemberMovesToAnotherGroupOrFoundsOneOrLeaves) {
  OpenEditor({Grouped("阅读", "0", "材料", 10), Grouped("阅读", "1", "问一", 4),
              Grouped("阅读", "2", "问二", 6), Grouped("完形", "0", "短文", 3),
              Grouped("完形", "1", "空一", 3)});
  const auto titleScore = [&](const char* title) { return DiskInt(RowOf(title), databases::kScore); };

  // Into a group with a title: the number stays, both titles follow.
  host_.AnswerMessage(ui::kButtonOk, "确定要更改该分组名吗？");
  NameGroup(RowOf("问二"), "完形");
  EXPECT_EQ(cell(RowOf("问二"), kColGroupName), "完形");
  EXPECT_EQ(DiskText(RowOf("问二"), databases::kGroupNumber), "2");
  EXPECT_EQ(titleScore("材料"), 4);
  EXPECT_EQ(titleScore("短文"), 9);
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 2 题）");

  // Into a name no title has: it becomes that group's title.
  host_.AnswerMessage(ui::kButtonOk, "确定要更改该分组名吗？");
  host_.AnswerMessage(ui::kButtonOk, "将该题转为标题分组试题");
  NameGroup(RowOf("问一"), "新组");
  EXPECT_EQ(DiskText(RowOf("问一"), databases::kGroupNumber), "0");
  EXPECT_EQ(DiskText(RowOf("问一"), databases::kAnswer), "");
  EXPECT_EQ(DiskInt(RowOf("问一"), databases::kScore), 0);
  EXPECT_EQ(titleScore("材料"), 0);
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 3 题）");

  // An emptied name: out of the group without being asked.
  host_.ClearRecords();
  NameGroup(RowOf("空一"), "");
  EXPECT_TRUE(host_.messages().empty());
  EXPECT_EQ(DiskText(RowOf("空一"), databases::kGroupName), "");
  EXPECT_EQ(titleScore("短文"), 6);
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 4 题）");

  // Cancel leaves the member where it was.
  host_.AnswerMessage(ui::kButtonCancel, "确定要更改该分组名吗？");
  NameGroup(RowOf("问二"), "阅读");
  EXPECT_EQ(DiskText(RowOf("问二"), databases::kGroupName), "完形");
  EXPECT_EQ(titleScore("短文"), 6);
}

TEST_F(Groups, RefusalsAndCancelsLeaveTheBankAsItWas) {
  OpenReading();
  const std::string before = ReadFileBytes(BankFile());
  const int title = RowOf("材料");

  NameGroup(title, "", false);
  EXPECT_EQ(host_.MessageTexts().back(), "不能删除带有子分组试题的标题分组名！");
  NameGroup(RowOf("单题"), std::string(511, 'x') + "组", true);
  EXPECT_EQ(host_.MessageTexts().back(), "分组名长度超标！");
  NameGroup(title, " 阅 读 ");  // its own name again: nothing to do
  grid().Click(title, kColType);
  grid().EditCell(title, kColType, "作文");
  EXPECT_EQ(host_.MessageTexts().back(), "请直接选择题型！");
  host_.AnswerMessage(ui::kButtonCancel, "确定要更改该标题分组试题的题型吗？");
  grid().ChooseListItem(title, kColType, 4);
  host_.AnswerMessage(ui::kButtonCancel, "确定要更改该分组试题分组的难度吗？");
  grid().Click(title, kColDifficulty);
  grid().ChooseListItem(title, kColDifficulty, 5);
  host_.AnswerMessage(ui::kButtonCancel, "确定要删除该试题的分组吗？");
  grid().Click(RowOf("问一"), kColGroupNumber);
  grid().EditCell(RowOf("问一"), kColGroupNumber, "");

  EXPECT_EQ(host_.MessageTexts(),
            (std::vector<std::string>{"不能删除带有子分组试题的标题分组名！", "分组名长度超标！",
                                      "请直接选择题型！", "确定要更改该标题分组试题的题型吗？",
                                      "确定要更改该分组试题分组的难度吗？",
                                      "确定要删除该试题的分组吗？"}));
  EXPECT_EQ(cell(title, kColType), "填空");
  EXPECT_EQ(cell(title, kColDifficulty), "1");
  EXPECT_EQ(cell(RowOf("问一"), kColGroupNumber), "1");
  EXPECT_EQ(ReadFileBytes(BankFile()), before);
}

TEST_F(Groups, ATitleTypeEmptiedOrBlankIsRefusedWithTheTypeMessage) {
  OpenReading();
  const std::string before = ReadFileBytes(BankFile());
  const int title = RowOf("材料");
  for (const char* typed : {"", "  "}) {
    SCOPED_TRACE(std::string("typed \"") + typed + "\"");
    host_.ClearRecords();
    grid().Click(title, kColType);
    grid().EditCell(title, kColType, typed);
    EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"请直接选择题型！"});
    EXPECT_EQ(cell(title, kColType), "填空");
  }
  EXPECT_EQ(ReadFileBytes(BankFile()), before);
}

TEST_F(Groups, JoiningAMaskedGroupMasksTheQuestionAndKeepsTheLastGroupOrder) {
  OpenEditor({Grouped("A", "0", "甲题", 0, true), Grouped("B", "0", "乙题", 4),
              Grouped("B", "1", "乙一", 4), Question("单一"), Question("单二")});
  EXPECT_EQ(RowOf("单一"), 4);  // loaded in descending order: singles last
  grid().Click(RowOf("乙题"), kColGroupName);
  host_.AnswerPopup("升序(&A)");
  grid().RightClickCell(RowOf("乙题"), kColGroupName);
  EXPECT_EQ(RowOf("单一"), 1);

  NameGroup(RowOf("单二"), "A");
  const int joined = RowOf("单二");
  EXPECT_EQ(joined, RowOf("甲题") + 1);
  EXPECT_EQ(RowOf("单一"), 1);  // still ascending
  EXPECT_TRUE(grid().cellChecked(joined, kColMasked));
  EXPECT_TRUE(DiskFlag(joined, databases::kMasked));
  EXPECT_EQ(DiskInt(RowOf("甲题"), databases::kScore), 0);
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 3 题）");
}

TEST_F(Groups, MembersOfOneNumberKeepTheirOrderInTheGroupSort) {
  OpenEditor({Grouped("G", "0", "t", 8), Grouped("G", "1", "m2", 4), Grouped("G", "1", "m1", 4)});
  EXPECT_LT(RowOf("m2"), RowOf("m1"));
  grid().Click(1, kColText1);
  host_.AnswerPopup("升序(&A)");
  grid().RightClickCell(1, kColText1);
  EXPECT_EQ(RowOf("m1"), 1);
  grid().Click(1, kColGroupName);
  host_.AnswerPopup("降序(&S)");
  grid().RightClickCell(1, kColGroupName);
  EXPECT_EQ(RowOf("t"), 1);
  EXPECT_EQ(RowOf("m1"), 2);
  EXPECT_EQ(RowOf("m2"), 3);
}

TEST_F(Groups, AGroupWriteThatFailsHalfWayLeavesEveryRowAsItWas) {
  OpenReading();
  const std::string before = ReadFileBytes(BankFile());
  const int title = RowOf("材料");
  fs_->failNthWrite = 2;  // the first member is written, the second is not
  grid().Click(title, kColMasked);
  EXPECT_EQ(fs_->failNthWrite, 0);
  EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"磁盘空间不够"});
  EXPECT_FALSE(grid().cellChecked(title, kColMasked));
  EXPECT_FALSE(grid().cellChecked(RowOf("问一"), kColMasked));
  EXPECT_EQ(cell(title, kColScore), "10");
  EXPECT_EQ(ReadFileBytes(BankFile()), before);
}

}  // namespace
}  // namespace bank_editor::testing
