#include <gtest/gtest.h>

#include "compose_fixture.h"
#include "types/numbering_window.h"

namespace compose::testing {
namespace {

using databases::Question;

std::string StoredTypeOrder(recfile::RecordFileEngine& engine) {
  databases::CourseLibrary library(engine);
  const auto course = library.CourseAt(0);
  return course ? course->typeOrder : "?";
}

class TypeOrder : public ComposeFixture {};

TEST_F(TypeOrder, TheSavedOrderIsCleanedExtendedAndStoredAtOnce) {
  MakeData({Single("p", "判断"), Single("f", "填空"), Single("x", "选择")}, true, "选择,判断,作文");
  Open();
  EXPECT_EQ(window_->TypeOrder(), (std::vector<std::string>{"选择", "判断", "填空"}));
  EXPECT_EQ(StoredTypeOrder(engine_), "选择,判断,填空");
  const char* headings[] = {"排序", "题型", "调分", "答案换行"};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(order().cellText(0, c), headings[c]);
  EXPECT_EQ(order().cellText(3, kOrderNumber), "3");
  EXPECT_EQ(order().GetColumnWidth(kOrderTypeId), 0);
}

TEST_F(TypeOrder, ATypeWithoutALibraryRecordIsShownButStoresNoFlag) {
  MakeData({Single("a", "作文"), Single("b", "名词")});
  Open();
  EXPECT_EQ(window_->TypeOrder(), (std::vector<std::string>{"作文", "名词"}));
  EXPECT_TRUE(order().cellText(1, kOrderTypeId).empty());
  EXPECT_TRUE(order().cellStyle(1, kOrderAnswerOnNewLine).readOnly);
  EXPECT_TRUE(order().cellChecked(2, kOrderAnswerOnNewLine));  // 名词 answers one per line
  order().Click(2, kOrderAnswerOnNewLine);
  databases::TypeLibrary types(engine_);
  EXPECT_FALSE(types.FindByName("名词")->answerOnNewLine);
}

TEST_F(TypeOrder, AnOrderNumberMovesItsRowStablyAndTheSectionsFollow) {
  MakeData({Single("a", "判断", 1), Single("b", "填空", 2), Single("c", "选择", 3), Single("d", "名词", 4)});
  Open();
  for (const char* t : {"a", "b", "c", "d"}) Tick(t, kColA);
  order().Click(4, kOrderNumber);
  order().EditCell(4, kOrderNumber, "2.5");
  EXPECT_EQ(window_->TypeOrder(), (std::vector<std::string>{"判断", "填空", "名词", "选择"}));
  EXPECT_EQ(order().cellText(3, kOrderNumber), "2.5");
  EXPECT_EQ(StoredTypeOrder(engine_), "判断,填空,名词,选择");
  EXPECT_EQ(window_->高级表格A卷题型分值.cellText(3, 0), "名词");

  // Equal numbers keep their order; a text that is no number changes nothing.
  order().Click(3, kOrderNumber);
  order().EditCell(3, kOrderNumber, "1");
  EXPECT_EQ(window_->TypeOrder(), (std::vector<std::string>{"判断", "名词", "填空", "选择"}));
  order().Click(4, kOrderNumber);
  order().EditCell(4, kOrderNumber, "甲");
  EXPECT_EQ(order().cellText(4, kOrderNumber), "3");
}

TEST_F(TypeOrder, ABatchScoreSpareFixedQuestionsAndKeepsTitlesTheirSums) {
  Question fixed = Single("定", "填空", 3);
  fixed.fixedScore = true;
  MakeData({Single("f1", "填空", 2), fixed, Single("p", "判断", 2),
            Grouped("G", "0", "G0", 10, "填空"), Grouped("G", "1", "G1", 4, "填空"),
            Grouped("G", "2", "G2", 6, "填空")});
  Open();
  const int row = 2;  // 填空 follows the group's type order
  ASSERT_EQ(order().cellText(row, kOrderType), "判断");
  const int fill = 1;
  ASSERT_EQ(order().cellText(fill, kOrderType), "填空");

  host_.AnswerMessage(ui::kButtonCancel, "确定要改变题型分值吗？");
  order().Click(fill, kOrderBatchScore);
  order().EditCell(fill, kOrderBatchScore, "5");
  EXPECT_EQ(order().cellText(fill, kOrderBatchScore), "");
  EXPECT_EQ(cell(RowOf("f1"), kColScore), "2");

  host_.AnswerMessage(ui::kButtonOk, "确定要改变题型分值吗？");
  order().Click(fill, kOrderBatchScore);
  order().EditCell(fill, kOrderBatchScore, "5");
  EXPECT_EQ(cell(RowOf("f1"), kColScore), "5");
  EXPECT_EQ(cell(RowOf("定"), kColScore), "3");
  EXPECT_EQ(cell(RowOf("p"), kColScore), "2");
  EXPECT_EQ(cell(RowOf("G1"), kColScore), "5");
  EXPECT_EQ(cell(RowOf("G0"), kColScore), "10");
  EXPECT_EQ(Stored("f1").score, 5);
  EXPECT_EQ(Stored("G2").score, 5);
  EXPECT_EQ(Stored("定").score, 3);

  // 4 + 6 became 5 + 5; batch score 2 makes the title 4.
  host_.AnswerMessage(ui::kButtonOk, "确定要改变题型分值吗？");
  order().Click(fill, kOrderBatchScore);
  order().EditCell(fill, kOrderBatchScore, "2");
  EXPECT_EQ(cell(RowOf("G0"), kColScore), "4");
  EXPECT_EQ(Stored("G0").score, 4);

  host_.ClearRecords();
  order().Click(fill, kOrderBatchScore);
  order().EditCell(fill, kOrderBatchScore, "-3");
  EXPECT_EQ(Messages(), std::vector<std::string>{"请输入1-100的分值！"});
  EXPECT_EQ(order().cellText(fill, kOrderBatchScore), "2");
}

TEST_F(TypeOrder, RowColoursAreStoredByPositionAndGreyIsRefused) {
  MakeData({Single("a", "判断"), Single("b", "填空")});
  Open();
  order().Click(2, kOrderNumber);
  host_.AnswerColour(databases::kGreyColour);
  order().RightClickCell(2, kOrderNumber);
  EXPECT_EQ(Messages(), std::vector<std::string>{"请选灰色以外的颜色！"});
  host_.AnswerColour(ui::rgb(255, 200, 0));
  order().RightClickCell(2, kOrderNumber);
  EXPECT_EQ(order().GetCellBackColour(2, kOrderNumber), ui::rgb(255, 200, 0));
  EXPECT_EQ(order().GetCellBackColour(2, kOrderAnswerOnNewLine), ui::rgb(255, 200, 0));
  Reopen();
  EXPECT_EQ(order().GetCellBackColour(2, kOrderBatchScore), ui::rgb(255, 200, 0));
  EXPECT_EQ(order().GetCellBackColour(1, kOrderBatchScore), ui::kWhite);
  databases::ColourLibrary colours(engine_);
  std::vector<int> stored;
  ASSERT_TRUE(colours.ReadAll(stored));
  EXPECT_EQ(stored, (std::vector<int>{ui::kWhite, ui::rgb(255, 200, 0)}));
}

TEST_F(TypeOrder, SimilarityOfSixtyAndEightyWithThirtyInCommonIs37) {
  MakeData({Single("both", "问答", 30), Single("onlyA", "问答", 30), Single("onlyB", "填空", 50)});
  Open();
  Tick("both", kColA);
  Tick("both", kColB);
  Tick("onlyA", kColA);
  Tick("onlyB", kColB);
  EXPECT_EQ(Totals(), "60/80/37");
  EXPECT_EQ(window_->SelectionStamp().size(), 14u);
}

TEST_F(TypeOrder, TooFewSectionLabelsDisableGeneratingAndAreSaidOnce) {
  std::vector<Question> bank;
  for (int i = 0; i < 10; ++i) bank.push_back(Single("q" + std::to_string(i), "型" + std::to_string(i), 2));
  MakeData(bank);
  Open();
  for (int i = 0; i < 9; ++i) Tick("q" + std::to_string(i), kColB);
  EXPECT_TRUE(window_->按钮B卷.enabled());
  EXPECT_TRUE(Messages().empty());
  Tick("q9", kColB);
  EXPECT_FALSE(window_->按钮B卷.enabled());
  window_->RecomputeTypeScores();
  EXPECT_EQ(Messages(), std::vector<std::string>{"大题编号不够用！"});
  Tick("q9", kColB);
  EXPECT_TRUE(window_->按钮B卷.enabled());

  WriteNumberingFile(1);  // a tenth label
  Reopen();
  for (int i = 0; i < 10; ++i) Tick("q" + std::to_string(i), kColB);
  EXPECT_TRUE(window_->按钮B卷.enabled());
}

// ---- Section numbering ----------------------------------------------------------------

class Numbering : public ComposeFixture {};

TEST_F(Numbering, AFirstStartOpensTheNumberingWindowWithTheDefaultTable) {
  MakeData({Single("a")}, /*numberingFile=*/false);
  std::string seen;
  host_.onShow<types::NumberingWindow>([&](types::NumberingWindow& w) {
    seen = w.高级表格1.cellText(0, 1) + w.高级表格1.cellText(9, 1) + w.高级表格1.cellText(0, 2) +
           w.高级表格1.cellText(9, 2);
  });
  Open();
  EXPECT_EQ(seen, "大写九罗马Ⅸ");
  EXPECT_EQ(window_->组合框大题编号类型.items(), (std::vector<std::string>{"大写", "罗马"}));
  EXPECT_EQ(window_->组合框大题编号类型.selectedIndex(), 0);
  EXPECT_TRUE(types::ReadNumberingTable(types::NumberingFilePath(dir_.path())));
  Reopen();  // no window the second time
  EXPECT_EQ(host_.shownWindows().size(), 1u);
}

TEST_F(Numbering, AnAddedTypeIsOfferedAfterTheNumberingWindowCloses) {
  MakeData({Single("a")});
  Open();
  host_.onShow<types::NumberingWindow>([&](types::NumberingWindow& w) {
    host_.AnswerInput("字母");
    w.菜单添加列.Choose();
    const char* letters[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I"};
    for (int k = 1; k <= 9; ++k) {
      w.高级表格1.Click(k, 3);
      w.高级表格1.EditCell(k, 3, letters[k - 1]);
    }
  });
  host_.AnswerPopup("编号设置");
  window_->组合框大题编号类型.RightClick(5, 5);
  EXPECT_EQ(window_->组合框大题编号类型.items(), (std::vector<std::string>{"大写", "罗马", "字母"}));
  const auto table = types::LoadNumberingTable(dir_.path());
  EXPECT_EQ(table.label(table.Find("字母"), 3), "C");
}

}  // namespace
}  // namespace compose::testing
