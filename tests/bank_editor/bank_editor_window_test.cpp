#include "bank_editor/bank_editor_window.h"

#include <gtest/gtest.h>

#include "bank_editor/help_window.h"
#include "bank_editor/question_text_editor.h"
#include "editor_fixture.h"

namespace bank_editor::testing {
namespace {

using ui::testing::ScriptedHost;

Q Member(std::string group, std::string number, std::string text1, int score = 4) {
  Q q = Question(std::move(text1), "答", score);
  q.groupName = std::move(group);
  q.groupNumber = std::move(number);
  return q;
}

Q Title(std::string group, std::string text1, int score) {
  Q q = Question(std::move(text1), "", score);
  q.groupName = std::move(group);
  q.groupNumber = "0";
  return q;
}

// ---- Opening ------------------------------------------------------------------

class Opening : public EditorFixture {};

TEST_F(Opening, ShowsEveryQuestionGroupsFirstAndCountsAGroupOnce) {
  OpenEditor({Question("单1"), Member("A", "2", "A2"), Member("B", "1", "B1"), Title("A", "A0", 8),
              Member("A", "10", "A10"), Member("A", "1", "A1"), Question("单2"), Question("单3")});
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 4 题）");
  ASSERT_EQ(grid().RowCount(), 9);
  std::vector<std::string> order;
  for (int r = 1; r < grid().RowCount(); ++r) order.push_back(cell(r, kColText1));
  EXPECT_EQ(order, (std::vector<std::string>{"B1", "A0", "A1", "A2", "A10", "单1", "单2", "单3"}));
  EXPECT_FALSE(editor_->state().groupSortAscending);

  // Headings from the bank, the hidden id column, the widths.
  const char* headings[] = {"知识点", "分组名", "分组号", "题文1", "题图", "题文2", "答案",
                            "答图",   "题型",   "难度",   "分值",  "选择", "定分", "屏蔽"};
  for (int c = 0; c < 14; ++c) EXPECT_EQ(cell(0, c), headings[c]) << c;
  const int w = (grid().width() - 473) / 3;
  EXPECT_EQ(grid().width(), editor_->width());
  const std::vector<int> widths = {45, 45, 55, w, 40, w, w, 40, 55, 35, 35, 35, 35, 35, 0};
  for (int c = 0; c < 15; ++c) EXPECT_EQ(grid().GetColumnWidth(c), widths[c]) << c;
  EXPECT_EQ(grid().GetColumnType(kColType), ui::ColumnType::DropDown);
  EXPECT_EQ(grid().columnListItems(kColType),
            (std::vector<std::string>{"判断", "选择", "填空", "名词", "问答"}));
  EXPECT_EQ(grid().columnListItems(kColDifficulty).size(), 9u);
  EXPECT_EQ(grid().GetColumnType(kColScore), ui::ColumnType::Numeric);
  EXPECT_EQ(grid().GetColumnType(kColMasked), ui::ColumnType::CheckBox);
  EXPECT_EQ(cell(RowOf("A0"), kColScore), "8");
  // Styles of the text columns survive the group sort.
  EXPECT_EQ(grid().cellStyle(3, kColText1).fontHeight, 18);
  EXPECT_TRUE(grid().cellStyle(0, kColAnswer).wordWrap);
  EXPECT_TRUE(grid().cellStyle(3, kColAnswer).wordWrap);
  for (int c : {kColPicture, kColAnswerPicture, kColType, kColFixedScore}) {
    SCOPED_TRACE(c);
    EXPECT_EQ(grid().cellStyle(3, c).alignment, ui::Alignment::Centre);
    EXPECT_EQ(grid().cellStyle(0, c).alignment, ui::Alignment::Centre);  // the whole column
  }
  EXPECT_FALSE(editor_->菜单删除.enabled());
  EXPECT_FALSE(editor_->工具条1.buttonEnabled(1));

  // Resizing keeps W = (grid width - 473) / 3.
  editor_->Resize(1273, 700);
  EXPECT_EQ(grid().GetColumnWidth(kColText1), 266);
  EXPECT_EQ(grid().height(), editor_->状态条1.top() - grid().top());
  EXPECT_EQ(editor_->横向滚动条1.width(),
            (1273 - editor_->分组框1.left() - editor_->分组框1.width()) / 3);
}

TEST_F(Opening, AnEmptyBankShowsOnlyTheHeadingsAndClosesAtOnce) {
  OpenEditor({});
  EXPECT_EQ(grid().RowCount(), 1);
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 0 题）");
  grid().Click(0, 3);
  EXPECT_FALSE(editor_->菜单删除.enabled());
  EXPECT_TRUE(editor_->UserClose());
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(Opening, MainWindowFactoryBuildsTheEditor) {
  WriteBank({Question("题")});
  app::AppContext ctx(engine_, host_, dir_.path());
  ctx.selectedCourse = {kCourse, 0};
  auto w = MakeBankEditor(ctx, nullptr);
  EXPECT_NE(dynamic_cast<BankEditorWindow*>(w.get()), nullptr);
}

// ---- Leaving a row --------------------------------------------------------------

class LeavingRows : public EditorFixture {
 protected:
  // Rows 甲, 缺题型 (no 题型: it breaks a rule) and 乙; the cursor on the
  // broken row. Returns that row.
  int OpenWithRowMissingItsType() {
    Q noType = Question("缺题型");
    noType.type.clear();
    OpenEditor({Question("甲"), noType, Question("乙")});
    const int broken = RowOf("缺题型");
    grid().Click(broken, kColText1);
    return broken;
  }
};

TEST_F(LeavingRows, ABrokenRowSendsTheCursorBackAndChangesNothingOnDisk) {
  const int broken = OpenWithRowMissingItsType();
  const std::string before = ReadFileBytes(BankFile());
  grid().Click(RowOf("乙"), kColChoice);  // a check box in another row
  EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"请选择题型！"});
  EXPECT_EQ(Cursor(), std::make_pair(broken, int{kColType}));
  EXPECT_EQ(editor_->state().currentRow, broken);
  EXPECT_FALSE(grid().cellChecked(RowOf("乙"), kColChoice));  // the click was ignored
  EXPECT_EQ(ReadFileBytes(BankFile()), before);
  // Nor can the window close.
  EXPECT_FALSE(editor_->UserClose());
  EXPECT_TRUE(editor_->isOpen());
}

// The box is ticked from the row being left, so leaving checks that row; the
// row it broke is still checked before the window closes.
TEST_F(LeavingRows, ARowBrokenByTickingItsChoiceBoxFromAnotherRowKeepsTheWindowOpen) {
  OpenEditor({Question("甲"), Question("乙")});
  grid().Click(1, kColText1);
  grid().Click(2, kColChoice);
  ASSERT_TRUE(grid().cellChecked(2, kColChoice));
  EXPECT_TRUE(host_.messages().empty());
  EXPECT_FALSE(editor_->UserClose());
  EXPECT_TRUE(editor_->isOpen());
  EXPECT_EQ(host_.MessageTexts(),
            std::vector<std::string>{"选择栏选中表示为选择型题目，题图或题文2应放置题目选项！"});
  EXPECT_EQ(Cursor(), std::make_pair(2, int{kColText2}));
  grid().Click(2, kColChoice);  // unticked again: complete
  EXPECT_TRUE(editor_->UserClose());
}

TEST_F(LeavingRows, DuplicatesCompareBothTextsJoined) {
  Q a = Question("甲", "同");
  a.text2 = "乙";
  OpenEditor({a, Question("甲乙", "同"), Question("丙")});
  const int row = RowOf("甲乙");
  grid().Click(row, kColAnswer);
  grid().Click(RowOf("丙"), kColAnswer);
  EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"试题重复！"});
  EXPECT_EQ(Cursor(), std::make_pair(row, int{kColText1}));
}

TEST_F(LeavingRows, AWholeRowMovesFreelyAndDeleteFollowsTheCurrentRow) {
  OpenEditor({Question("甲"), Question("乙")});
  grid().Click(1, kColText1);
  EXPECT_TRUE(editor_->菜单删除.enabled());
  EXPECT_TRUE(editor_->工具条1.buttonEnabled(1));
  EXPECT_FALSE(grid().Editable());
  grid().Click(2, kColType);
  EXPECT_TRUE(grid().Editable());
  grid().Click(2, kColGroupNumber);
  EXPECT_TRUE(grid().Editable());
  grid().Click(0, kColText1);  // a heading
  EXPECT_FALSE(editor_->菜单删除.enabled());
  EXPECT_TRUE(host_.messages().empty());
  // A drag selects from another cell than the current one: no editing.
  grid().Drag(2, kColType, 1, kColType);
  EXPECT_FALSE(grid().Editable());
  // The Delete key is refused.
  grid().Click(1, kColType);
  EXPECT_FALSE(grid().PressKey(ui::kKeyDelete));
  EXPECT_EQ(cell(1, kColType), "填空");
  // Dragging a column border puts the cursor back on the current cell.
  grid().SetCursorCell(2, 5);
  grid().ResizeColumn(kColText2, 90);
  EXPECT_EQ(Cursor(), std::make_pair(1, int{kColType}));
}

// The arrow and page keys leave a row as a click does: a broken row keeps
// the cursor, a complete one lets it move and the editor follows it.
TEST_F(LeavingRows, KeysLeaveARowOnlyWhenItIsComplete) {
  const int broken = OpenWithRowMissingItsType();
  const std::string before = ReadFileBytes(BankFile());
  for (int key : {ui::kKeyUp, ui::kKeyDown, ui::kKeyPageDown}) {
    SCOPED_TRACE(key);
    host_.ClearRecords();
    EXPECT_FALSE(grid().PressKey(key));
    EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"请选择题型！"});
    EXPECT_EQ(Cursor(), std::make_pair(broken, int{kColType}));
  }
  EXPECT_EQ(ReadFileBytes(BankFile()), before);

  // Within the row the keys move freely; the editor takes up the new cell.
  host_.ClearRecords();
  grid().PressKey(ui::kKeyRight);
  EXPECT_EQ(Cursor(), std::make_pair(broken, int{kColDifficulty}));
  EXPECT_EQ(editor_->state().currentColumn, int{kColDifficulty});
  EXPECT_TRUE(grid().Editable());
  grid().PressKey(ui::kKeyEnd);
  EXPECT_EQ(Cursor(), std::make_pair(broken, int{kColMasked}));  // never the hidden id
  EXPECT_TRUE(host_.messages().empty());

  // Once complete, the row lets the cursor go.
  grid().Click(broken, kColType);
  grid().EditCell(broken, kColType, "填空");
  grid().PressKey(ui::kKeyLeft);
  grid().PressKey(ui::kKeyLeft);
  grid().PressKey(ui::kKeyLeft);
  grid().PressKey(ui::kKeyLeft);
  grid().PressKey(ui::kKeyLeft);
  grid().PressKey(ui::kKeyPageDown);
  EXPECT_TRUE(host_.messages().empty());
  EXPECT_EQ(Cursor(), std::make_pair(grid().RowCount() - 1, int{kColText1}));
  EXPECT_EQ(editor_->state().currentRow, grid().RowCount() - 1);
  EXPECT_FALSE(grid().Editable());
  EXPECT_TRUE(editor_->菜单删除.enabled());
}

// ---- In-place values --------------------------------------------------------------

class InPlace : public EditorFixture {};

TEST_F(InPlace, AcceptedValuesAreWrittenAndRefusedOnesPutBack) {
  OpenEditor({Question("甲"), Title("组", "材料", 0), Member("组", "1", "小题", 0)});
  const int row = RowOf("甲");
  const std::int64_t id = IdOf(row);
  grid().Click(row, kColDifficulty);

  EXPECT_TRUE(grid().ChooseListItem(row, kColDifficulty, 2));
  EXPECT_EQ(std::get<std::int64_t>(DiskField(id, databases::kDifficulty)), 3);
  grid().EditCell(row, kColDifficulty, "10");
  EXPECT_EQ(cell(row, kColDifficulty), "3");
  EXPECT_EQ(std::get<std::int64_t>(DiskField(id, databases::kDifficulty)), 3);

  grid().Click(row, kColScore);
  grid().EditCell(row, kColScore, "200");
  EXPECT_EQ(cell(row, kColScore), "5");
  grid().EditCell(row, kColScore, "12");
  EXPECT_EQ(std::get<std::int64_t>(DiskField(id, databases::kScore)), 12);

  grid().Click(row, kColType);
  grid().EditCell(row, kColType, "作文");
  EXPECT_EQ(cell(row, kColType), "填空");
  grid().ChooseListItem(row, kColType, 1);
  EXPECT_EQ(std::get<std::string>(DiskField(id, databases::kQuestionType)), "选择");

  grid().Click(row, kColMasked);
  EXPECT_TRUE(grid().cellChecked(row, kColMasked));
  EXPECT_TRUE(std::get<bool>(DiskField(id, databases::kMasked)));

  EXPECT_EQ(host_.MessageTexts(),
            (std::vector<std::string>{"难度值从1到9，可直接选择！", "分值范围为1-100整数！",
                                      "请直接选择题型！"}));
}

TEST_F(InPlace, ATitleKeepsItsScoreAndItsBoxesUnticked) {
  OpenEditor({Title("组", "材料", 0), Member("组", "1", "小题")});
  const int title = RowOf("材料");
  const std::int64_t id = IdOf(title);
  grid().Click(title, kColScore);
  EXPECT_FALSE(grid().Editable());
  grid().DoubleClick(title, kColScore);
  EXPECT_FALSE(grid().Editable());
  grid().Click(title, kColChoice);
  EXPECT_FALSE(grid().cellChecked(title, kColChoice));
  grid().Click(title, kColFixedScore);
  EXPECT_FALSE(grid().cellChecked(title, kColFixedScore));
  EXPECT_FALSE(std::get<bool>(DiskField(id, databases::kChoice)));
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(InPlace, ANewQuestionGetsTheFirstTypeWhenItsTypeIsEmptied) {
  Q fresh = Question("新题");
  fresh.type.clear();
  OpenEditor({fresh});
  grid().Click(1, kColType);
  grid().EditCell(1, kColType, "");
  EXPECT_EQ(cell(1, kColType), "判断");
  EXPECT_EQ(std::get<std::string>(DiskField(IdOf(1), databases::kQuestionType)), "判断");
}

TEST_F(InPlace, AFailedWriteShowsTheEngineMessageAndPutsTheValueBack) {
  OpenEditor({Question("甲")});
  const std::string before = ReadFileBytes(BankFile());
  grid().Click(1, kColDifficulty);
  fs_->failWrites = true;
  grid().EditCell(1, kColDifficulty, "7");
  grid().Click(1, kColFixedScore);
  fs_->failWrites = false;
  EXPECT_EQ(cell(1, kColDifficulty), "1");
  EXPECT_FALSE(grid().cellChecked(1, kColFixedScore));
  EXPECT_EQ(host_.MessageTexts(), (std::vector<std::string>{"磁盘空间不够", "磁盘空间不够"}));
  EXPECT_EQ(ReadFileBytes(BankFile()), before);
}

// ---- Double click, pop-up menu -------------------------------------------------------

class Clicks : public EditorFixture {};

TEST_F(Clicks, DoubleClickOpensTheTextEditorOnlyWhereItEditsAText) {
  Q pic = Question("有图");
  pic.picture = "√";
  OpenEditor({Title("组", "材料", 0), Member("组", "1", "小题"), pic});
  int shown = 0;
  host_.onShow("试题编辑", [&](ui::Window& w) {
    ++shown;
    EXPECT_EQ(w.caption(), "编辑题文1");
  });
  grid().DoubleClick(RowOf("材料"), kColAnswer);
  grid().DoubleClick(RowOf("材料"), kColAnswerPicture);
  grid().DoubleClick(RowOf("材料"), kColGroupNumber);
  grid().DoubleClick(RowOf("有图"), kColAnswerPicture);  // empty picture cell
  EXPECT_EQ(shown, 0);
  grid().DoubleClick(RowOf("材料"), kColText1);
  EXPECT_EQ(shown, 1);
  grid().DoubleClick(RowOf("小题"), kColType);
  EXPECT_TRUE(grid().Editable());
}

TEST_F(Clicks, PopUpItemsFollowTheColumnAndTheSelection) {
  Q pic = Question("有图");
  pic.picture = "√";
  OpenEditor({pic, Question("无图")});
  const auto popupAt = [&](int row, int column) {
    grid().Click(row, column);
    grid().RightClickCell(row, column);
    return host_.popups().back().shown;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(popupAt(RowOf("有图"), kColPicture),
            (V{"预览图片(&Y)", "复制图片(&C)", "删除图片(&D)", "升序(&A)", "降序(&S)", "复制该题并粘贴(&C)"}));
  EXPECT_EQ(popupAt(RowOf("无图"), kColPicture),
            (V{"从剪贴板导入(&P)", "从文件添加(&T)", "升序(&A)", "降序(&S)", "复制该题并粘贴(&C)"}));
  EXPECT_EQ(popupAt(1, kColGroupNumber), (V{"复制该题并粘贴(&C)"}));
  EXPECT_EQ(host_.popups().back().menu, "右键菜单(&R)");
  grid().Drag(1, kColText1, 2, kColAnswer);
  const std::size_t before = host_.popups().size();
  grid().RightClickCell(2, kColAnswer);
  EXPECT_EQ(host_.popups().size(), before);  // neither one row nor one column
}

// A right click first makes the cell under the mouse current, through the
// same check as a left click, so the menu is that cell's.
TEST_F(Clicks, ARightClickActsOnTheCellUnderTheMouse) {
  Q pic = Question("有图");
  pic.picture = "√";
  Q noType = Question("无题型");
  noType.type.clear();
  OpenEditor({pic, Question("无图"), noType});
  using V = std::vector<std::string>;
  grid().Click(RowOf("无图"), kColText1);
  grid().RightClickCell(RowOf("有图"), kColPicture);
  EXPECT_EQ(Cursor(), std::make_pair(RowOf("有图"), int{kColPicture}));
  EXPECT_EQ(host_.popups().back().shown,
            (V{"预览图片(&Y)", "复制图片(&C)", "删除图片(&D)", "升序(&A)", "降序(&S)", "复制该题并粘贴(&C)"}));
  // Not a click on the box: a right click never ticks it.
  grid().RightClickCell(RowOf("无图"), kColChoice);
  EXPECT_FALSE(grid().cellChecked(RowOf("无图"), kColChoice));
  EXPECT_EQ(Cursor(), std::make_pair(RowOf("无图"), int{kColChoice}));

  // Leaving a broken row is refused: its message, the cursor back, no menu.
  grid().Click(RowOf("无题型"), kColText1);
  host_.ClearRecords();
  const std::size_t popups = host_.popups().size();
  grid().RightClickCell(RowOf("有图"), kColPicture);
  EXPECT_EQ(host_.MessageTexts(), V{"请选择题型！"});
  EXPECT_EQ(Cursor(), std::make_pair(RowOf("无题型"), int{kColType}));
  EXPECT_EQ(host_.popups().size(), popups);
}

TEST_F(Clicks, SortingFromThePopUpMenuOrdersByTheCurrentColumn) {
  OpenEditor({Question("乙", "答", 9), Question("甲", "答", 10), Question("丙", "答", 2)});
  grid().Click(1, kColScore);
  host_.AnswerPopup("升序(&A)");
  grid().RightClickCell(1, kColScore);
  EXPECT_EQ(cell(1, kColScore), "2");
  EXPECT_EQ(cell(3, kColScore), "10");
  EXPECT_EQ(grid().rowHeight(2), editor_->QuestionRowHeight());
}

// ---- Question text editor ---------------------------------------------------------------

class TextEditor : public EditorFixture {
 protected:
  // Double-clicks a cell and plays the editor with `play`.
  void Edit(int row, int column, std::function<void(QuestionTextEditor&)> play) {
    host_.onShow("试题编辑", [play](ui::Window& w) { play(dynamic_cast<QuestionTextEditor&>(w)); });
    grid().DoubleClick(row, column);
  }
};

TEST_F(TextEditor, ConfirmedTextsAreTidiedAndWrittenAtOnce) {
  Q choice = Question("选一", "北京");
  choice.choice = true;
  choice.text2 = "北京\r\n上海";
  OpenEditor({Question("甲"), choice});
  const int row = RowOf("甲");
  Edit(row, kColKnowledge, [](QuestionTextEditor& e) {
    EXPECT_EQ(e.编辑框1.maxLength(), 20);
    e.编辑框1.setText(" 函数 || 极限 |");
    e.按钮确定.Click();
    EXPECT_FALSE(e.isOpen());
  });
  EXPECT_EQ(cell(row, kColKnowledge), "函数|极限");
  EXPECT_EQ(std::get<std::string>(DiskField(IdOf(row), databases::kKnowledgePoints)), "函数|极限");

  Edit(row, kColText1, [](QuestionTextEditor& e) {
    EXPECT_EQ(e.编辑框1.maxLength(), 0);
    e.编辑框1.setText("　新题干\r\n\r\n");
    e.按钮确定.Click();
  });
  EXPECT_EQ(std::get<std::string>(DiskField(IdOf(row), databases::kQuestionText1)), "新题干");

  const int c = RowOf("选一");
  Edit(c, kColText2, [](QuestionTextEditor& e) {
    e.编辑框1.setText("北京\r\n\r\n上海\r\n广州");
    e.按钮确定.Click();
  });
  EXPECT_EQ(cell(c, kColText2), "北京\r\n上海\r\n广州");
  EXPECT_EQ(std::get<std::string>(DiskField(IdOf(c), databases::kQuestionText2)),
            "北京\r\n上海\r\n广州");
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(TextEditor, RefusalsCloseOrKeepTheEditorAsTheColumnSays) {
  OpenEditor({Question("甲")});
  const std::string before = ReadFileBytes(BankFile());
  Edit(1, kColAnswer, [](QuestionTextEditor& e) {
    e.编辑框1.setText("  ");
    e.按钮确定.Click();
    EXPECT_FALSE(e.isOpen());
  });
  Edit(1, kColKnowledge, [](QuestionTextEditor& e) {
    e.编辑框1.setText(std::string(600, 'k'));
    e.按钮确定.Click();
    EXPECT_TRUE(e.isOpen());
    e.按钮取消.Click();
  });
  EXPECT_EQ(host_.MessageTexts(), (std::vector<std::string>{"答案不能为空！", "知识点长度超标！"}));
  EXPECT_EQ(cell(1, kColAnswer), "答");
  EXPECT_EQ(ReadFileBytes(BankFile()), before);
}

TEST_F(TextEditor, CopyAllAndPasteGoThroughTheClipboard) {
  Q noKnowledge = Question("甲");
  OpenEditor({noKnowledge});
  Edit(1, kColText1, [&](QuestionTextEditor& e) {
    EXPECT_EQ(e.按钮复制粘贴.caption(), "复制全部");
    e.按钮复制粘贴.Click();
    EXPECT_FALSE(e.isOpen());
  });
  EXPECT_EQ(host_.ClipboardText(), std::optional<std::string>("甲"));

  host_.setClipboardTextDirect(std::nullopt);
  Edit(1, kColKnowledge, [&](QuestionTextEditor& e) {
    EXPECT_EQ(e.按钮复制粘贴.caption(), "粘贴");
    EXPECT_FALSE(e.按钮复制粘贴.enabled());
    e.编辑框1.Type("x");
    EXPECT_TRUE(e.按钮复制粘贴.enabled());
    e.编辑框1.setText("");
    EXPECT_FALSE(e.按钮复制粘贴.enabled());
  });

  host_.setClipboardTextDirect(std::string(30, 'p') + "|q");
  Edit(1, kColKnowledge, [&](QuestionTextEditor& e) {
    EXPECT_TRUE(e.按钮复制粘贴.enabled());
    e.按钮复制粘贴.Click();  // pasting is not held to the 20 characters
    EXPECT_EQ(e.编辑框1.text(), std::string(30, 'p') + "|q");
    e.按钮确定.Click();
  });
  EXPECT_EQ(cell(1, kColKnowledge), std::string(30, 'p') + "|q");
}

TEST_F(TextEditor, AFailedWriteKeepsTheEditorOpenAndTheCellAsItWas) {
  OpenEditor({Question("甲")});
  Edit(1, kColText1, [&](QuestionTextEditor& e) {
    e.编辑框1.setText("乙");
    fs_->failWrites = true;
    e.按钮确定.Click();
    fs_->failWrites = false;
    EXPECT_TRUE(e.isOpen());
    EXPECT_EQ(e.编辑框1.text(), "乙");
    e.按钮取消.Click();
  });
  EXPECT_EQ(cell(1, kColText1), "甲");
  EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"写指定字段失败"});
  EXPECT_EQ(std::get<std::string>(DiskField(IdOf(1), databases::kQuestionText1)), "甲");
}

// ---- Find ---------------------------------------------------------------------------

class Finding : public EditorFixture {
 protected:
  void Type(const std::string& s) { editor_->编辑框1.ReplaceText(s); }
};

TEST_F(Finding, StepsDownEachColumnThenOnToTheNextAndIgnoresCase) {
  Q a = Question("ABC 一");
  a.knowledge = "abc";
  Q b = Question("二");
  b.text2 = "xAbCx";
  b.type = "abc";  // 题型 is never searched
  OpenEditor({a, b, Question("三", "abc")});
  Type("abc");
  EXPECT_FALSE(editor_->按钮下一个.enabled());
  editor_->按钮从头查找.Click();
  EXPECT_EQ(Cursor(), std::make_pair(1, int{kColKnowledge}));
  EXPECT_TRUE(editor_->菜单删除.enabled());  // it follows the current row
  std::vector<std::pair<int, int>> hits;
  for (int i = 0; i < 3; ++i) {
    editor_->按钮下一个.Click();
    hits.push_back(Cursor());
  }
  // After the last row of a column the search goes on in row 1 of the next.
  EXPECT_EQ(hits, (std::vector<std::pair<int, int>>{
                      {1, kColText1}, {2, kColText2}, {3, kColAnswer}}));
  EXPECT_TRUE(host_.messages().empty());
  editor_->按钮下一个.Click();  // nothing more up to the last cell of 答图
  EXPECT_EQ(Cursor(), std::make_pair(3, int{kColAnswer}));
  Type("zzz");
  EXPECT_FALSE(editor_->按钮下一个.enabled());
  editor_->按钮从头查找.Click();
  EXPECT_EQ(host_.MessageTexts(),
            (std::vector<std::string>{"没有找到指定文本", "没有找到指定文本"}));
}

TEST_F(Finding, TheLastCellOfTheAnswerPictureColumnIsFoundByEveryCommand) {
  Q last = Question("三");
  last.answerPicture = "√";
  OpenEditor({Question("一"), Question("二"), last});
  Type("√");
  editor_->按钮从头查找.Click();
  EXPECT_EQ(Cursor(), std::make_pair(3, int{kColAnswerPicture}));
  editor_->按钮下一个.Click();
  EXPECT_EQ(Cursor(), std::make_pair(3, int{kColAnswerPicture}));
  editor_->GoToCell(1, kColKnowledge);
  editor_->按钮从当前查找.Click();
  EXPECT_EQ(Cursor(), std::make_pair(3, int{kColAnswerPicture}));
  EXPECT_TRUE(host_.messages().empty());
}

TEST_F(Finding, AFindFromRightOfTheAnswerPictureStartsOnTheNextRowAndEnds) {
  Q a = Question("一");
  a.knowledge = "k";
  OpenEditor({a, Question("二"), Question("三")});
  Type("一");
  grid().Click(2, kColType);
  editor_->按钮从当前查找.Click();
  EXPECT_EQ(Cursor(), std::make_pair(1, int{kColText1}));  // from row 3, column 0 on
  Type("k");
  grid().Click(3, kColMasked);  // last row: row 1, column 0 is next
  editor_->按钮从当前查找.Click();
  EXPECT_EQ(Cursor(), std::make_pair(1, int{kColKnowledge}));
  Type("nothing");
  grid().Click(3, kColMasked);  // last row, right of 答图
  editor_->按钮从当前查找.Click();
  EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"没有找到指定文本"});
}

// A hit in another row leaves the current one, as a click there would.
TEST_F(Finding, AHitInAnotherRowIsNotShownWhileTheCurrentRowIsIncomplete) {
  Q noType = Question("甲");
  noType.type.clear();
  OpenEditor({noType, Question("乙"), Question("甲乙")});
  grid().Click(1, kColText1);
  Type("乙");
  for (ui::Button* find : {&editor_->按钮从头查找, &editor_->按钮从当前查找}) {
    find->Click();
    EXPECT_EQ(Cursor(), std::make_pair(1, int{kColType}));
  }
  EXPECT_EQ(host_.MessageTexts(), (std::vector<std::string>{"请选择题型！", "请选择题型！"}));
  EXPECT_FALSE(editor_->按钮下一个.enabled());
  // A hit in the same row is no leaving.
  Type("甲");
  editor_->GoToCell(1, kColKnowledge);
  editor_->按钮从当前查找.Click();
  EXPECT_EQ(Cursor(), std::make_pair(1, int{kColText1}));
  EXPECT_EQ(host_.messages().size(), 2u);
}

TEST_F(Finding, AnEmptyBankAnswersAtOnce) {
  OpenEditor({});
  Type("x");
  editor_->按钮从头查找.Click();
  editor_->按钮从当前查找.Click();
  EXPECT_EQ(host_.MessageTexts(),
            (std::vector<std::string>{"没有找到指定文本", "没有找到指定文本"}));
}

// ---- Closing ----------------------------------------------------------------------------

class Closing : public EditorFixture {
 protected:
  static Q PictureChoice(std::string text1, std::string answer, std::string knowledge) {
    Q q = Question(std::move(text1), std::move(answer));
    q.choice = true;
    q.picture = "√";
    q.knowledge = std::move(knowledge);  // tells the rows apart
    return q;
  }
};

TEST_F(Closing, PictureChoiceQuestionsNeedPairsOfLetterAndCircledAnswers) {
  OpenEditor({Question("别的"), PictureChoice("看图选择", "A", "1"), PictureChoice("看图选择", "B", "2"),
              PictureChoice("看图选择", "②", "3")});
  const int first = 2;  // first of them in grid order
  ASSERT_EQ(cell(first, kColKnowledge), "1");
  host_.AnswerMessage(ui::kButtonYes,
                      "题目\"看图选择\"数字编号选项的试题只有1题，缺少随机备选试题，是否现在编辑完善？");
  EXPECT_FALSE(editor_->UserClose());
  EXPECT_TRUE(editor_->isOpen());
  EXPECT_EQ(Cursor(), std::make_pair(first, int{kColText1}));
  EXPECT_EQ(editor_->state().currentRow, first);
  EXPECT_EQ(host_.messages().back().buttons, ui::MessageButtons::YesNo);
  EXPECT_EQ(host_.messages().back().text,
            "题目\"看图选择\"数字编号选项的试题只有1题，缺少随机备选试题，是否现在编辑完善？");

  host_.AnswerMessage(ui::kButtonNo);
  EXPECT_TRUE(editor_->UserClose());
}

TEST_F(Closing, ALoneLetterQuestionMissesItsCircledPartner) {
  OpenEditor({PictureChoice("看图", "A", "")});
  host_.AnswerMessage(ui::kButtonNo);
  EXPECT_TRUE(editor_->UserClose());
  EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{
                                      "题目\"看图\"缺少配对的数字编号选项的试题，是否现在编辑完善？"});
}

TEST_F(Closing, TwoOfEachKindClosesWithoutAsking) {
  OpenEditor({PictureChoice("看图", "A", "1"), PictureChoice("看图", "B", "2"),
              PictureChoice("看图", "①", "3"), PictureChoice("看图", "②", "4")});
  EXPECT_TRUE(editor_->UserClose());
  EXPECT_TRUE(host_.messages().empty());
}

// ---- Row heights, help ------------------------------------------------------------------

class RowHeights : public EditorFixture {};

TEST_F(RowHeights, TheBarSetsEveryRowAndAutoFitsTheLongestText) {
  Q longText = Question(std::string(60, 'x'));
  OpenEditor({longText, Question("短")});
  editor_->横向滚动条1.MoveTo(30);
  EXPECT_EQ(grid().rowHeight(1), 40);
  EXPECT_EQ(grid().rowHeight(2), 40);
  EXPECT_TRUE(editor_->按钮自动行高.enabled());
  // The scripted host fits width / 10 bytes on a line.
  const int perLine = grid().GetColumnWidth(kColText1) / 10;
  const int lines = (60 + perLine - 1) / perLine;
  ASSERT_GT(lines, 1);
  editor_->按钮自动行高.Click();
  EXPECT_EQ(grid().rowHeight(RowOf(std::string(60, 'x'))), 14 * lines + 4);
  EXPECT_EQ(grid().rowHeight(RowOf("短")), 40);
  EXPECT_FALSE(editor_->按钮自动行高.enabled());
}

TEST_F(RowHeights, HelpOpensWithoutWaiting) {
  OpenEditor({});
  EXPECT_TRUE(editor_->菜单题库编辑帮助.Choose());
  ASSERT_EQ(host_.shownWindows().size(), 1u);
  EXPECT_EQ(host_.shownWindows()[0].caption, "题库编辑帮助");
  EXPECT_FALSE(host_.shownWindows()[0].modal);
  ASSERT_NE(editor_->helpWindow(), nullptr);
  const std::string& help = editor_->helpWindow()->编辑框1.text();
  for (const char* topic : {"两段题文", "双击", "右键", "排序", "“|”", "分组", "导出", "导入",
                            "选择题", "A-I", "①-⑨"})
    EXPECT_NE(help.find(topic), std::string::npos) << topic;
  EXPECT_TRUE(editor_->helpWindow()->编辑框1.readOnly());
}

// ---- A whole session -------------------------------------------------------------------

class Session : public EditorFixture {};

TEST_F(Session, TenQuestionsEditedByClicksAndCellsAreOnDiskAfterwards) {
  std::vector<Q> bank;
  for (int i = 1; i <= 10; ++i) bank.push_back(Question("第" + std::to_string(i) + "题", "答", i));
  OpenEditor(bank);
  host_.setStrictMessages(true);

  const int r3 = RowOf("第3题");
  grid().Click(r3, kColDifficulty);
  grid().ChooseListItem(r3, kColDifficulty, 4);
  grid().Click(r3, kColScore);
  grid().EditCell(r3, kColScore, "30");
  grid().Click(RowOf("第7题"), kColChoice);  // makes 第7题 a choice question without options
  host_.AnswerMessage(ui::kButtonOk, "选择栏选中表示为选择型题目");
  grid().Click(RowOf("第8题"), kColText1);  // refused: back to 第7题's 题文2
  EXPECT_EQ(Cursor(), std::make_pair(RowOf("第7题"), int{kColText2}));
  host_.onShow("试题编辑", [](ui::Window& w) {
    auto& e = dynamic_cast<QuestionTextEditor&>(w);
    e.编辑框1.setText("甲\r\n乙\r\n");
    e.按钮确定.Click();
  });
  grid().DoubleClick(RowOf("第7题"), kColText2);
  grid().Click(RowOf("第7题"), kColAnswer);
  host_.onShow("试题编辑", [](ui::Window& w) {
    auto& e = dynamic_cast<QuestionTextEditor&>(w);
    e.编辑框1.setText("乙");
    e.按钮确定.Click();
  });
  grid().DoubleClick(RowOf("第7题"), kColAnswer);
  grid().Click(RowOf("第8题"), kColMasked);
  EXPECT_TRUE(editor_->UserClose());
  engine_.CloseAll();

  const auto records = ReadBankFromDisk();
  ASSERT_EQ(records.size(), 10u);
  const auto text = [&](int i, int f) { return std::get<std::string>(records[i - 1][f - 1]); };
  const auto number = [&](int i, int f) { return std::get<std::int64_t>(records[i - 1][f - 1]); };
  const auto flag = [&](int i, int f) { return std::get<bool>(records[i - 1][f - 1]); };
  EXPECT_EQ(number(3, databases::kDifficulty), 5);
  EXPECT_EQ(number(3, databases::kScore), 30);
  EXPECT_TRUE(flag(7, databases::kChoice));
  EXPECT_EQ(text(7, databases::kQuestionText2), "甲\r\n乙");
  EXPECT_EQ(text(7, databases::kAnswer), "乙");
  EXPECT_TRUE(flag(8, databases::kMasked));
  for (int i : {1, 2, 4, 5, 6, 9, 10}) {
    SCOPED_TRACE(i);
    EXPECT_EQ(text(i, databases::kQuestionText1), "第" + std::to_string(i) + "题");
    EXPECT_EQ(number(i, databases::kScore), i);
    EXPECT_EQ(number(i, databases::kDifficulty), 1);
    EXPECT_FALSE(flag(i, databases::kMasked));
  }
}

}  // namespace
}  // namespace bank_editor::testing
