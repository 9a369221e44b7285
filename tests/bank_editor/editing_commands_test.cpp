#include <gtest/gtest.h>

#include <fstream>

#include "bank_editor/question_text_editor.h"
#include "editor_fixture.h"

namespace bank_editor::testing {
namespace {

class Commands : public EditorFixture {
 protected:
  // Plays the text editor that adding opens.
  void TypeNewQuestion(std::optional<std::string> text1) {
    host_.onShow("试题编辑", [text1](ui::Window& w) {
      auto& e = dynamic_cast<QuestionTextEditor&>(w);
      EXPECT_EQ(e.caption(), "编辑题文1");
      if (!text1) return e.按钮取消.Click(), void();
      e.编辑框1.setText(*text1);
      e.按钮确定.Click();
    });
  }
  std::int64_t DiskScore(std::int64_t id) {
    return std::get<std::int64_t>(DiskField(id, databases::kScore));
  }
};

TEST_F(Commands, AddingPutsANewQuestionBelowTheCurrentRowAndHoldsTheUserThere) {
  OpenEditor({Question("甲"), Question("乙")});
  grid().Click(1, kColText1);
  TypeNewQuestion("新题");
  editor_->菜单添加.Choose();
  ASSERT_EQ(grid().RowCount(), 4);
  EXPECT_EQ(cell(2, kColText1), "新题");
  EXPECT_EQ(cell(2, kColDifficulty), "1");
  EXPECT_EQ(cell(2, kColScore), "");
  EXPECT_EQ(Cursor(), std::make_pair(2, int{kColText1}));
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 3 题）");
  const auto records = ReadBankFromDisk();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(std::get<std::string>(records[2][databases::kQuestionText1 - 1]), "新题");
  EXPECT_EQ(std::get<std::int64_t>(records[2][databases::kDifficulty - 1]), 1);
  // Incomplete: it has no type.
  grid().Click(3, kColText1);
  EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"请选择题型！"});
  EXPECT_EQ(Cursor(), std::make_pair(2, int{kColType}));
  // Nor can another one be added before it is complete.
  editor_->工具条1.ClickButton(0);
  EXPECT_EQ(grid().RowCount(), 4);
}

TEST_F(Commands, AddingInAnEmptyBankOrOnTheLastRowAppends) {
  OpenEditor({});
  TypeNewQuestion(std::nullopt);
  editor_->菜单添加.Choose();
  ASSERT_EQ(grid().RowCount(), 2);
  EXPECT_EQ(editor_->state().currentRow, 1);
  EXPECT_TRUE(editor_->菜单删除.enabled());
}

TEST_F(Commands, DeletingRowsThreeToFivePacksTheBankAndLeavesTheCursorOnRowTwo) {
  OpenEditor({Question("1"), Question("2"), Question("3"), Question("4"), Question("5"),
              Question("6")});
  grid().Drag(3, kColText1, 5, kColText1);
  host_.AnswerMessage(ui::kButtonOk, "删除试题后将不能恢复");
  editor_->菜单删除.Choose();
  EXPECT_EQ(host_.messages().back().icon, ui::MessageIcon::Warning);
  ASSERT_EQ(grid().RowCount(), 4);
  EXPECT_EQ(Cursor(), std::make_pair(2, int{kColText1}));
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 3 题）");
  std::vector<std::string> left;
  for (const auto& r : ReadBankFromDisk()) left.push_back(std::get<std::string>(r[3]));
  EXPECT_EQ(left, (std::vector<std::string>{"1", "2", "6"}));
}

TEST_F(Commands, AfterDeletingFromRowOneTheCursorGoesToRowOneOrNowhere) {
  OpenEditor({Question("1"), Question("2"), Question("3"), Question("4")});
  struct Step {
    int first, last;
    int button;
    int rowsLeft, cursorRow;
  };
  const Step steps[] = {{2, 3, ui::kButtonCancel, 5, 2},
                        {1, 1, ui::kButtonOk, 4, 1},
                        {1, 3, ui::kButtonOk, 1, 0}};
  for (const Step& st : steps) {
    SCOPED_TRACE(std::to_string(st.first) + ".." + std::to_string(st.last));
    grid().Drag(st.first, kColText1, st.last, kColText1);
    host_.AnswerMessage(st.button, "删除试题后将不能恢复，确定要删除所选试题吗");
    editor_->工具条1.ClickButton(1);
    EXPECT_EQ(grid().RowCount(), st.rowsLeft);
    EXPECT_EQ(ReadBankFromDisk().size(), static_cast<std::size_t>(st.rowsLeft - 1));
    if (st.button == ui::kButtonOk) {
      EXPECT_EQ(Cursor(), std::make_pair(st.cursorRow, int{kColText1}));
      EXPECT_EQ(editor_->菜单删除.enabled(), st.cursorRow >= 1);
    }
  }
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 0 题）");
}

TEST_F(Commands, SortsAreStableAndOnlyTheScoreSortsAsANumber) {
  Q a = Question("一", "答", 10), b = Question("二", "答", 9), c = Question("三", "答", 2),
    d = Question("四", "答", 10);
  a.knowledge = c.knowledge = "b";
  b.knowledge = d.knowledge = "a";
  a.difficulty = 2;
  b.difficulty = 10;  // not a value the editor accepts, but a text sort shows itself by it
  OpenEditor({a, b, c, d});
  const auto order = [&] {
    std::string s;
    for (int r = 1; r < grid().RowCount(); ++r) s += cell(r, kColText1);
    return s;
  };
  struct Step {
    int column;
    const char* item;
    const char* order;
  };
  const Step steps[] = {
      {kColKnowledge, "升序(&A)", "二四一三"},
      {kColKnowledge, "降序(&S)", "一三二四"},
      {kColScore, "升序(&A)", "三二一四"},
      {kColScore, "降序(&S)", "一四二三"},
      {kColDifficulty, "降序(&S)", "一二四三"},  // "2" before "10" as texts
  };
  for (const Step& st : steps) {
    SCOPED_TRACE(std::string(st.item) + " on column " + std::to_string(st.column));
    grid().Click(1, st.column);
    host_.AnswerPopup(st.item);
    grid().RightClickCell(1, st.column);
    EXPECT_EQ(order(), st.order);
    EXPECT_EQ(Cursor(), std::make_pair(1, st.column));
  }
}

TEST_F(Commands, DeletingMembersKeepsTheTitleScoreAndATitleWithMembersStays) {
  OpenEditor({Grouped("组", "0", "标题", 4), Grouped("组", "1", "甲", 4),
              Grouped("组", "2", "乙", 5, true)});
  const int title = RowOf("标题");
  grid().Click(title, kColText1);
  editor_->菜单删除.Choose();
  EXPECT_EQ(host_.MessageTexts().back(),
            "选择试题中包含带有子试题而不能被删除的标题试题，请重新选择！");
  grid().Click(RowOf("乙"), kColText1);  // masked: the title keeps its score
  host_.AnswerMessage(ui::kButtonOk);
  editor_->菜单删除.Choose();
  EXPECT_EQ(cell(title, kColScore), "4");
  grid().Click(RowOf("甲"), kColText1);
  host_.AnswerMessage(ui::kButtonOk);
  editor_->菜单删除.Choose();
  EXPECT_EQ(cell(title, kColScore), "");
  EXPECT_EQ(DiskScore(IdOf(title)), 0);
  EXPECT_EQ(ReadBankFromDisk().size(), 1u);
}

TEST_F(Commands, CopyingATitleGivesASingleQuestion) {
  OpenEditor({Grouped("组", "0", "标题", 4), Grouped("组", "1", "甲", 4)});
  const int title = RowOf("标题");
  grid().Click(title, kColKnowledge);
  host_.AnswerPopup("复制该题并粘贴(&C)");
  grid().RightClickCell(title, kColKnowledge);
  EXPECT_EQ(cell(title + 1, kColText1), "标题");
  EXPECT_EQ(cell(title + 1, kColGroupNumber), "");
  EXPECT_EQ(cell(title + 1, kColGroupName), "");
  EXPECT_EQ(Cursor(), std::make_pair(title + 1, int{kColText1}));
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 2 题）");
  EXPECT_EQ(ReadBankFromDisk().size(), 3u);
}

TEST_F(Commands, ACopiedMemberJoinsItsGroupAndIsADuplicateUntilChanged) {
  OpenEditor({Grouped("组", "0", "标题", 4), Grouped("组", "1", "甲", 4)});
  const int member = RowOf("甲");
  grid().Click(member, kColKnowledge);
  host_.AnswerPopup("复制该题并粘贴(&C)");
  grid().RightClickCell(member, kColKnowledge);
  ASSERT_EQ(cell(member + 1, kColText1), "甲");
  EXPECT_EQ(cell(member + 1, kColGroupNumber), "1");
  EXPECT_EQ(cell(RowOf("标题"), kColScore), "8");
  EXPECT_EQ(DiskScore(IdOf(RowOf("标题"))), 8);
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 1 题）");
  grid().Click(RowOf("标题"), kColKnowledge);
  EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"试题重复！"});
  EXPECT_EQ(Cursor(), std::make_pair(member + 1, int{kColText1}));
}

TEST_F(Commands, PicturesAreAddedPreviewedAndDeletedThroughThePopUpMenu) {
  Q pic = Question("有图");
  pic.picture = "√";
  pic.pictureData = {0xFF, 0xD8, 0xFF, 0xD9};
  OpenEditor({pic, Question("无图")});
  const int with = RowOf("有图");
  const int without = RowOf("无图");

  // A 1 x 1 BMP file is stored as a JPEG encoding.
  std::string bmp = "BM";
  const auto le32 = [&bmp](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  le32(58);  // file size
  le32(0);
  le32(54);  // pixel offset
  le32(40);
  le32(1);
  le32(1);
  bmp += std::string("\x01\x00\x18\x00", 4);  // planes, 24 bits
  for (int i = 0; i < 6; ++i) le32(0);
  bmp += std::string("\x20\x40\x80\x00", 4);  // one pixel, padded
  const std::string file = dir_.path() + "/b.bmp";
  std::ofstream(file, std::ios::binary) << bmp;
  grid().Click(without, kColAnswerPicture);
  host_.AnswerOpenFile(file);
  host_.AnswerPopup("从文件添加(&T)");
  grid().RightClickCell(without, kColAnswerPicture);
  EXPECT_EQ(host_.messages().size(), 0u);
  EXPECT_EQ(cell(without, kColAnswerPicture), "√");
  const auto stored = std::get<recfile::Bytes>(DiskField(IdOf(without), databases::kAnswerPictureData));
  ASSERT_GE(stored.size(), 2u);
  EXPECT_EQ(stored[0], 0xFF);
  EXPECT_EQ(stored[1], 0xD8);

  std::string previewCaption;
  host_.onShow("图片预览", [&](ui::Window& w) { previewCaption = w.caption(); });
  grid().DoubleClick(with, kColPicture);
  EXPECT_EQ(previewCaption, "题图");

  grid().Click(with, kColPicture);
  host_.AnswerPopup("删除图片(&D)");
  host_.AnswerMessage(ui::kButtonOk, "确定要删除该图片吗");
  grid().RightClickCell(with, kColPicture);
  EXPECT_EQ(cell(with, kColPicture), "");
  EXPECT_EQ(std::get<std::string>(DiskField(IdOf(with), databases::kQuestionPicture)), "");
  EXPECT_TRUE(std::get<recfile::Bytes>(DiskField(IdOf(with), databases::kQuestionPictureData)).empty());
}

}  // namespace
}  // namespace bank_editor::testing
