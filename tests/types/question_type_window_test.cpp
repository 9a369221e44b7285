// The window "题型编辑" opened from the bank editor, over a course library of
// three courses: the editor's own, "线性代数" (password protected) and
// "概率论".
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "databases/course_bank.h"
#include "tests/bank_editor/editor_fixture.h"
#include "tests/support/database_result.h"
#include "types/question_type_window.h"

namespace types {
namespace {

using bank_editor::kColType;
using bank_editor::testing::EditorFixture;
using bank_editor::testing::Q;
using bank_editor::testing::Question;

const std::string kProtected = "线性代数";
const std::string kPlain = "概率论";

Q Typed(std::string text1, std::string type) {
  Q q = Question(std::move(text1));
  q.type = std::move(type);
  return q;
}

// (name, note, answer on a new line) of a row or record.
using TypeRow = std::tuple<std::string, std::string, bool>;

class QuestionTypes : public EditorFixture {
 protected:
  // The course library and the other two banks, then the editor on `own`.
  void OpenCourses(const std::vector<Q>& own, const std::vector<Q>& protectedBank,
                   const std::vector<Q>& plainBank) {
    {
      recfile::RecordFileEngine e;
      databases::DatabaseContext db{e, dir_.path()};
      ASSERT_EQ(databases::OpenCourseLibrary(db), mc::testing::Done());
      ASSERT_TRUE(e.Append({std::string("管理员"), std::string()}));
      ASSERT_TRUE(e.Append({bank_editor::testing::kCourse, std::string()}));
      ASSERT_EQ(databases::CreateCourseBank(db, kProtected, "口令"), mc::testing::Done());
      ASSERT_EQ(databases::CreateCourseBank(db, kPlain, ""), mc::testing::Done());
      e.CloseAll();
    }
    Fill(kProtected, protectedBank, "口令");
    Fill(kPlain, plainBank, "");
    OpenEditor(own);
  }
  void Fill(const std::string& course, const std::vector<Q>& questions, const std::string& password) {
    recfile::RecordFileEngine e;
    ASSERT_TRUE(e.Open(dir_.path() + "/" + course, {}, false, recfile::ShareMode::None, password));
    for (const Q& q : questions) ASSERT_TRUE(e.Append(bank_editor::testing::RecordValues(q)));
    e.CloseAll();
  }

  // Opens "题型编辑" from the editor's menu and plays the user in it.
  void InTypeWindow(std::function<void(QuestionTypeWindow&)> play) {
    bool shown = false;
    host_.onShow<QuestionTypeWindow>([&](QuestionTypeWindow& w) {
      shown = true;
      play(w);
    });
    editor_->菜单题型编辑.Choose();
    EXPECT_TRUE(shown);
  }

  static std::vector<TypeRow> Rows(QuestionTypeWindow& w) {
    std::vector<TypeRow> rows;
    auto& g = w.高级表格1;
    for (int r = 1; r < g.RowCount(); ++r)
      rows.emplace_back(g.cellText(r, kTypeNameColumn), g.cellText(r, kTypeNoteColumn),
                        g.cellChecked(r, kAnswerOnNewLineColumn));
    return rows;
  }
  static int RowOf(QuestionTypeWindow& w, const std::string& name) {
    for (int r = 1; r < w.高级表格1.RowCount(); ++r)
      if (w.高级表格1.cellText(r, kTypeNameColumn) == name) return r;
    ADD_FAILURE() << "no row " << name;
    return -1;
  }
  // The library as another program reads it from disk, in record order.
  std::vector<TypeRow> LibraryOnDisk() {
    recfile::RecordFileEngine e;
    EXPECT_TRUE(e.Open(dir_.path() + "/题型库", {}, false, recfile::ShareMode::None, std::string()));
    std::vector<databases::QuestionType> all;
    databases::TypeLibrary library(e, "题型库");
    EXPECT_TRUE(library.ReadAll(all));
    std::vector<TypeRow> rows;
    for (const auto& t : all) rows.emplace_back(t.name, t.note, t.answerOnNewLine);
    return rows;
  }
  std::vector<std::string> TypesInBank(const std::string& course, const std::string& password) {
    recfile::RecordFileEngine e;
    EXPECT_TRUE(e.Open(dir_.path() + "/" + course, {}, false, recfile::ShareMode::None, password));
    std::vector<std::string> out;
    for (std::int64_t i = 1; i <= e.RecordCount(); ++i) {
      e.GoTo(i);
      out.push_back(e.ReadText(databases::kQuestionType));
    }
    return out;
  }
  std::vector<std::string> EditorTypeCells() {
    std::vector<std::string> out;
    for (int r = 1; r < grid().RowCount(); ++r) out.push_back(cell(r, kColType));
    return out;
  }
  static std::vector<std::string> Names(const std::vector<TypeRow>& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows) out.push_back(std::get<0>(row));
    return out;
  }
};

TEST_F(QuestionTypes, AddedTypesAreCheckedAndEveryDescriptionStaysWithItsName) {
  OpenCourses({Question("一")}, {}, {});
  std::string han512;
  for (int i = 0; i < 256; ++i) han512 += "阿";  // 512 GBK bytes
  InTypeWindow([&](QuestionTypeWindow& w) {
    EXPECT_EQ(w.高级表格1.cellText(0, 0), "题型");
    EXPECT_EQ(w.高级表格1.cellText(0, 1), "说明");
    w.高级表格1.EditCell(RowOf(w, "问答"), kTypeNoteColumn, "论述");
    w.高级表格1.EditCell(RowOf(w, "名词"), kTypeNoteColumn, "解释");
    const struct {
      std::string typed;
      std::string message;
    } refused[] = {{" \u3000 ", "题型不能为空！"},
                   {han512 + "a", "题型长度超标！"},
                   {"\u3000选择 ", "题型 选择 已经存在！"}};
    for (const auto& c : refused) {
      SCOPED_TRACE(c.message);
      host_.ClearRecords();
      host_.AnswerInput(c.typed);
      w.按钮添加.Click();
      EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{c.message});
      EXPECT_EQ(w.高级表格1.RowCount(), 6);
    }
    host_.ClearRecords();
    host_.AnswerInput(han512);
    w.按钮添加.Click();
    host_.AnswerInput(" A卷题 ");  // sorts before every Chinese name
    w.按钮添加.Click();
    EXPECT_TRUE(host_.MessageTexts().empty());
    EXPECT_EQ(w.高级表格1.CursorRow(), 1);
    ASSERT_EQ(host_.inputs().back().prompt, "请输入题型名称（字母512字内，汉字256字内）：");
  });
  const std::vector<TypeRow> expected = {
      {"A卷题", "", false}, {han512, "", false}, {"名词", "解释", true}, {"判断", "", false},
      {"填空", "", false},  {"问答", "论述", true}, {"选择", "", false}};
  EXPECT_EQ(LibraryOnDisk(), expected);
  EXPECT_EQ(grid().columnListItems(kColType), Names(expected));
  InTypeWindow([&](QuestionTypeWindow& w) { EXPECT_EQ(Rows(w), expected); });
}

TEST_F(QuestionTypes, ARenameReachesTheCurrentBankAndTheEditorAfterItsChecks) {
  OpenCourses({Question("一"), Typed("二", "选择"), Question("三")}, {Typed("甲", "名词")}, {});
  std::string tooLong;
  for (int i = 0; i < 300; ++i) tooLong += "长";  // 600 GBK bytes
  InTypeWindow([&](QuestionTypeWindow& w) {
    auto& g = w.高级表格1;
    const int row = RowOf(w, "填空");
    const struct {
      std::string typed;
      std::string message;
    } refused[] = {{"\u3000", "题型不能为空！"},
                   {"选择", "已经存在题型 选择"},
                   {tooLong, "题型长度超标！"}};
    for (const auto& c : refused) {
      SCOPED_TRACE(c.message);
      host_.ClearRecords();
      g.EditCell(row, kTypeNameColumn, c.typed);
      EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{c.message});
      EXPECT_EQ(g.cellText(row, kTypeNameColumn), "填空");
    }
    host_.ClearRecords();
    host_.AnswerMessage(ui::kButtonCancel, "确定要将题型 填空 修改为 空格 吗？");
    g.EditCell(row, kTypeNameColumn, "空格");
    EXPECT_EQ(g.cellText(row, kTypeNameColumn), "填空");
    EXPECT_EQ(std::get<0>(LibraryOnDisk()[2]), "填空");

    host_.AnswerMessage(ui::kButtonOk, "确定要将题型 填空 修改为 空格 吗？");
    g.EditCell(row, kTypeNameColumn, " 空格 ");
    EXPECT_EQ(g.cellText(row, kTypeNameColumn), "空格");

    host_.ClearRecords();
    g.EditCell(RowOf(w, "名词"), kTypeNameColumn, "名词解释");  // 线性代数 uses it
    EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"该题型正在被其它题库使用，不能修改！"});
    EXPECT_EQ(g.cellText(RowOf(w, "名词"), kTypeNameColumn), "名词");
  });
  EXPECT_EQ(Names(LibraryOnDisk()), (std::vector<std::string>{"判断", "选择", "空格", "名词", "问答"}));
  EXPECT_EQ(TypesInBank(bank_editor::testing::kCourse, ""),
            (std::vector<std::string>{"空格", "选择", "空格"}));
  EXPECT_EQ(TypesInBank(kProtected, "口令"), std::vector<std::string>{"名词"});
  std::vector<std::string> cells = EditorTypeCells();
  std::sort(cells.begin(), cells.end());
  EXPECT_EQ(cells, (std::vector<std::string>{"空格", "空格", "选择"}));
  EXPECT_EQ(grid().columnListItems(kColType)[2], "空格");
  EXPECT_FALSE(engine_.IsOpen(dir_.path() + "/" + kProtected + ".edb"));
}

TEST_F(QuestionTypes, ATypeAnyCourseUsesIsNotDeletedAndAnUnusedOneIsPackedAway) {
  OpenCourses({Question("一")}, {Typed("甲", "名词")}, {Typed("乙", "判断")});
  InTypeWindow([&](QuestionTypeWindow& w) {
    for (const char* used : {"填空", "名词", "判断"}) {
      SCOPED_TRACE(used);
      host_.ClearRecords();
      w.高级表格1.Click(RowOf(w, used), kTypeNameColumn);
      w.按钮删除.Click();
      EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"该题型正在被使用，不能删除！"});
    }
    host_.ClearRecords();
    w.高级表格1.Click(RowOf(w, "问答"), kTypeNoteColumn);
    w.按钮删除.Click();
    EXPECT_TRUE(host_.MessageTexts().empty());
    EXPECT_EQ(Names(Rows(w)), (std::vector<std::string>{"判断", "选择", "填空", "名词"}));
  });
  EXPECT_EQ(Names(LibraryOnDisk()), (std::vector<std::string>{"判断", "选择", "填空", "名词"}));
  EXPECT_EQ(grid().columnListItems(kColType),
            (std::vector<std::string>{"判断", "选择", "填空", "名词"}));
  // The current bank stays open and usable in the editor.
  EXPECT_TRUE(engine_.IsOpen(BankFile()));
  grid().Click(1, bank_editor::kColScore);
  grid().EditCell(1, bank_editor::kColScore, "7");
  EXPECT_EQ(std::get<std::int64_t>(DiskField(IdOf(1), databases::kScore)), 7);
}

TEST_F(QuestionTypes, ACourseBankThatCannotBeReadCountsAsUsingTheType) {
  OpenCourses({Question("一")}, {}, {});
  std::filesystem::remove(dir_.path() + "/" + kPlain + ".edt");
  InTypeWindow([&](QuestionTypeWindow& w) {
    host_.ClearRecords();
    w.高级表格1.EditCell(RowOf(w, "问答"), kTypeNameColumn, "论述");
    w.高级表格1.Click(RowOf(w, "问答"), kTypeNameColumn);
    w.按钮删除.Click();
    const auto texts = host_.MessageTexts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].rfind("打开 概率论 题库错误！", 0), 0u);
    EXPECT_EQ(texts[1], "无法查看课程 概率论 的题库是否使用该题型，不能修改！");
    EXPECT_EQ(texts[2].rfind("打开 概率论 题库错误！", 0), 0u);
    EXPECT_EQ(texts[3], "无法查看课程 概率论 的题库是否使用该题型，不能删除！");
    EXPECT_EQ(Rows(w).size(), 5u);
  });
  EXPECT_EQ(Names(LibraryOnDisk()), (std::vector<std::string>{"判断", "选择", "填空", "名词", "问答"}));
}

TEST_F(QuestionTypes, DeleteFollowsTheClickedRowAndOnlyTheDeleteKeyActs) {
  OpenCourses({Question("一")}, {}, {});
  InTypeWindow([&](QuestionTypeWindow& w) {
    auto& g = w.高级表格1;
    g.Click(0, kTypeNameColumn);
    EXPECT_FALSE(w.按钮删除.enabled());
    g.Click(2, kTypeNoteColumn);
    EXPECT_TRUE(w.按钮删除.enabled());
    g.EditCell(2, kTypeNoteColumn, "多选也算");
    g.PressKey(40);  // arrow down: ignored
    EXPECT_EQ(g.CursorRow(), 2);
    g.PressKey(kDeleteKey);  // empties the description
    EXPECT_EQ(g.cellText(2, kTypeNoteColumn), "");
    EXPECT_EQ(std::get<1>(LibraryOnDisk()[1]), "");

    // A delete the disk refuses keeps the row.
    g.Click(5, kTypeNameColumn);
    fs_->failWrites = true;
    w.按钮删除.Click();
    fs_->failWrites = false;
    EXPECT_EQ(host_.MessageTexts().size(), 1u);
    EXPECT_EQ(Names(Rows(w)), Names(LibraryOnDisk()));
    EXPECT_EQ(Rows(w).size(), 5u);

    w.纵向滚动条1.MoveTo(16);
    EXPECT_EQ(g.rowHeight(3), 40);
    w.Resize(600, 400);
    EXPECT_EQ(g.GetColumnWidth(0), 192);
    EXPECT_EQ(g.GetColumnWidth(1), 384);
    EXPECT_EQ(g.GetColumnWidth(2), 0);
    EXPECT_EQ(w.按钮删除.geometry().left, 146);
    EXPECT_EQ(w.按钮添加.geometry().left, 373);
    EXPECT_EQ(w.按钮添加.geometry().top, 364);
  });
}

}  // namespace
}  // namespace types
