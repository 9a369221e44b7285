#include "databases/course_bank.h"

#include <gtest/gtest.h>

#include "databases/password_cipher.h"
#include "databases/program_databases.h"
#include "test_support.h"

namespace databases {
namespace {

using recfile::Bytes;
using recfile::Value;
using testing::Succeeded;
using testing::TempDir;

class CourseBankTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Succeeded(OpenCourseLibrary(ctx())));
    ASSERT_TRUE(engine.Append({Value(std::string("王老师")), Value(EncipherPassword("admin"))}));
    ASSERT_TRUE(Succeeded(CreateCourseBank(ctx(), "物理", "")));
    if (!engine.IsOpen(ctx().FullPathOf("物理"))) {
      ASSERT_TRUE(engine.Open(ctx().PathOf("物理")));
    }
  }
  DatabaseContext ctx() { return {engine, dir.path()}; }

  static Question Make(const std::string& text1, const std::string& group = {},
                       const std::string& number = {}, int score = 2) {
    Question q;
    q.text1 = text1;
    q.groupName = group;
    q.groupNumber = number;
    q.type = "填空";
    q.difficulty = 3;
    q.score = score;
    q.answer = "答" + text1;
    return q;
  }

  TempDir dir;
  recfile::RecordFileEngine engine;
};

TEST_F(CourseBankTest, QuestionsRoundTripWithPicturesAndChanges) {
  CourseBank bank(engine, "物理");
  Question first = Make("第一题");
  first.knowledgePoints = "力|功";
  first.pictureMark = "√";
  first.choice = true;
  const Bytes picture = {0xFF, 0xD8, 0x00, 0x7F};
  const std::int64_t a = bank.Append(first, picture);
  const std::int64_t b = bank.Append(Make("第二题", "组", "0", 0));
  ASSERT_GT(a, 0) << bank.lastError().code << bank.lastError().message;
  ASSERT_GT(b, a);

  std::vector<Question> all;
  ASSERT_TRUE(bank.ReadAll(all));
  ASSERT_EQ(all.size(), 2u);
  first.id = a;
  EXPECT_EQ(all[0], first);
  EXPECT_TRUE(all[1].isTitle());
  EXPECT_TRUE(all[1].countsAsOne());
  EXPECT_EQ(bank.ReadPicture(a, PictureKind::Question), picture);
  EXPECT_TRUE(bank.ReadPicture(a, PictureKind::Answer).empty());

  // Another database current in between does not matter.
  ASSERT_TRUE(Succeeded(OpenQuestionTypeLibrary(ctx())));
  QuestionChanges c;
  c.score = 7;
  c.masked = true;
  c.text2 = "甲\r\n乙";
  ASSERT_TRUE(bank.Update(b, c));
  const auto read = bank.Read(b);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->score, 7);
  EXPECT_TRUE(read->masked);
  EXPECT_EQ(read->text2, "甲\r\n乙");
  EXPECT_EQ(read->text1, "第二题");

  const auto twin = bank.FindByText1("第一题", b);
  ASSERT_TRUE(twin);
  EXPECT_EQ(twin->id, a);
  EXPECT_FALSE(bank.FindByText1("第一题", a));
}

TEST_F(CourseBankTest, UpdateManyOfAMissingQuestionPutsTheEarlierOnesBack) {
  CourseBank bank(engine, "物理");
  const std::int64_t a = bank.Append(Make("一"));
  QuestionChanges c;
  c.score = 9;
  EXPECT_FALSE(bank.UpdateMany({{a, c}, {a + 100, c}}));
  EXPECT_NE(bank.lastError().code, 0);
  EXPECT_FALSE(bank.lastError().message.empty());
  EXPECT_EQ(bank.Read(a)->score, 2);
}

TEST_F(CourseBankTest, DeleteLeavesTheRecordUntilPackAndRemoveFreesAtOnce) {
  CourseBank bank(engine, "物理");
  const std::int64_t a = bank.Append(Make("一"));
  const std::int64_t b = bank.Append(Make("二"));
  const std::int64_t c = bank.Append(Make("三"));
  ASSERT_TRUE(bank.Delete(b));
  EXPECT_EQ(bank.Count(), 3);  // marked, not yet gone
  std::vector<Question> all;
  ASSERT_TRUE(bank.ReadAll(all));
  ASSERT_EQ(all.size(), 2u);
  ASSERT_TRUE(bank.Pack());
  EXPECT_EQ(bank.Count(), 2);
  EXPECT_EQ(bank.Read(c)->text1, "三");  // ids survive the packing
  EXPECT_FALSE(bank.Delete(b));
  EXPECT_EQ(bank.lastError().code, recfile::err::NoSuchRecord);
  ASSERT_TRUE(bank.Remove({a}));
  EXPECT_EQ(bank.Count(), 1);
}

TEST_F(CourseBankTest, CopyFromAnotherBankMatchesFieldsByNameAndKeepsPictures) {
  CourseBank bank(engine, "物理");
  const std::int64_t own = bank.Append(Make("本题"));
  // A source with its fields in another order, one of them missing, one
  // of another type, and a name in other letter case.
  const std::string source = dir.path() + "/来源";
  {
    recfile::RecordFileEngine other;
    using recfile::FieldType;
    ASSERT_TRUE(other.Create(source, {{"答案", FieldType::Memo, 0},
                                      {"题文1", FieldType::Memo, 0},
                                      {"分值", FieldType::Integer, 0},
                                      {"题型", FieldType::Integer, 0},
                                      {"题图数据", FieldType::ByteSet, 0}}));
    ASSERT_TRUE(other.Open(source));
    for (const char* t : {"甲", "乙", "丙"})
      ASSERT_TRUE(other.Append({Value(std::string("答") + t), Value(std::string(t)),
                                Value(std::int64_t{3}), Value(std::int64_t{1}),
                                Value(Bytes{0xFF, 0xD8, 0x01})}));
    ASSERT_TRUE(other.GoTo(2) && other.Delete());
    other.CloseAll();
  }
  EXPECT_FALSE(BankImportSource::IsPasswordProtected(engine, source + ".edb"));
  EXPECT_TRUE(bank.IsFile(ctx().PathOf("物理")));
  EXPECT_FALSE(bank.IsFile(source));
  std::vector<std::int64_t> ids;
  {
    BankImportSource from(engine, "导入源");
    ASSERT_TRUE(from.Open(source, "", bank)) << from.lastError().message;
    EXPECT_FALSE(from.HasGroupName());
    ASSERT_EQ(from.Count(), 3);
    std::vector<Question> read;
    for (std::int64_t k = 1; k <= 3; ++k) {
      Question q;
      bool deleted = false;
      ASSERT_TRUE(from.Read(k, q, deleted));
      if (!deleted) read.push_back(q);
    }
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[1].text1, "丙");
    EXPECT_EQ(read[1].answer, "答丙");
    EXPECT_EQ(read[1].score, 3);
    EXPECT_EQ(read[1].type, "");  // a number is no 题型
    ASSERT_TRUE(bank.CopyFrom(from, [](std::int64_t k) { return k == 3; }, ids));
  }
  EXPECT_FALSE(engine.SetCurrent("导入源"));  // closed with the source
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_GT(ids[0], own);
  const auto copy = bank.Read(ids[0]);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->text1, "丙");
  EXPECT_EQ(copy->score, 3);
  EXPECT_EQ(bank.ReadPicture(ids[0], PictureKind::Question), (Bytes{0xFF, 0xD8, 0x01}));
}

TEST_F(CourseBankTest, LibrariesReadAndWriteTheirRecords) {
  CourseLibrary courses(engine);
  ASSERT_TRUE(courses.SetTypeOrder(0, "选择,判断"));
  ASSERT_TRUE(courses.SetDifficultyNote(0, "1最易"));
  const auto course = courses.CourseAt(0);
  ASSERT_TRUE(course);
  EXPECT_EQ(course->name, "物理");
  EXPECT_EQ(course->typeOrder, "选择,判断");
  EXPECT_EQ(course->difficultyNote, "1最易");
  EXPECT_FALSE(courses.CourseAt(5));

  ASSERT_TRUE(Succeeded(OpenQuestionTypeLibrary(ctx())));
  TypeLibrary types(engine);
  std::vector<QuestionType> all;
  ASSERT_TRUE(types.ReadAll(all));
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[0].name, "判断");
  EXPECT_TRUE(all[3].answerOnNewLine);
  ASSERT_TRUE(types.SetAnswerOnNewLine(all[0].id, true));
  EXPECT_TRUE(types.FindByName("判断")->answerOnNewLine);
  EXPECT_FALSE(types.FindByName("作文"));

  ASSERT_TRUE(Succeeded(OpenTypeOrderColourLibrary(ctx())));
  ColourLibrary colours(engine);
  ASSERT_TRUE(colours.SetColour(2, 0x00FF00, 3));
  std::vector<int> rgb;
  ASSERT_TRUE(colours.ReadAll(rgb));
  EXPECT_EQ(rgb, (std::vector<int>{kWhiteColour, 0x00FF00, kWhiteColour}));
}

}  // namespace
}  // namespace databases
