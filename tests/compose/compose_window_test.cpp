#include "compose/compose_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "bank_editor/pictures/side_windows.h"
#include "compose_fixture.h"
#include "output/document_writer.h"
#include "output/pdf_renderer.h"

namespace compose::testing {
namespace {

using databases::Question;

// Two singles, a group 阅读 of 10 = 4 + 6 with a masked third member, a
// masked single.
std::vector<Question> SmallBank() {
  return {Single("单1", "判断", 2), Single("单2", "填空", 5),
          Grouped("阅读", "1", "阅读1", 4), Grouped("阅读", "0", "阅读0", 10),
          Grouped("阅读", "2", "阅读2", 6), Grouped("阅读", "3", "阅读3", 3, "问答", true),
          [] {
            Question q = Single("屏蔽题", "填空", 5);
            q.masked = true;
            return q;
          }()};
}

class Opening : public ComposeFixture {};

TEST_F(Opening, ShowsTheBankInGroupOrderWithNothingSelected) {
  MakeData(SmallBank());
  Open();
  EXPECT_EQ(window_->caption(), "组卷 —— 高等数学（共 4 题）");
  ASSERT_EQ(grid().RowCount(), 8);
  const char* order[] = {"阅读0", "阅读1", "阅读2", "阅读3", "单1", "单2", "屏蔽题"};
  for (int r = 1; r <= 7; ++r) EXPECT_EQ(cell(r, kColText1), order[r - 1]) << r;
  const char* headings[] = {"知识点", "分组名", "分组号", "题文1", "题图", "题文2", "题型",
                            "难度",   "分值",   "定分",   "屏蔽",  "A卷",  "B卷"};
  for (int c = 0; c < 13; ++c) EXPECT_EQ(cell(0, c), headings[c]) << c;
  EXPECT_EQ(grid().GetColumnWidth(kColRecordId), 0);
  EXPECT_EQ(grid().columnListItems(kColDifficulty).size(), 9u);
  EXPECT_TRUE(grid().cellStyle(3, kColType).readOnly);
  EXPECT_FALSE(grid().cellStyle(3, kColScore).readOnly);
  for (int r = 1; r <= 7; ++r) EXPECT_FALSE(checked(r, kColA) || checked(r, kColB));

  EXPECT_EQ(window_->标签2.text(), "1 易 9 难");
  EXPECT_EQ(Totals(), "0/0/0");
  EXPECT_FALSE(window_->按钮A卷.enabled());
  EXPECT_FALSE(window_->按钮B卷.enabled());
  EXPECT_EQ(window_->组合框大题编号类型.items(), (std::vector<std::string>{"大写", "罗马"}));
  EXPECT_EQ(window_->组合框大题编号类型.text(), "大写");
  EXPECT_EQ(window_->组合框最低难度.text(), "1");
  EXPECT_EQ(window_->组合框最高难度.text(), "9");
  EXPECT_TRUE(window_->单选框html.checked());
  EXPECT_FALSE(window_->单选框word.enabled());
  EXPECT_FALSE(window_->cellEditContext.set);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Opening, AWordProcessorSelectsWord) {
  MakeData(SmallBank());
  host_.setWordProcessorAvailable(true);
  Open();
  EXPECT_TRUE(window_->单选框word.checked());
  EXPECT_TRUE(window_->单选框html.enabled());
}

// Eight singles and a title with three members: twelve rows, nine questions.
// Every row takes part, the last ones included.
TEST_F(Opening, EveryRowCountsAlthoughTheCaptionCountsGroupsOnce) {
  std::vector<Question> bank;
  for (int i = 1; i <= 7; ++i) bank.push_back(Single("单" + std::to_string(i)));
  bank.push_back(Single("末题", "名词", 7));
  bank.push_back(Grouped("G", "0", "G0", 9));
  for (int i = 1; i <= 3; ++i) bank.push_back(Grouped("G", std::to_string(i), "G" + std::to_string(i), 3));
  MakeData(bank);
  Open();
  EXPECT_EQ(window_->caption(), "组卷 —— 高等数学（共 9 题）");
  ASSERT_EQ(grid().RowCount(), 13);
  EXPECT_EQ(cell(12, kColText1), "末题");
  EXPECT_EQ(window_->TypeOrder(), (std::vector<std::string>{"问答", "填空", "名词"}));
  Tick("末题", kColA);
  EXPECT_EQ(Totals(), "7/0/0");
  Type("末题", kColScore, "8");
  Reopen();
  EXPECT_EQ(Stored("末题").score, 8);
  EXPECT_EQ(cell(RowOf("末题"), kColScore), "8");
}

TEST_F(Opening, EditsSurviveReopeningButTheSelectionDoesNot) {
  MakeData(SmallBank());
  Open();
  Tick("单2", kColA);
  Type("单2", kColDifficulty, "7");
  Tick("单1", kColFixedScore);
  Tick("单1", kColMasked);
  Reopen();
  EXPECT_EQ(cell(RowOf("单2"), kColDifficulty), "7");
  EXPECT_TRUE(checked(RowOf("单1"), kColFixedScore));
  EXPECT_TRUE(checked(RowOf("单1"), kColMasked));
  EXPECT_FALSE(checked(RowOf("单2"), kColA));
  EXPECT_FALSE(window_->cellEditContext.set);
  const Question q = Stored("单1");
  EXPECT_TRUE(q.fixedScore && q.masked);
  EXPECT_EQ(Stored("单2").difficulty, 7);
}

// ---- Ticking ----------------------------------------------------------------------

class Ticking : public ComposeFixture {};

TEST_F(Ticking, AGroupIsTickedAndClearedAsAWholeWithoutItsMaskedMembers) {
  MakeData(SmallBank());
  Open();
  Tick("阅读2", kColA);
  for (const char* t : {"阅读0", "阅读1", "阅读2"}) EXPECT_TRUE(checked(RowOf(t), kColA)) << t;
  EXPECT_FALSE(checked(RowOf("阅读3"), kColA));
  EXPECT_EQ(Totals(), "10/0/0");
  EXPECT_EQ(window_->高级表格A卷题型分值.cellText(1, 0), "问答");
  EXPECT_EQ(window_->高级表格A卷题型分值.cellText(1, 1), "10");
  EXPECT_TRUE(window_->按钮A卷.enabled());
  EXPECT_FALSE(window_->按钮B卷.enabled());
  Tick("阅读0", kColB);
  EXPECT_EQ(Totals(), "10/10/100");
  Tick("阅读1", kColA);
  for (const char* t : {"阅读0", "阅读1", "阅读2"}) EXPECT_FALSE(checked(RowOf(t), kColA)) << t;
  EXPECT_EQ(Totals(), "0/10/0");
}

TEST_F(Ticking, MaskedAndScorelessQuestionsCannotBeTicked) {
  std::vector<Question> bank = SmallBank();
  bank.push_back(Grouped("空组", "0", "空组0", 0));
  bank.push_back(Grouped("空组", "1", "空组1", 3, "问答", true));
  MakeData(bank);
  Open();
  for (const char* t : {"屏蔽题", "阅读3", "空组0"}) {
    SCOPED_TRACE(t);
    Tick(t, kColA);
    Tick(t, kColB);
    EXPECT_FALSE(checked(RowOf(t), kColA) || checked(RowOf(t), kColB));
  }
  EXPECT_EQ(Totals(), "0/0/0");
}

TEST_F(Ticking, SelectAllOverMaskedRowsLeavesThemUnticked) {
  MakeData(SmallBank());
  Open();
  grid().Drag(1, kColB, 7, kColB);
  host_.AnswerPopup("全选(&X)");
  grid().RightClickCell(7, kColB);
  for (int r = 1; r <= 7; ++r)
    EXPECT_EQ(checked(r, kColB), !checked(r, kColMasked)) << cell(r, kColText1);
  EXPECT_EQ(Totals(), "0/17/0");
  host_.AnswerPopup("取反(&F)");
  grid().RightClickCell(7, kColB);
  EXPECT_EQ(Totals(), "0/0/0");
}

TEST_F(Ticking, ThePopupOffersMarksOnlyOnTheCheckColumns) {
  MakeData(SmallBank());
  Open();
  grid().Click(2, kColScore);
  grid().RightClickCell(2, kColScore);
  grid().Click(2, kColFixedScore);
  grid().RightClickCell(2, kColFixedScore);
  ASSERT_EQ(host_.popups().size(), 2u);
  EXPECT_EQ(host_.popups()[0].shown, (std::vector<std::string>{"升序(&A)", "降序(&S)"}));
  EXPECT_EQ(host_.popups()[1].shown.size(), 5u);
}

// ---- Masks and scores -------------------------------------------------------------

class GroupBookkeeping : public ComposeFixture {};

TEST_F(GroupBookkeeping, MaskingATitleMasksItsGroupAndUnmaskingRestoresTheSum) {
  MakeData(SmallBank());
  Open();
  Tick("阅读1", kColA);
  Tick("阅读0", kColMasked);
  for (const char* t : {"阅读0", "阅读1", "阅读2", "阅读3"}) {
    EXPECT_TRUE(checked(RowOf(t), kColMasked)) << t;
    EXPECT_FALSE(checked(RowOf(t), kColA)) << t;
    EXPECT_TRUE(Stored(t).masked) << t;
  }
  EXPECT_EQ(cell(RowOf("阅读0"), kColScore), "0");
  EXPECT_EQ(Stored("阅读0").score, 0);
  EXPECT_EQ(Totals(), "0/0/0");

  Tick("阅读0", kColMasked);
  for (const char* t : {"阅读0", "阅读1", "阅读2", "阅读3"}) EXPECT_FALSE(checked(RowOf(t), kColMasked)) << t;
  EXPECT_EQ(cell(RowOf("阅读0"), kColScore), "13");
  EXPECT_EQ(Stored("阅读0").score, 13);
  EXPECT_FALSE(Stored("阅读3").masked);
}

TEST_F(GroupBookkeeping, MaskingMembersLowersTheTitleUntilTheGroupLeavesThePapers) {
  MakeData(SmallBank());
  Open();
  Tick("阅读0", kColA);
  Tick("阅读0", kColB);
  Tick("阅读1", kColMasked);
  EXPECT_EQ(cell(RowOf("阅读0"), kColScore), "6");
  EXPECT_FALSE(checked(RowOf("阅读1"), kColA));
  EXPECT_EQ(Totals(), "6/6/100");
  Tick("阅读2", kColMasked);
  EXPECT_EQ(cell(RowOf("阅读0"), kColScore), "0");
  EXPECT_FALSE(checked(RowOf("阅读0"), kColA) || checked(RowOf("阅读0"), kColB));
  EXPECT_EQ(Totals(), "0/0/0");
  EXPECT_EQ(Stored("阅读0").score, 0);

  // A member unmasked again takes over the title's ticks; in a masked group
  // nothing changes.
  Tick("阅读0", kColA);  // refused: score 0
  Tick("阅读2", kColMasked);
  EXPECT_EQ(cell(RowOf("阅读0"), kColScore), "6");
  Tick("阅读0", kColMasked);
  Tick("阅读2", kColMasked);
  EXPECT_TRUE(checked(RowOf("阅读2"), kColMasked));
}

TEST_F(GroupBookkeeping, AMembersScoreRaisesTheTitleAndTitlesRefuseScores) {
  MakeData(SmallBank());
  Open();
  Type("阅读1", kColScore, "7");  // 4 -> 7
  EXPECT_EQ(cell(RowOf("阅读0"), kColScore), "13");
  EXPECT_EQ(Stored("阅读0").score, 13);
  EXPECT_EQ(Stored("阅读1").score, 7);

  struct Case {
    const char* row;
    const char* typed;
    const char* message;
    const char* kept;
  };
  const Case cases[] = {{"阅读0", "20", "不能修改标题试题分值", "13"},
                        {"单2", "0", "试题分值不能为0", "5"},
                        {"单2", "101", "请输入1-100的分值！", "5"},
                        {"单2", "-5", "请输入1-100的分值！", "5"},
                        {"单2", "40000", "请输入1-100的分值！", "5"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    host_.ClearRecords();
    Type(c.row, kColScore, c.typed);
    EXPECT_EQ(cell(RowOf(c.row), kColScore), c.kept);
    EXPECT_EQ(Messages(), std::vector<std::string>{c.message});
  }
  EXPECT_EQ(Stored("单2").score, 5);
}

TEST_F(GroupBookkeeping, DifficultyRules) {
  MakeData(SmallBank());
  Open();
  Type("单1", kColDifficulty, "12");
  EXPECT_EQ(Messages(), std::vector<std::string>{"请直接选择难度值！"});
  EXPECT_EQ(cell(RowOf("单1"), kColDifficulty), "3");
  Type("阅读1", kColDifficulty, "8");  // members follow their title, silently
  EXPECT_EQ(cell(RowOf("阅读1"), kColDifficulty), "3");

  host_.AnswerMessage(ui::kButtonCancel, "确定要更改该试题分组的难度吗？");
  grid().Click(RowOf("阅读0"), kColDifficulty);
  grid().ChooseListItem(RowOf("阅读0"), kColDifficulty, 5);
  EXPECT_EQ(cell(RowOf("阅读0"), kColDifficulty), "3");
  host_.AnswerMessage(ui::kButtonOk, "确定要更改该试题分组的难度吗？");
  grid().ChooseListItem(RowOf("阅读0"), kColDifficulty, 5);
  for (const char* t : {"阅读0", "阅读1", "阅读2", "阅读3"}) {
    EXPECT_EQ(cell(RowOf(t), kColDifficulty), "6") << t;
    EXPECT_EQ(Stored(t).difficulty, 6) << t;
  }
}

TEST_F(GroupBookkeeping, ATitleNeverGetsAFixedScore) {
  MakeData(SmallBank());
  Open();
  Tick("阅读0", kColFixedScore);
  EXPECT_FALSE(checked(RowOf("阅读0"), kColFixedScore));
  Tick("阅读1", kColFixedScore);
  EXPECT_TRUE(Stored("阅读1").fixedScore);
}

TEST_F(GroupBookkeeping, MassMaskingKeepsEachTitleTheSumOfItsUnmaskedMembers) {
  MakeData(SmallBank());
  Open();
  grid().Drag(RowOf("阅读1"), kColMasked, RowOf("阅读3"), kColMasked);
  host_.AnswerPopup("取反(&F)");
  grid().RightClickCell(RowOf("阅读3"), kColMasked);
  // 阅读1 and 阅读2 masked, 阅读3 unmasked: the title is 3.
  EXPECT_EQ(cell(RowOf("阅读0"), kColScore), "3");
  EXPECT_EQ(Stored("阅读0").score, 3);
  EXPECT_TRUE(Stored("阅读1").masked);
  EXPECT_FALSE(Stored("阅读3").masked);
}

TEST_F(GroupBookkeeping, AFailedWriteIsReportedAndTheCellGoesBack) {
  MakeData(SmallBank());
  Open();
  fs_->failWrites = true;
  Type("阅读1", kColScore, "7");
  Tick("单1", kColMasked);
  fs_->failWrites = false;
  EXPECT_EQ(Messages().size(), 2u);
  EXPECT_EQ(cell(RowOf("阅读1"), kColScore), "4");
  EXPECT_EQ(cell(RowOf("阅读0"), kColScore), "10");
  EXPECT_FALSE(checked(RowOf("单1"), kColMasked));
  EXPECT_EQ(Stored("阅读0").score, 10);
  EXPECT_EQ(Stored("阅读1").score, 4);
}

TEST_F(GroupBookkeeping, TheDeleteKeyClearsNothing) {
  MakeData(SmallBank());
  Open();
  grid().Click(RowOf("单2"), kColScore);
  EXPECT_FALSE(grid().PressKey(ui::kKeyDelete));
  EXPECT_EQ(cell(RowOf("单2"), kColScore), "5");
}

// ---- Lists, sorts, windows ----------------------------------------------------------

class ComposeCommands : public ComposeFixture {};

TEST_F(ComposeCommands, DifficultyRangeListsNeverCross) {
  MakeData(SmallBank());
  Open();
  auto& low = window_->组合框最低难度;
  auto& high = window_->组合框最高难度;
  ASSERT_TRUE(low.ChooseText("7"));
  high.OpenList();
  EXPECT_EQ(high.items(), (std::vector<std::string>{"7", "8", "9"}));
  EXPECT_EQ(high.text(), "9");
  ASSERT_TRUE(high.ChooseText("8"));
  low.OpenList();
  EXPECT_EQ(low.items(), (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"}));
  EXPECT_EQ(low.text(), "7");
}

TEST_F(ComposeCommands, MenuSortsAndTheGroupOrderFlag) {
  MakeData(SmallBank());
  Open();
  grid().Click(1, kColScore);
  host_.AnswerPopup("升序(&A)");
  grid().RightClickCell(1, kColScore);
  std::vector<std::string> scores;
  for (int r = 1; r < grid().RowCount(); ++r) scores.push_back(cell(r, kColScore));
  EXPECT_EQ(scores, (std::vector<std::string>{"2", "3", "4", "5", "5", "6", "10"}));
  EXPECT_FALSE(ctx_->groupOrderFlag);
  EXPECT_TRUE(grid().cellStyle(1, kColType).readOnly);

  grid().Click(1, kColGroupName);
  host_.AnswerPopup("升序(&A)");
  grid().RightClickCell(1, kColGroupName);
  EXPECT_TRUE(ctx_->groupOrderFlag);
  EXPECT_EQ(cell(4, kColText1), "阅读0");  // ungrouped first, then the group, title first
  EXPECT_EQ(cell(7, kColText1), "阅读3");

  Tick("单2", kColA);
  host_.AnswerPopup("降序(&S)");
  grid().RightClickCell(1, kColA);
  EXPECT_EQ(cell(1, kColText1), "单2");  // ticked rows first
  EXPECT_FALSE(ctx_->groupOrderFlag);
}

TEST_F(ComposeCommands, TheRowHeightBarSizesEveryRowAndReturnsToTheClickedRow) {
  MakeData(SmallBank());
  Open();
  window_->纵向滚动条1.MoveTo(10);  // nothing clicked yet: the cursor stays
  EXPECT_EQ(grid().CursorRow(), 0);
  grid().Click(5, kColScore);
  grid().SetCursorCell(2, kColText1);
  window_->纵向滚动条1.MoveTo(16);
  for (int r = 1; r < grid().RowCount(); ++r) EXPECT_EQ(grid().rowHeight(r), 40) << r;
  EXPECT_EQ(grid().CursorRow(), 5);
  EXPECT_EQ(grid().CursorColumn(), kColPicture);
}

TEST_F(ComposeCommands, DoubleClickPreviewsTheQuestion) {
  MakeData(SmallBank());
  Open();
  std::string shown;
  host_.onShow<bank_editor::pictures::QuestionPreviewWindow>(
      [&](bank_editor::pictures::QuestionPreviewWindow& w) { shown = w.标签tiwen1.text(); });
  grid().DoubleClick(RowOf("单2"), kColText1);
  EXPECT_EQ(shown, "单2");
}

TEST_F(ComposeCommands, AutomaticCompositionOpensThroughItsFactoryAndGuardsTheBankColumns) {
  MakeData(SmallBank());
  Open();
  window_->按钮自动组卷.Click();
  EXPECT_EQ(Messages(), std::vector<std::string>{"本版本尚未提供自动组卷功能。"});
  EXPECT_TRUE(window_->组合框最低难度.enabled());

  ui::Window* opened = nullptr;
  ctx_->makeAutoComposeWindow = [&](app::AppContext& ctx, ui::Window* owner) {
    EXPECT_EQ(owner, window_.get());
    auto w = std::make_unique<ui::Window>(ctx.host, "自动组卷", 300, 200);
    opened = w.get();
    return w;
  };
  window_->按钮自动组卷.Click();
  ASSERT_TRUE(window_->AutoComposeOpen());
  EXPECT_EQ(window_->autoComposeWindow(), opened);
  EXPECT_FALSE(window_->组合框最低难度.enabled());
  EXPECT_FALSE(window_->组合框最高难度.enabled());
  grid().Click(RowOf("单2"), kColScore);
  EXPECT_FALSE(grid().EditCell(RowOf("单2"), kColScore, "9"));
  Tick("单2", kColA);  // the paper columns stay usable
  EXPECT_TRUE(checked(RowOf("单2"), kColA));
  ASSERT_TRUE(window_->UserClose());
  EXPECT_FALSE(opened->isOpen());
}

TEST_F(ComposeCommands, GeneratingWritesPaperAndAnswersAndOpensThem) {
  MakeData(SmallBank());
  Open();
  Tick("单2", kColB);
  ASSERT_TRUE(window_->按钮B卷.enabled());
  window_->按钮B卷.Click();
  EXPECT_TRUE(Messages().empty()) << ::testing::PrintToString(Messages());
  ASSERT_EQ(host_.openedDocuments().size(), 2u);
  EXPECT_NE(host_.openedDocuments()[0].find("B卷"), std::string::npos);
  for (const auto& path : host_.openedDocuments()) EXPECT_TRUE(std::filesystem::is_regular_file(path));
}

// Records what it is asked to draw and leaves a stand-in file.
class RecordingPdf : public output::PdfRenderer {
 public:
  bool SavePdf(const output::Document& document, const std::string& path, std::string*) override {
    firstLines.push_back(document.paragraphs.front().text());
    std::ofstream(path) << "%PDF-1.4";
    return true;
  }
  std::vector<std::string> firstLines;
};

TEST_F(ComposeCommands, WordAndPdfAreWrittenAsTheirOwnDocuments) {
  MakeData(SmallBank());
  host_.setWordProcessorAvailable(true);
  Open();
  RecordingPdf pdf;
  ctx_->pdfRenderer = &pdf;
  Tick("单2", kColA);
  ASSERT_TRUE(window_->单选框word.checked());
  window_->按钮A卷.Click();
  ASSERT_EQ(host_.openedDocuments().size(), 2u);
  for (const auto& path : host_.openedDocuments()) {
    EXPECT_EQ(std::filesystem::path(path).extension(), ".docx");
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
  }

  ASSERT_TRUE(window_->单选框pdf.enabled());
  window_->单选框pdf.Choose();
  window_->按钮A卷.Click();
  EXPECT_TRUE(Messages().empty()) << ::testing::PrintToString(Messages());
  ASSERT_EQ(host_.openedDocuments().size(), 4u);
  EXPECT_EQ(std::filesystem::path(host_.openedDocuments()[2]).extension(), ".pdf");
  ASSERT_EQ(pdf.firstLines.size(), 2u);
  EXPECT_EQ(pdf.firstLines[0] + ".pdf", std::filesystem::path(host_.openedDocuments()[2]).filename().string());
  EXPECT_TRUE(pdf.firstLines[1].ends_with("  答案"));

  // Without a PDF writer the teacher is told, and nothing is opened.
  ctx_->pdfRenderer = nullptr;
  window_->按钮A卷.Click();
  EXPECT_EQ(host_.openedDocuments().size(), 4u);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("PDF"), std::string::npos) << Messages()[0];
}

TEST_F(Opening, PdfCanBeChosenWithoutAWordProcessor) {
  MakeData(SmallBank());
  Open();
  EXPECT_FALSE(window_->单选框word.enabled());
  EXPECT_TRUE(window_->单选框pdf.enabled());
  window_->单选框pdf.Choose();
  EXPECT_TRUE(window_->单选框pdf.checked());
  EXPECT_FALSE(window_->单选框html.checked());
}

TEST_F(ComposeCommands, DifficultyDescriptionIsEditedInItsWindow) {
  MakeData(SmallBank());
  Open();
  host_.onShow("难度说明", [](ui::Window& w) {
    dynamic_cast<bank_editor::pictures::DifficultyDescriptionWindow&>(w).编辑框2.ReplaceText("易到难");
  });
  window_->菜单难度说明.Choose();
  EXPECT_EQ(window_->标签2.text(), "易到难");
}

}  // namespace
}  // namespace compose::testing
