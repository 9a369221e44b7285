#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "databases/command_line_course.h"
#include "databases/course_bank.h"
#include "databases/password_cipher.h"
#include "databases/program_databases.h"
#include "tests/support/database_result.h"
#include "tools/sample_bank/sample_bank.h"
#include "exchange/moodle_xml.h"
#include "tools/mochuan-export/export_command.h"
#include "exchange/document_import_window.h"
#include "recfile/file_system.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/temp_dir.h"
#include "tools/mochuan-import/import_command.h"
#include "ui/testing/scripted_host.h"

namespace exchange {
namespace {

using databases::Question;
using mc::testing::TempDir;

class DocumentImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    databases::DatabaseContext ctx{engine, dir.path()};
    ASSERT_EQ(databases::OpenCourseLibrary(ctx), mc::testing::Done());
    ASSERT_TRUE(engine.Append({recfile::Value(std::string("王老师")),
                               recfile::Value(databases::EncipherPassword("admin"))}));
    ASSERT_EQ(databases::CreateCourseBank(ctx, "物理", ""), mc::testing::Done());
    ASSERT_EQ(databases::OpenCourseForCommand(engine, dir.path(), "物理", ""), "");
    Question q;
    q.text1 = "已有的题";
    q.answer = "已有答案";
    q.type = "问答";
    q.difficulty = 4;
    q.score = 6;
    ASSERT_GT(bank.Append(q), 0);
  }
  std::string WriteDocument(const std::string& name, const std::string& content) {
    const std::string path = dir / name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::vector<Question> BankQuestions() {
    std::vector<Question> all;
    EXPECT_TRUE(bank.ReadAll(all));
    return all;
  }

  static constexpr const char* kDocument =
      "一、判断题\n1. 地球绕太阳转。\n答案：正确\n"
      "二、计算题（每题10分）\n1. 计算能量守恒。\n答案：能量不会凭空产生。\n"
      "2. 已有的题\n答案：已有答案\n"
      "3. 没有答案\n";

  TempDir dir;
  std::shared_ptr<mc::testing::FaultyFileSystem> fs = std::make_shared<mc::testing::FaultyFileSystem>();
  recfile::RecordFileEngine engine{fs};
  databases::CourseBank bank{engine, "物理"};
  databases::TypeLibrary types{engine};
  ui::testing::ScriptedHost host;
};

TEST_F(DocumentImportTest, ThePreviewListsEveryQuestionAndImportWritesTheImportableOnes) {
  host.AnswerOpenFile(WriteDocument("题.txt", kDocument));
  host.onShow<DocumentImportWindow>([](DocumentImportWindow& w) {
    EXPECT_EQ(w.标签统计.text(), "读入 4 题，可导入 2 题，重复 1 题，不能导入 1 题，略去解析 0 处。");
    EXPECT_EQ(w.高级表格1.RowCount(), 5);
    EXPECT_EQ(w.高级表格1.cellText(4, 10), "不能导入：找不到答案");
    EXPECT_EQ(w.高级表格1.cellText(3, 10), "重复：试题重复！");
    EXPECT_NE(w.编辑框问题.text().find("第9行：找不到答案"), std::string::npos);
    w.按钮导入.Click();
  });
  EXPECT_EQ(ImportQuestionsFromDocument(host, nullptr, bank, types), 2);
  EXPECT_EQ(host.MessageTexts().back(), "成功导入2题。");
  const auto all = BankQuestions();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[1].type, "判断");
  EXPECT_EQ(all[2].type, "计算");
  EXPECT_EQ(all[2].score, 10);
  EXPECT_EQ(all[1].score, 6);  // the bank's usual score
  EXPECT_EQ(all[1].difficulty, 4);
  EXPECT_TRUE(types.FindByName("计算"));
}

TEST_F(DocumentImportTest, CancelAndAFailedWriteLeaveTheBankAsItWas) {
  host.AnswerOpenFile(WriteDocument("题.txt", kDocument));
  host.onShow<DocumentImportWindow>([](DocumentImportWindow& w) { w.按钮取消.Click(); });
  EXPECT_EQ(ImportQuestionsFromDocument(host, nullptr, bank, types), 0);
  EXPECT_EQ(BankQuestions().size(), 1u);

  host.AnswerOpenFile(WriteDocument("题.txt", kDocument));
  host.onShow<DocumentImportWindow>([this](DocumentImportWindow& w) {
    fs->failNthWrite = 6;  // inside the second question
    w.按钮导入.Click();
  });
  EXPECT_EQ(ImportQuestionsFromDocument(host, nullptr, bank, types), 0);
  EXPECT_NE(host.MessageTexts().back().find("导入失败，题库未改变"), std::string::npos);
  const auto all = BankQuestions();
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].text1, "已有的题");
  EXPECT_FALSE(types.FindByName("计算"));
}

TEST_F(DocumentImportTest, TheCommandPrintsADryRunAndImportsWithExitCodes) {
  const std::string file = WriteDocument("题.txt", kDocument);
  engine.CloseAll();
  std::ostringstream out, err;
  EXPECT_EQ(import_tool::ImportCommand({"--data-dir", dir.path(), "--course", "物理", file, "--dry-run"},
                                       out, err),
            import_tool::kExitRefused);
  EXPECT_NE(out.str().find("\"题文1\": \"地球绕太阳转。\""), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("\"题图数据\": 0"), std::string::npos);
  EXPECT_NE(out.str().find("第9行：找不到答案"), std::string::npos);

  recfile::RecordFileEngine fresh;
  ASSERT_EQ(databases::OpenCourseForCommand(fresh, dir.path(), "物理", ""), "");
  databases::CourseBank again(fresh, "物理");
  EXPECT_EQ(again.Count(), 1);  // a dry run writes nothing
  fresh.CloseAll();

  std::ostringstream out2, err2;
  EXPECT_EQ(import_tool::ImportCommand({"--data-dir", dir.path(), "--course", "物理", file}, out2, err2),
            import_tool::kExitRefused);
  EXPECT_NE(out2.str().find("导入 2 题"), std::string::npos) << out2.str();

  const std::pair<std::vector<std::string>, std::string> failures[] = {
      {{"--data-dir", dir.path(), "--course", "化学", file}, "没有课程：化学"},
      {{"--data-dir", dir.path(), "--course", "物理", dir / "无.txt"}, "无法打开文件"},
      {{"--course", "物理", file}, "用法"},
  };
  for (const auto& [args, message] : failures) {
    std::ostringstream o, e;
    EXPECT_EQ(import_tool::ImportCommand(args, o, e), import_tool::kExitFailure);
    EXPECT_NE(e.str().find(message), std::string::npos) << e.str();
  }
}

TEST_F(DocumentImportTest, ABankExportedAsMoodleXmlComesBackTheSameInAnotherCourse) {
  std::string error;
  ASSERT_TRUE(samples::WriteSampleBank(engine, dir / "样本", 120, 7, "", &error)) << error;
  ASSERT_TRUE(engine.Open(dir / "样本"));
  databases::CourseBank sample(engine, "样本");
  const std::string xml = dir / "样本.xml";
  MoodleExport result;
  ASSERT_TRUE(ExportBankToMoodleFile(sample, "样本", xml, result, error)) << error;

  ImportPreview preview;
  ASSERT_TRUE(PrepareDocumentImport(xml, bank, types, preview, error)) << error;
  for (const auto& r : preview.rows) EXPECT_EQ(r.status, ImportRow::Status::Importable) << r.line << r.reason;
  ASSERT_TRUE(WriteDocumentImport(bank, types, preview, error)) << error;

  std::vector<Question> before, after;
  ASSERT_TRUE(sample.ReadAll(before));
  ASSERT_TRUE(bank.ReadAll(after));
  std::map<std::string, const Question*> imported;
  for (const auto& q : after) imported[q.text1 + "\x01" + q.text2 + "\x01" + q.answer] = &q;
  int compared = 0;
  for (const auto& q : before) {
    if (q.masked) continue;
    SCOPED_TRACE(q.text1);
    const auto it = imported.find(q.text1 + "\x01" + q.text2 + "\x01" + q.answer);
    if (q.isMember()) {
      // Members of a masked title leave with their group.
      bool titleMasked = false;
      for (const auto& t : before) titleMasked |= t.isTitle() && t.groupName == q.groupName && t.masked;
      if (titleMasked) continue;
    }
    ASSERT_NE(it, imported.end());
    const Question& got = *it->second;
    EXPECT_EQ(got.type, q.type);
    EXPECT_EQ(got.score, q.score);
    EXPECT_EQ(got.difficulty, q.difficulty);
    EXPECT_EQ(got.knowledgePoints, q.knowledgePoints);
    EXPECT_EQ(got.choice, q.choice);
    EXPECT_EQ(got.groupName, q.groupName);
    EXPECT_EQ(got.groupNumber, q.groupNumber);
    EXPECT_EQ(bank.ReadPicture(got.id, databases::PictureKind::Question),
              sample.ReadPicture(q.id, databases::PictureKind::Question));
    EXPECT_EQ(bank.ReadPicture(got.id, databases::PictureKind::Answer),
              sample.ReadPicture(q.id, databases::PictureKind::Answer));
    ++compared;
  }
  EXPECT_EQ(compared + result.masked, static_cast<int>(before.size()));
  EXPECT_GT(compared, 60);
}

TEST_F(DocumentImportTest, TheExportCommandWritesTheBankOrSaysWhyNot) {
  engine.CloseAll();
  std::ostringstream out, err;
  const std::string xml = dir / "物理.xml";
  EXPECT_EQ(export_tool::ExportCommand({"--data-dir", dir.path(), "--course", "物理", "--format",
                                        "moodle-xml", "--out", xml},
                                       out, err),
            0) << err.str();
  EXPECT_EQ(out.str(), "写出 1 题，略去屏蔽的 0 题：" + xml + "\n");
  std::ifstream in(xml);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_NE(text.find("<text><![CDATA[已有的题]]></text>"), std::string::npos);
  const std::pair<std::vector<std::string>, std::string> failures[] = {
      {{"--data-dir", dir.path(), "--course", "物理", "--format", "docx", "--out", xml}, "不支持的格式"},
      {{"--data-dir", dir.path(), "--course", "物理", "--format", "moodle-xml", "--out", dir / "无/a.xml"},
       "无法写入文件"},
      {{"--data-dir", dir.path(), "--format", "moodle-xml", "--out", xml}, "用法"},
  };
  for (const auto& [args, message] : failures) {
    std::ostringstream o, e;
    EXPECT_EQ(export_tool::ExportCommand(args, o, e), export_tool::kExitFailure);
    EXPECT_NE(e.str().find(message), std::string::npos) << e.str();
  }
}

}  // namespace
}  // namespace exchange
