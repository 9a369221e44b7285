#include "databases/course_bank.h"

#include <gtest/gtest.h>

#include "databases/password_cipher.h"
#include "databases/program_databases.h"
#include "test_support.h"

namespace databases {
namespace {

using recfile::Bytes;
using recfile::Value;
using testing::RecordingPrompter;
using testing::TempDir;

class CourseBankTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OpenCourseLibrary(ctx()));
    ASSERT_TRUE(engine.Append({Value(std::string("王老师")), Value(EncipherPassword("admin"))}));
    ASSERT_TRUE(CreateCourseBank(ctx(), "物理", ""));
    if (!engine.IsOpen(ctx().FullPathOf("物理"))) {
      ASSERT_TRUE(engine.Open(ctx().PathOf("物理")));
    }
  }
  DatabaseContext ctx() { return {engine, prompter, dir.path()}; }

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
  RecordingPrompter prompter;
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
  ASSERT_TRUE(OpenQuestionTypeLibrary(ctx()));
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

  ASSERT_TRUE(OpenQuestionTypeLibrary(ctx()));
  TypeLibrary types(engine);
  std::vector<QuestionType> all;
  ASSERT_TRUE(types.ReadAll(all));
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[0].name, "判断");
  EXPECT_TRUE(all[3].answerOnNewLine);
  ASSERT_TRUE(types.SetAnswerOnNewLine(all[0].id, true));
  EXPECT_TRUE(types.FindByName("判断")->answerOnNewLine);
  EXPECT_FALSE(types.FindByName("作文"));

  ASSERT_TRUE(OpenTypeOrderColourLibrary(ctx()));
  ColourLibrary colours(engine);
  ASSERT_TRUE(colours.SetColour(2, 0x00FF00, 3));
  std::vector<int> rgb;
  ASSERT_TRUE(colours.ReadAll(rgb));
  EXPECT_EQ(rgb, (std::vector<int>{kWhiteColour, 0x00FF00, kWhiteColour}));
}

}  // namespace
}  // namespace databases
