#include <gtest/gtest.h>

#include "databases/course_bank.h"
#include "databases/password_cipher.h"
#include "databases/program_databases.h"
#include "test_support.h"
#include "tests/support/faulty_file_system.h"
#include "text/text.h"

namespace databases {
namespace {

using mc::testing::FaultyFileSystem;
using testing::Done;
using testing::Succeeded;
using testing::TempDir;

// A data folder with "课程库" open, on a file system that fails on request.
class CourseLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Succeeded(OpenCourseLibrary(ctx()))); }
  DatabaseContext ctx() { return {engine, dir.path()}; }
  std::string bankPath(const std::string& course) { return ctx().FullPathOf(course); }

  // Opens the bank of the course at `position` afresh with `password`.
  bool opensWith(const std::string& course, const std::string& password) {
    if (engine.IsOpen(bankPath(course))) engine.Close(bankPath(course));
    const bool ok = engine.Open(ctx().PathOf(course), {}, false, recfile::ShareMode::None, password);
    if (ok) engine.Close(bankPath(course));
    return ok;
  }

  TempDir dir;
  std::shared_ptr<FaultyFileSystem> faults = std::make_shared<FaultyFileSystem>();
  recfile::RecordFileEngine engine{faults};
  CourseLibrary library{engine};
};

TEST_F(CourseLibraryTest, AdministratorRecordHoldsTheNameAndThePasswordCipher) {
  EXPECT_FALSE(library.HasAdministrator());
  EXPECT_FALSE(library.Administrator());
  ASSERT_TRUE(library.AddAdministrator("王老师", "管理123"));
  ASSERT_TRUE(library.HasAdministrator());
  EXPECT_EQ(library.Administrator()->name, "王老师");
  // The cipher arrives as the bytes the cipher made, not as escaped text.
  EXPECT_EQ(library.Administrator()->passwordCipher, EncipherPasswordBytes(text::ToGbk("管理123")));

  struct Case {
    const char* typed;
    bool matches;
  };
  for (const Case& c : {Case{"管理123", true}, Case{"管理12", false}, Case{"", false}, Case{"管理1234", false}}) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(library.AdministratorPasswordIs(c.typed), c.matches);
  }

  ASSERT_TRUE(library.RenameAdministrator("李老师"));
  ASSERT_TRUE(library.SetAdministratorPassword("新的"));
  EXPECT_EQ(library.Administrator()->name, "李老师");
  EXPECT_TRUE(library.AdministratorPasswordIs("新的"));
  EXPECT_FALSE(library.AdministratorPasswordIs("管理123"));
  // Courses come after the administrator and are not touched by it.
  EXPECT_EQ(library.AddCourse("物理"), 0);
  EXPECT_EQ(library.Administrator()->name, "李老师");
}

TEST_F(CourseLibraryTest, CoursesAreAddressedByListPosition) {
  ASSERT_TRUE(library.AddAdministrator("王老师", "admin"));
  EXPECT_EQ(library.AddCourse("物理"), 0);
  EXPECT_EQ(library.AddCourse("化学"), 1);
  EXPECT_EQ(library.AddCourse("生物"), 2);
  std::vector<std::string> names;
  ASSERT_TRUE(library.CourseNames(names));
  EXPECT_EQ(names, (std::vector<std::string>{"物理", "化学", "生物"}));

  struct Find {
    const char* name;
    std::optional<int> position;
  };
  for (const Find& f : {Find{"化学", 1}, Find{"生物", 2}, Find{"王老师", std::nullopt}, Find{" 物理", std::nullopt}}) {
    SCOPED_TRACE(f.name);
    EXPECT_EQ(library.FindCourse(f.name), f.position);
  }

  ASSERT_TRUE(library.RenameCourse(2, "生物学"));
  EXPECT_EQ(library.CourseAt(2)->name, "生物学");

  // Only a course's own record goes: a stale position or name, or the
  // administrator's record, is refused and nothing is removed.
  struct Removal {
    int position;
    const char* name;
  };
  for (const Removal& r : {Removal{-1, "王老师"}, Removal{1, "物理"}, Removal{3, "生物学"}}) {
    SCOPED_TRACE(r.position);
    EXPECT_FALSE(library.RemoveCourse(r.position, r.name));
    EXPECT_FALSE(library.lastError().message.empty());
  }
  ASSERT_TRUE(library.RemoveCourse(1, "化学"));
  ASSERT_TRUE(library.CourseNames(names));
  EXPECT_EQ(names, (std::vector<std::string>{"物理", "生物学"}));
  EXPECT_EQ(library.Administrator()->name, "王老师");
}

TEST_F(CourseLibraryTest, SetCoursePasswordKeepsBankAndRecordInStep) {
  ASSERT_TRUE(library.AddAdministrator("王老师", "admin"));
  ASSERT_EQ(CreateCourseBank(ctx(), "物理", "旧密码"), Done());
  ASSERT_EQ(CreateCourseBank(ctx(), "化学", ""), Done());

  struct Case {
    const char* label;
    const char* course;
    int position;
    const char* oldPassword;
    const char* newPassword;
  };
  const Case cases[] = {
      {"a new password", "物理", 0, "旧密码", "新密码"},
      {"no password any more", "物理", 0, "新密码", ""},
      {"a first password", "化学", 1, "", "秘密"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(engine.Open(ctx().PathOf(c.course), {}, false, recfile::ShareMode::None, c.oldPassword));
    ASSERT_TRUE(library.SetCoursePassword(c.position, bankPath(c.course), c.newPassword, c.oldPassword))
        << library.lastError().message;
    engine.Close(bankPath(c.course));
    EXPECT_TRUE(opensWith(c.course, c.newPassword));
    EXPECT_TRUE(PasswordMatchesCipher(library.CourseAt(c.position)->passwordCipher, c.newPassword));
  }
}

TEST_F(CourseLibraryTest, SetCoursePasswordPutsTheOldPasswordBackWhenTheRecordCannotBeWritten) {
  ASSERT_TRUE(library.AddAdministrator("王老师", "admin"));
  ASSERT_TRUE(Succeeded(CreateCourseBank(ctx(), "物理", "旧密码")));
  const std::string oldCipher = library.CourseAt(0)->passwordCipher;
  // Fail each write in turn until the whole change gets through: whichever
  // write fails, the bank and the record still agree on the old password.
  bool done = false;
  for (int n = 1; n < 5000 && !done; ++n) {
    SCOPED_TRACE(n);
    ASSERT_TRUE(engine.Open(ctx().PathOf("物理"), {}, false, recfile::ShareMode::None, "旧密码"));
    faults->failNthWrite = n;
    done = library.SetCoursePassword(0, bankPath("物理"), "新密码", "旧密码");
    faults->failNthWrite = 0;
    if (engine.IsOpen(bankPath("物理"))) engine.Close(bankPath("物理"));
    if (done) break;
    EXPECT_NE(library.lastError().code, 0);
    EXPECT_EQ(library.CourseAt(0)->passwordCipher, oldCipher);
    EXPECT_TRUE(opensWith("物理", "旧密码"));
  }
  EXPECT_TRUE(done);
  EXPECT_TRUE(opensWith("物理", "新密码"));
}

TEST_F(CourseLibraryTest, UpdateManyPutsEveryQuestionBackWhenAWriteFails) {
  ASSERT_TRUE(Succeeded(CreateCourseBank(ctx(), "物理", "")));
  if (!engine.IsOpen(bankPath("物理"))) {
    ASSERT_TRUE(engine.Open(ctx().PathOf("物理")));
  }
  CourseBank bank(engine, "物理");
  std::vector<std::int64_t> ids;
  for (const char* text : {"一", "二", "三"}) {
    Question q;
    q.text1 = text;
    q.answer = std::string("答") + text;
    q.score = 2;
    ids.push_back(bank.Append(q));
    ASSERT_GT(ids.back(), 0);
  }
  // Field by field and one record write per question alike.
  int score = 9;
  for (const WriteMode mode : {WriteMode::FieldByField, WriteMode::WholeRecord}) {
    SCOPED_TRACE(static_cast<int>(mode));
    std::vector<Question> before;
    ASSERT_TRUE(bank.ReadAll(before));

    ++score;
    std::vector<std::pair<std::int64_t, QuestionChanges>> changes;
    for (std::int64_t id : ids) {
      QuestionChanges c;
      c.score = score;
      c.answer = "一个长得多的答案，写进备注文件的另一块" + std::to_string(score);
      c.masked = true;
      changes.emplace_back(id, c);
    }
    bool done = false;
    for (int n = 1; n < 5000 && !done; ++n) {
      SCOPED_TRACE(n);
      faults->failNthWrite = n;
      done = bank.UpdateMany(changes, mode);
      faults->failNthWrite = 0;
      if (done) break;
      EXPECT_NE(bank.lastError().code, 0);
      std::vector<Question> after;
      ASSERT_TRUE(bank.ReadAll(after));
      EXPECT_EQ(after, before);
    }
    ASSERT_TRUE(done);
    std::vector<Question> after;
    ASSERT_TRUE(bank.ReadAll(after));
    for (const Question& q : after) {
      EXPECT_EQ(q.score, score);
      EXPECT_TRUE(q.masked);
    }
  }
}

}  // namespace
}  // namespace databases
