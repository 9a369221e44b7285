#include <gtest/gtest.h>

#include <filesystem>

#include "bank_editor/import_export.h"
#include "databases/course_bank.h"
#include "editor_fixture.h"
#include "tests/support/database_result.h"

namespace bank_editor::testing {
namespace {

Q Grouped(std::string group, std::string number, std::string text1, int score) {
  Q q = Question(std::move(text1), number == "0" ? "" : "答", score);
  q.groupName = std::move(group);
  q.groupNumber = std::move(number);
  return q;
}

class ImportExport : public EditorFixture {
 protected:
  std::string Other(const std::string& name) {
    std::filesystem::create_directories(dir_.path() + "/其他");
    return dir_.path() + "/其他/" + name;
  }
  std::vector<std::string> DiskTexts1() {
    std::vector<std::string> out;
    for (const auto& r : ReadBankFromDisk()) out.push_back(std::get<std::string>(r[3]));
    return out;
  }
};

TEST_F(ImportExport, ACopyOfTheBankImportsNothingAndItselfIsRefused) {
  const std::vector<Q> bank = {Question("一"), Question("二"), Question("三")};
  WriteBankAt(Other("副本"), bank);
  OpenEditor(bank);
  host_.AnswerOpenFile(Other("副本") + ".edb");
  editor_->菜单导入.Choose();
  host_.AnswerOpenFile(BankFile());
  editor_->菜单导入.Choose();
  EXPECT_EQ(host_.MessageTexts(),
            (std::vector<std::string>{"3条记录重复，实际导入0条记录。", "题库不能自我导入！"}));
  EXPECT_EQ(editor_->状态条1.text(), "成功导入0条记录。");
  EXPECT_EQ(DiskTexts1().size(), 3u);
  EXPECT_TRUE(editor_->enabled());
}

TEST_F(ImportExport, NewQuestionsGroupsUnderANewNameAndNewTypesComeIn) {
  Q essay = Question("作文题");
  essay.type = "作文";
  WriteBankAt(Other("合并"),
              {Question("一"), Question("新一"), Grouped("阅读", "0", "材料二", 9),
               Grouped("阅读", "1", "问甲", 4), Grouped("阅读", "2", "问乙", 5), essay});
  OpenEditor({Question("一"), Grouped("阅读", "0", "材料", 0)});
  host_.AnswerOpenFile(Other("合并") + ".edb");
  host_.AnswerMessage(ui::kButtonOk, "分组名重复！按确定更改源分组名并导入，按取消跳过");
  host_.onShow<NewGroupNameWindow>([](NewGroupNameWindow& w) {
    w.新分组名.setText("阅读");
    w.按钮确定.Click();  // taken
    EXPECT_TRUE(w.isOpen());
    w.新分组名.setText(" 阅读 二");
    w.按钮确定.Click();
  });
  host_.AnswerMessage(ui::kButtonOk, "1条记录重复，实际导入5条记录。");
  editor_->菜单导入.Choose();
  EXPECT_EQ(host_.MessageTexts(), (std::vector<std::string>{"分组名重复！按确定更改源分组名并导入，按取消跳过",
                                                            "该分组名已经存在！",
                                                            "1条记录重复，实际导入5条记录。"}));
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 5 题）");
  for (const char* t : {"材料二", "问甲", "问乙"}) {
    EXPECT_EQ(cell(RowOf(t), kColGroupName), "阅读二");
    EXPECT_EQ(std::get<std::string>(DiskField(IdOf(RowOf(t)), databases::kGroupName)), "阅读二");
  }
  EXPECT_EQ(RowOf("材料二") + 1, RowOf("问甲"));  // group order
  EXPECT_EQ(grid().columnListItems(kColType).back(), "作文");
  engine_.SetCurrent("题型库");
  EXPECT_EQ(engine_.RecordCount(), 6);
  EXPECT_EQ(DiskTexts1().size(), 7u);
}

TEST_F(ImportExport, AClashingGroupTheUserSkipsCountsOnce) {
  WriteBankAt(Other("合并"), {Grouped("阅读", "0", "材料二", 9), Grouped("阅读", "1", "问甲", 4),
                              Question("单")});
  OpenEditor({Grouped("阅读", "0", "材料", 0)});
  host_.AnswerOpenFile(Other("合并") + ".edb");
  host_.AnswerMessage(ui::kButtonCancel, "分组名重复");
  editor_->菜单导入.Choose();
  EXPECT_EQ(host_.MessageTexts().back(), "1条记录重复，实际导入1条记录。");
  EXPECT_EQ(DiskTexts1(), (std::vector<std::string>{"材料", "单"}));
}

TEST_F(ImportExport, AProtectedSourceAsksItsPasswordMasked) {
  WriteBankAt(Other("加密"), {Question("秘")}, "口令");
  OpenEditor({Question("一")});
  host_.AnswerOpenFile(Other("加密") + ".edb");
  host_.AnswerInput("错的");
  editor_->菜单导入.Choose();
  ASSERT_EQ(host_.inputs().size(), 1u);
  EXPECT_EQ(host_.inputs()[0].prompt, "请输入欲导入数据库的密码：");
  EXPECT_TRUE(host_.inputs()[0].masked);
  EXPECT_NE(host_.MessageTexts().back().find("\r\n密码错误或导入题库.edb和.edt的文件名不一致！"),
            std::string::npos);
  host_.AnswerOpenFile(Other("加密") + ".edb");
  host_.AnswerInput("口令");
  editor_->菜单导入.Choose();
  EXPECT_EQ(host_.MessageTexts().back(), "成功导入1条记录。");
  EXPECT_EQ(DiskTexts1(), (std::vector<std::string>{"一", "秘"}));
}

TEST_F(ImportExport, ExportCopiesBothFilesAndAsksBeforeReplacing) {
  OpenEditor({Question("一")});
  databases::DatabaseContext db{engine_, dir_.path()};
  ASSERT_EQ(databases::OpenCourseLibrary(db), mc::testing::Done());
  ASSERT_TRUE(engine_.Append({std::string("王老师"), std::string()}));
  const std::string target = dir_.path() + "/备份";
  std::filesystem::create_directories(target);
  const std::string copy = target + "/高等数学备份-王老师";

  host_.AnswerFolder(dir_.path());
  editor_->菜单导出.Choose();
  host_.AnswerFolder(target);
  editor_->菜单导出.Choose();
  EXPECT_EQ(host_.MessageTexts(), (std::vector<std::string>{"不能复制到源文件夹！请双击选择别的文件夹。",
                                                            "导出课程完毕。"}));
  EXPECT_EQ(ReadFileBytes(copy + ".edb"), ReadFileBytes(BankFile()));
  EXPECT_EQ(ReadFileBytes(copy + ".edt"), ReadFileBytes(SideFile()));

  std::ofstream(copy + ".edb", std::ios::binary | std::ios::trunc) << "old";
  host_.ClearRecords();
  host_.AnswerFolder(target + "/");
  host_.AnswerMessage(ui::kButtonNo, "目标文件 高等数学备份-王老师.edb 已经存在，继续复制将覆盖它，继续复制吗？");
  editor_->菜单导出.Choose();
  EXPECT_EQ(host_.messages().size(), 1u);
  EXPECT_EQ(ReadFileBytes(copy + ".edb"), "old");
  EXPECT_EQ(engine_.CurrentName(), kCourse);
}

TEST_F(ImportExport, MembersOfASkippedTitleComeInAndTheCountRisesByTheQuestionsAdded) {
  WriteBankAt(Other(kCourse),
              {Question("单一"), Question("单二"), Grouped("阅读", "0", "材料", 0),
               Grouped("阅读", "1", "新问一", 4), Grouped("阅读", "2", "新问二", 5),
               Question("单三"), Grouped("完形", "0", "短文", 0), Grouped("完形", "1", "空一", 2),
               Grouped("完形", "2", "空二", 3)});
  // The source carries the course's name in another folder.
  OpenEditor({Question("旧"), Grouped("阅读", "0", "材料", 0)});  // the same title stands
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 2 题）");
  host_.AnswerOpenFile(Other(kCourse) + ".edb");
  editor_->菜单导入.Choose();
  EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"1条记录重复，实际导入8条记录。"});
  EXPECT_EQ(editor_->caption(), "题库编辑 —— 高等数学（共 6 题）");  // 3 singles, 1 group
  for (const char* member : {"新问一", "新问二"}) {
    EXPECT_EQ(cell(RowOf(member), kColGroupName), "阅读");
    EXPECT_EQ(RowOf(member), RowOf("材料") + (member == std::string("新问一") ? 1 : 2));
  }
  EXPECT_EQ(DiskTexts1().size(), 10u);
  for (int r = 1; r < grid().RowCount(); ++r)
    EXPECT_EQ(std::get<std::string>(DiskField(IdOf(r), databases::kQuestionText1)),
              cell(r, kColText1));
}

TEST_F(ImportExport, TheEditorStaysShutWhileProgressShowsAndTheJoinedTextsDecideDuplicates) {
  Q split = Question("甲乙");
  split.text2 = "丙";
  Q otherSplit = Question("甲");
  otherSplit.text2 = "乙丙";
  Q otherAnswer = otherSplit;
  otherAnswer.answer = "另";
  WriteBankAt(Other("合并"), {otherSplit, otherAnswer, Question("新")});
  OpenEditor({split});
  std::vector<std::string> progress;
  host_.onPendingEvents([&] {
    progress.push_back(editor_->状态条1.text());
    EXPECT_FALSE(editor_->enabled());
    EXPECT_FALSE(grid().EditCell(1, kColKnowledge, "改"));
  });
  host_.AnswerOpenFile(Other("合并") + ".edb");
  editor_->菜单导入.Choose();
  ASSERT_GE(progress.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(progress.begin(), progress.begin() + 3),
            (std::vector<std::string>{"正在导入处理： 1/3", "正在导入处理： 2/3", "正在导入处理： 3/3"}));
  EXPECT_EQ(host_.MessageTexts(), std::vector<std::string>{"1条记录重复，实际导入2条记录。"});
  EXPECT_EQ(editor_->状态条1.text(), "成功导入2条记录。");
  EXPECT_TRUE(editor_->enabled());
  EXPECT_EQ(cell(1, kColKnowledge), "");
}

TEST_F(ImportExport, AnImportThatFailsHalfwayLeavesBankAndLibraryAsTheyWere) {
  Q essay = Question("作文");
  essay.type = "作文";
  WriteBankAt(Other("合并"), {Question("新一"), Question("新二"), essay, Question("新四")});
  OpenEditor({Question("一"), Question("二")});
  {  // the course record, so the bank can be opened again as the main window did
    databases::DatabaseContext db{engine_, dir_.path()};
    ASSERT_EQ(databases::OpenCourseLibrary(db), mc::testing::Done());
    ASSERT_TRUE(engine_.Append({std::string("王老师"), std::string()}));
    ASSERT_TRUE(engine_.Append({kCourse, std::string()}));
  }
  const std::string edb = ReadFileBytes(BankFile()), edt = ReadFileBytes(SideFile());
  const int rows = grid().RowCount();
  // Every write of the import fails once in turn, until one import gets through.
  for (int failing = 1;; ++failing) {
    SCOPED_TRACE(failing);
    ASSERT_LT(failing, 200);
    host_.ClearRecords();
    fs_->failNthWrite = failing;
    host_.AnswerOpenFile(Other("合并") + ".edb");
    editor_->菜单导入.Choose();
    const bool failed = fs_->failNthWrite == 0;
    fs_->failNthWrite = 0;
    ASSERT_EQ(host_.MessageTexts().size(), 1u);
    if (!failed) {
      EXPECT_EQ(host_.MessageTexts()[0], "成功导入4条记录。");
      EXPECT_GT(failing, 8);  // the type and four questions were written before
      break;
    }
    EXPECT_EQ(host_.MessageTexts()[0].rfind("导入失败，题库没有改变：", 0), 0u);
    EXPECT_TRUE(ReadFileBytes(BankFile()) == edb);
    EXPECT_TRUE(ReadFileBytes(SideFile()) == edt);
    EXPECT_EQ(grid().RowCount(), rows);
    EXPECT_TRUE(editor_->enabled());
    std::vector<databases::QuestionType> types;
    databases::TypeLibrary library(engine_);
    ASSERT_TRUE(library.ReadAll(types));
    EXPECT_EQ(types.size(), 5u);
    // The bank is open again and takes edits.
    grid().Click(1, kColScore);
    ASSERT_TRUE(grid().EditCell(1, kColScore, "6"));
    grid().EditCell(1, kColScore, "5");
    if (::testing::Test::HasFailure()) break;
  }
  EXPECT_EQ(DiskTexts1().size(), 6u);
  EXPECT_EQ(grid().RowCount(), rows + 4);
}

TEST_F(ImportExport, ASourceRecordThatCannotBeReadStopsTheImportBeforeAnythingIsWritten) {
  std::string longText(3000, 'x');  // a chain of several side-file blocks
  WriteBankAt(Other("坏"), {Question("新一"), Question(longText), Question("新三")});
  {  // the long text's length in its first block says more than the file holds
    std::string side = ReadFileBytes(Other("坏") + ".edt");
    const std::size_t at = side.find(std::string(16, 'x'));
    ASSERT_NE(at, std::string::npos);
    side.replace(at - 4, 4, "\xFF\xFF\xFF\x0F");
    std::ofstream(Other("坏") + ".edt", std::ios::binary | std::ios::trunc) << side;
  }
  OpenEditor({Question("一")});
  const std::string edb = ReadFileBytes(BankFile()), edt = ReadFileBytes(SideFile());
  host_.AnswerOpenFile(Other("坏") + ".edb");
  editor_->菜单导入.Choose();
  ASSERT_EQ(host_.MessageTexts().size(), 1u);
  EXPECT_EQ(host_.MessageTexts()[0].rfind("导入题库的第 2 条记录读不出：", 0), 0u)
      << host_.MessageTexts()[0];
  EXPECT_TRUE(ReadFileBytes(BankFile()) == edb);
  EXPECT_TRUE(ReadFileBytes(SideFile()) == edt);
  EXPECT_EQ(grid().RowCount(), 2);
  EXPECT_TRUE(editor_->enabled());
  EXPECT_EQ(editor_->状态条1.text(), "导入失败。");
}

TEST_F(ImportExport, AnExportThatCannotBeWrittenSaysWhyAndLeavesNoHalfCopy) {
  OpenEditor({Question("一")});
  databases::DatabaseContext db{engine_, dir_.path()};
  ASSERT_EQ(databases::OpenCourseLibrary(db), mc::testing::Done());
  ASSERT_TRUE(engine_.Append({std::string("王老师"), std::string()}));
  const std::string target = dir_.path() + "/备份";
  const std::string copy = target + "/高等数学备份-王老师";
  std::filesystem::create_directories(copy + ".edt.part/占位");  // the side file cannot be written
  host_.AnswerFolder(target);
  editor_->菜单导出.Choose();
  ASSERT_EQ(host_.MessageTexts().size(), 1u);
  EXPECT_EQ(host_.MessageTexts()[0].rfind("导出失败，不能写入文件 " + copy + ".edt：", 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(copy + ".edb"));
  EXPECT_FALSE(std::filesystem::exists(copy + ".edb.part"));
  EXPECT_FALSE(std::filesystem::exists(copy + ".edt"));
  EXPECT_EQ(engine_.CurrentName(), kCourse);
}

TEST(QuestionContentSet, FindsExactlyWhatTheRowByRowRuleCallsTheSame) {
  struct Content {
    std::string text1, text2, answer;
  };
  const std::vector<Content> contents = {
      {"甲乙", "丙", "答"}, {"甲", "乙丙", "答"}, {"", "甲乙丙", "答"}, {"甲乙丙", "", "答"},
      {"甲乙", "丙", "答 "}, {"甲乙", "丙答", ""}, {"甲", "乙", "丙答"},  {"", "", ""},
      {"a", "", "bc"},      {"ab", "", "c"},     {"1:", "2", "3"},     {"1", ":2", "3"}};
  for (const Content& a : contents) {
    QuestionContentSet set;
    set.Add(a.text1, a.text2, a.answer);
    for (const Content& b : contents) {
      SCOPED_TRACE(a.text1 + "|" + a.text2 + "|" + a.answer + " vs " + b.text1 + "|" + b.text2 +
                   "|" + b.answer);
      EXPECT_EQ(set.Contains(b.text1, b.text2, b.answer),
                SameQuestionContent(a.text1, a.text2, a.answer, b.text1, b.text2, b.answer));
    }
  }
}

}  // namespace
}  // namespace bank_editor::testing
