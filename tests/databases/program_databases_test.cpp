#include "databases/program_databases.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "databases/password_cipher.h"
#include "test_support.h"
#include "text/text.h"

namespace databases {
namespace {

namespace fs = std::filesystem;
using recfile::FieldType;
using recfile::Value;
using testing::Done;
using testing::Ended;
using testing::Failed;
using testing::Succeeded;
using testing::TempDir;

class ProgramDatabasesTest : public ::testing::Test {
 protected:
  DatabaseContext ctx() { return {engine, dir.path()}; }
  std::string File(const std::string& name) { return dir / name; }
  bool Exists(const std::string& name) { return fs::exists(File(name)); }

  // The state after the first-run dialog: record 1 the administrator.
  void AddAdministrator(const std::string& name = "王老师", const std::string& password = "admin") {
    ASSERT_TRUE(Succeeded(OpenCourseLibrary(ctx())));
    ASSERT_TRUE(engine.Append({Value(name), Value(EncipherPassword(password))}));
  }
  // Added with nothing to tell.
  void AddCourse(const std::string& name, const std::string& password) {
    ASSERT_EQ(CreateCourseBank(ctx(), name, password), Done());
  }
  std::vector<std::string> CourseNames() {
    EXPECT_TRUE(Succeeded(OpenCourseLibrary(ctx())));
    std::vector<std::string> names;
    for (std::int64_t i = 1; i <= engine.RecordCount(); ++i) {
      engine.GoTo(i);
      names.push_back(engine.ReadText(kCourseNameField));
    }
    return names;
  }

  TempDir dir;
  recfile::RecordFileEngine engine;
};

TEST_F(ProgramDatabasesTest, FixedLibrariesAndBanksAreCreatedWithTheirSchemas) {
  struct Field {
    const char* name;
    FieldType type;
    int width;
  };
  using T = FieldType;
  const std::vector<Field> course = {
      {"课程名称", T::Text, 20}, {"课程密码", T::Text, 32}, {"难度说明", T::Text, 80}, {"题型排序", T::Text, 512}};
  const std::vector<Field> types = {{"题型", T::Text, 512}, {"说明", T::Text, 512}, {"答案换行", T::Logical, 0}};
  const std::vector<Field> colours = {{"颜色", T::Integer, 0}};
  const std::vector<Field> bank = {
      {"知识点", T::Text, 512}, {"分组名", T::Text, 512}, {"分组号", T::Text, 2}, {"题文1", T::Memo, 0},
      {"题图", T::Text, 2},     {"题文2", T::Memo, 0},    {"答案", T::Memo, 0},   {"答图", T::Text, 2},
      {"题型", T::Text, 512},   {"难度", T::Short, 0},    {"分值", T::Short, 0},  {"选择", T::Logical, 0},
      {"定分", T::Logical, 0},  {"屏蔽", T::Logical, 0},  {"题图数据", T::ByteSet, 0},
      {"答图数据", T::ByteSet, 0}};

  AddAdministrator();
  AddCourse("高等数学", "");
  struct Case {
    std::string name;
    std::function<Result()> open;
    std::vector<Field> fields;
  };
  const std::vector<Case> cases = {
      {"课程库", [&] { return OpenCourseLibrary(ctx()); }, course},
      {"题型库", [&] { return OpenQuestionTypeLibrary(ctx()); }, types},
      {"题型排列颜色库", [&] { return OpenTypeOrderColourLibrary(ctx()); }, colours},
      {"高等数学", [&] { return OpenCourseBank(ctx(), "高等数学", true, 0, ""); }, bank},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.open(), Done());
    EXPECT_TRUE(Exists(c.name + ".edb"));
    EXPECT_EQ(engine.CurrentName(), c.name);
    const auto fields = engine.Fields();
    ASSERT_EQ(fields.size(), c.fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
      SCOPED_TRACE(c.fields[i].name);
      EXPECT_EQ(fields[i].name, c.fields[i].name);
      EXPECT_EQ(fields[i].type, c.fields[i].type);
      if (c.fields[i].type == T::Text) {
        EXPECT_EQ(fields[i].width, c.fields[i].width);
      }
    }
  }
  EXPECT_TRUE(Exists("高等数学.edt"));
}

TEST_F(ProgramDatabasesTest, OpeningAnOpenLibraryOnlyMakesItCurrentAndKeepsItsRecord) {
  AddAdministrator();
  AddCourse("语文", "");
  AddCourse("英语", "");
  ASSERT_TRUE(Succeeded(OpenCourseLibrary(ctx())));
  ASSERT_TRUE(engine.GoTo(3));
  ASSERT_TRUE(Succeeded(OpenTypeOrderColourLibrary(ctx())));
  ASSERT_TRUE(Succeeded(OpenCourseLibrary(ctx())));
  EXPECT_EQ(engine.CurrentName(), "课程库");
  EXPECT_EQ(engine.RecordNumber(), 3);
}

TEST_F(ProgramDatabasesTest, FreshQuestionTypeLibraryHoldsTheFiveDefaultTypes) {
  auto rows = [&] {
    std::vector<std::pair<std::string, bool>> v;
    for (std::int64_t i = 1; i <= engine.RecordCount(); ++i) {
      engine.GoTo(i);
      EXPECT_EQ(engine.ReadText(kTypeNoteField), "");
      v.emplace_back(engine.ReadText(kTypeNameField), engine.ReadBool(kAnswerOnNewLineField));
    }
    return v;
  };
  const std::vector<std::pair<std::string, bool>> defaults = {
      {"判断", false}, {"选择", false}, {"填空", false}, {"名词", true}, {"问答", true}};
  ASSERT_TRUE(Succeeded(OpenQuestionTypeLibrary(ctx())));
  EXPECT_EQ(rows(), defaults);

  // Once the library has rows they are the user's: reopening adds nothing.
  ASSERT_TRUE(engine.GoTo(2));
  ASSERT_TRUE(engine.Delete());
  ASSERT_TRUE(engine.Pack());
  engine.CloseAll();
  ASSERT_TRUE(Succeeded(OpenQuestionTypeLibrary(ctx())));
  EXPECT_EQ(engine.RecordCount(), 4);

  // An emptied library gets the defaults only when it is opened again.
  ASSERT_TRUE(engine.Delete([] { return true; }));
  ASSERT_TRUE(engine.Pack());
  ASSERT_TRUE(Succeeded(OpenQuestionTypeLibrary(ctx())));
  EXPECT_EQ(engine.RecordCount(), 0);
  engine.CloseAll();
  ASSERT_TRUE(Succeeded(OpenQuestionTypeLibrary(ctx())));
  EXPECT_EQ(rows(), defaults);
}

TEST_F(ProgramDatabasesTest, FixedLibraryThatCannotBeCreatedOrOpenedEndsTheProgram) {
  struct Case {
    std::string file;
    Result (*open)(const DatabaseContext&);
    std::string createFailed, openFailed;
  };
  const std::vector<Case> cases = {
      {"课程库", OpenCourseLibrary, "创建 课程库.edb 不成功", "打开课程库错误！"},
      {"题型库", OpenQuestionTypeLibrary, "创建 题型库.edb 不成功", "打开题型库错误！"},
      {"题型排列颜色库", OpenTypeOrderColourLibrary, "创建 题型排列颜色库.edb 不成功",
       "打开题型排列颜色库错误！"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    {
      DatabaseContext missingFolder{engine, dir / "no-such-folder"};
      EXPECT_EQ(c.open(missingFolder), Ended(c.createFailed));
    }
    {
      testing::WriteFileBytes(File(c.file + ".edb"), "not a database at all, only some text");
      DatabaseContext damaged{engine, dir.path()};
      EXPECT_EQ(c.open(damaged), Ended(c.openFailed));
      // The damaged file is left for the administrator, not replaced.
      EXPECT_EQ(testing::ReadFileBytes(File(c.file + ".edb")), "not a database at all, only some text");
    }
  }
}

TEST_F(ProgramDatabasesTest, CreatedCourseGetsItsRecordAndItsPasswordOnBothSides) {
  AddAdministrator();
  AddCourse("物理", "秘密1");
  AddCourse("化学", "");
  EXPECT_EQ(CourseNames(), (std::vector<std::string>{"王老师", "物理", "化学"}));
  EXPECT_EQ(engine.CurrentName(), "课程库");

  // The bank is closed again, carries the access password, and the record
  // the enciphered one.
  EXPECT_FALSE(engine.IsOpen(File("物理")));
  EXPECT_TRUE(engine.IsPasswordProtected(File("物理")));
  EXPECT_FALSE(engine.IsPasswordProtected(File("化学")));
  engine.GoTo(2);
  EXPECT_EQ(engine.ReadText(kCoursePasswordField), EncipherPassword("秘密1"));
  engine.GoTo(3);
  EXPECT_EQ(engine.ReadText(kCoursePasswordField), "");
}

TEST_F(ProgramDatabasesTest, PasswordTheBankRefusesIsReportedAndTheCourseStaysOpenable) {
  AddAdministrator();
  // A password text the engine does not accept.
  EXPECT_EQ(CreateCourseBank(ctx(), "物理", "?"),
            Done("课程 物理 已添加，但设置课程密码失败！" + recfile::ErrorText(recfile::err::BadPasswordText)));
  EXPECT_EQ(CourseNames(), (std::vector<std::string>{"王老师", "物理"}));
  engine.GoTo(2);
  EXPECT_EQ(engine.ReadText(kCoursePasswordField), "");
  EXPECT_FALSE(engine.IsPasswordProtected(File("物理")));
  EXPECT_EQ(OpenCourseBank(ctx(), "物理", true, 0, ""), Done());
}

TEST_F(ProgramDatabasesTest, CourseBankOpensOnlyWithTheRightPassword) {
  AddAdministrator();
  AddCourse("物理", "秘密1");
  AddCourse("化学", "");

  EXPECT_EQ(OpenCourseBank(ctx(), "物理", true, 0, "秘密"), Failed("课程密码错误！"));
  EXPECT_FALSE(engine.IsOpen(File("物理")));

  // The wrong attempt leaves nothing behind.
  EXPECT_EQ(OpenCourseBank(ctx(), "物理", true, 0, "秘密1"), Done());
  EXPECT_EQ(engine.CurrentName(), "物理");

  // Once open it is only made current: the password is not asked again.
  ASSERT_TRUE(Succeeded(OpenCourseLibrary(ctx())));
  EXPECT_EQ(OpenCourseBank(ctx(), "物理", true, 0, "whatever"), Done());
  EXPECT_EQ(engine.CurrentName(), "物理");

  // A course without a password opens whatever the box holds.
  EXPECT_EQ(OpenCourseBank(ctx(), "化学", true, 1, "anything"), Done());
  EXPECT_EQ(engine.CurrentName(), "化学");

  // Without a selection there is no record to take the password from.
  EXPECT_EQ(OpenCourseBank(ctx(), "英语", true, -1, ""), Failed("请选择课程！"));
}

TEST_F(ProgramDatabasesTest, CourseWhoseStoredPasswordWasCutShortOpensWithThatPasswordOnly) {
  // Written by an older program: the bank carries the whole password, the
  // record its cipher text cut at the first zero byte or at the field
  // width, which no longer deciphers.
  std::string zeroInCipher;
  for (int i = 0; zeroInCipher.empty() && i < 100000; ++i)
    if (const std::string p = "p" + std::to_string(i); !PasswordFitsCipherField(p)) zeroInCipher = p;
  ASSERT_FALSE(zeroInCipher.empty());
  const std::string tooLong(30, 'q');
  const std::string cutAtWidth = text::ToUtf8(EncipherPasswordBytes(tooLong).substr(0, kCoursePasswordWidth));
  struct Case {
    std::string course, password, stored;
  };
  AddAdministrator();
  for (const Case& c : {Case{"物理", zeroInCipher, EncipherPassword(zeroInCipher)},
                        Case{"化学", tooLong, cutAtWidth}}) {
    SCOPED_TRACE(c.course);
    AddCourse(c.course, "x");
    const int position = static_cast<int>(CourseNames().size()) - 2;
    ASSERT_TRUE(Succeeded(OpenCourseBank(ctx(), c.course, true, position, "x")));
    ASSERT_TRUE(engine.SetPassword(c.password));
    engine.Close(engine.CurrentPath());
    ASSERT_TRUE(Succeeded(OpenCourseLibrary(ctx())));
    ASSERT_TRUE(engine.GoTo(position + 2));
    ASSERT_TRUE(engine.WriteField(kCoursePasswordField, Value(c.stored)));
    ASSERT_EQ(engine.ReadText(kCoursePasswordField), c.stored);
    ASSERT_EQ(DecipherPassword(c.stored), "");

    for (const std::string& typed : {std::string(), std::string("x")}) {
      SCOPED_TRACE("typed \"" + typed + "\"");
      EXPECT_EQ(OpenCourseBank(ctx(), c.course, true, position, typed), Failed("课程密码错误！"));
      EXPECT_FALSE(engine.IsOpen(File(c.course)));
    }
    EXPECT_EQ(OpenCourseBank(ctx(), c.course, true, position, c.password), Done());
    EXPECT_EQ(engine.CurrentName(), c.course);
  }
}

TEST_F(ProgramDatabasesTest, WithoutThePasswordCheckTheCurrentCourseRecordGivesThePassword) {
  AddAdministrator();
  AddCourse("物理", "秘密1");
  AddCourse("化学", "");
  ASSERT_TRUE(Succeeded(OpenCourseLibrary(ctx())));
  ASSERT_TRUE(engine.GoTo(2));
  EXPECT_EQ(OpenCourseBank(ctx(), "物理", false), Done());
  EXPECT_TRUE(engine.IsPasswordProtected(File("物理")));
}

TEST_F(ProgramDatabasesTest, BankThatDoesNotOpenNamesTheReason) {
  AddAdministrator();
  AddCourse("物理", "");
  AddCourse("化学", "");

  fs::remove(File("物理.edb"));
  EXPECT_EQ(OpenCourseBank(ctx(), "物理", true, 0, ""), Failed("物理.edb不存在！"));

  testing::WriteFileBytes(File("化学.edb"), std::string(600, 'x'));
  const Result damaged = OpenCourseBank(ctx(), "化学", true, 1, "");
  const int code = engine.LastError();
  EXPECT_LT(code, 0);
  EXPECT_EQ(damaged, Failed("打开 化学 题库错误！" + recfile::ErrorText(code)));
}

TEST_F(ProgramDatabasesTest, BankWhosePasswordWasChangedElsewhereDoesNotOpen) {
  AddAdministrator();
  AddCourse("物理", "秘密1");
  ASSERT_TRUE(engine.Open(File("物理"), {}, false, recfile::ShareMode::None, "秘密1"));
  ASSERT_TRUE(engine.SetPassword("别的"));
  engine.Close(engine.CurrentPath());

  EXPECT_EQ(OpenCourseBank(ctx(), "物理", true, 0, "秘密1"),
            Failed("打开 物理 题库错误！" + recfile::ErrorText(recfile::err::WrongPassword)));
}

TEST_F(ProgramDatabasesTest, ExistingBankFileIsReplacedOnlyWhenTheCallerSaysSo) {
  AddAdministrator();
  AddCourse("物理", "");
  ASSERT_TRUE(Succeeded(OpenCourseBank(ctx(), "物理", true, 0, "")));
  ASSERT_TRUE(engine.Append({Value(std::string("力学"))}));
  engine.CloseAll();
  // The course record disappears (as pruning would do); its files stay.
  ASSERT_TRUE(Succeeded(OpenCourseLibrary(ctx())));
  engine.GoTo(2);
  engine.Delete();
  engine.Pack();
  const std::string before = testing::ReadFileBytes(File("物理.edb"));

  EXPECT_TRUE(CourseBankExists(ctx(), "物理"));
  // Kept: the window that asked has had its answer, there is nothing to tell.
  EXPECT_EQ(CreateCourseBank(ctx(), "物理", ""), Failed());
  EXPECT_EQ(CreateCourseBank(ctx(), "物理", "", ExistingBank::Keep), Failed());
  EXPECT_EQ(testing::ReadFileBytes(File("物理.edb")), before);
  EXPECT_EQ(CourseNames(), std::vector<std::string>{"王老师"});

  EXPECT_EQ(CreateCourseBank(ctx(), "物理", "", ExistingBank::Replace), Done());
  EXPECT_EQ(CourseNames(), (std::vector<std::string>{"王老师", "物理"}));
  ASSERT_TRUE(Succeeded(OpenCourseBank(ctx(), "物理", true, 0, "")));
  EXPECT_EQ(engine.RecordCount(), 0);
}

TEST_F(ProgramDatabasesTest, BankThatCannotBeCreatedAddsNoCourse) {
  AddAdministrator();
  fs::create_directory(File("物理.edb"));  // a folder stands where the file would go
  EXPECT_EQ(CreateCourseBank(ctx(), "物理", "秘密1"),
            Result::Failure("创建课程数据库“物理.edb”失败！", MessageKind::Error));
  EXPECT_EQ(CourseNames(), std::vector<std::string>{"王老师"});
}

TEST_F(ProgramDatabasesTest, CourseNamesAndPasswordsThatCouldNotBeKeptAreRefused) {
  AddAdministrator();
  ASSERT_TRUE(Succeeded(OpenQuestionTypeLibrary(ctx())));
  struct Case {
    std::string name, password;
  };
  // A name cut by the 20-byte field would lose its bank at the next start,
  // a path would reach outside the data folder, a library name would
  // overwrite that library, and a cut cipher text would lock the bank.
  const std::vector<Case> cases = {
      {"一二三四五六七八九十一", ""},  // 22 bytes
      {"../物理", ""},
      {"a\\b", ""},
      {"题型库", ""},
      {"课程库", ""},
      {"物理", std::string(29, 'p')},
      {"物理", "pw0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + " / " + c.password);
    // Refused before an existing file is touched, the same as the check a
    // window makes before it asks about replacing one.
    const Result refused = CheckNewCourse(c.name, c.password);
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.message.empty());
    EXPECT_EQ(refused.kind, MessageKind::Information);
    EXPECT_EQ(CreateCourseBank(ctx(), c.name, c.password, ExistingBank::Replace), refused);
    EXPECT_EQ(CourseNames(), std::vector<std::string>{"王老师"});
  }
  EXPECT_FALSE(Exists("物理.edb"));
  EXPECT_FALSE(fs::exists(dir.path() + "/../物理.edb"));
  ASSERT_TRUE(Succeeded(OpenQuestionTypeLibrary(ctx())));
  EXPECT_EQ(engine.RecordCount(), 5);

  // Both exactly at their limits.
  EXPECT_EQ(CheckNewCourse("一二三四五六七八九十", "一二三四五六七八九十一二三四"), Done());
  AddCourse("一二三四五六七八九十", "一二三四五六七八九十一二三四");
  ASSERT_TRUE(Succeeded(OpenCourseBank(ctx(), "一二三四五六七八九十", true, 0, "一二三四五六七八九十一二三四")));
}

TEST_F(ProgramDatabasesTest, RemovingACourseDeletesItsFilesAndItsRecord) {
  AddAdministrator();
  AddCourse("语文", "");
  AddCourse("物理", "秘密1");
  AddCourse("化学", "");
  testing::WriteFileBytes(File("物理.enx"), "index");
  ASSERT_TRUE(Succeeded(OpenCourseBank(ctx(), "物理", true, 1, "秘密1")));

  EXPECT_EQ(RemoveCourse(ctx(), "物理", 1), Done());
  EXPECT_FALSE(engine.IsOpen(File("物理")));
  for (const char* ext : {".edb", ".edt", ".enx"}) EXPECT_FALSE(Exists(std::string("物理") + ext)) << ext;
  EXPECT_EQ(CourseNames(), (std::vector<std::string>{"王老师", "语文", "化学"}));
  EXPECT_TRUE(Exists("语文.edb"));
  EXPECT_TRUE(Exists("化学.edb"));

  // A course whose bank is already gone loses its record all the same.
  fs::remove(File("化学.edb"));
  fs::remove(File("化学.edt"));
  EXPECT_EQ(RemoveCourse(ctx(), "化学", 1), Done());
  EXPECT_EQ(CourseNames(), (std::vector<std::string>{"王老师", "语文"}));
}

TEST_F(ProgramDatabasesTest, RemovingNeverTakesAnotherRecord) {
  AddAdministrator();
  AddCourse("语文", "");
  // No selection would point at the administrator; a stale position would
  // land on the last record.
  EXPECT_EQ(RemoveCourse(ctx(), "英语", -1), Failed());
  EXPECT_EQ(RemoveCourse(ctx(), "英语", 5), Failed());
  EXPECT_EQ(RemoveCourse(ctx(), "英语", 0), Failed());
  EXPECT_EQ(CourseNames(), (std::vector<std::string>{"王老师", "语文"}));
  EXPECT_TRUE(Exists("语文.edb"));
}

TEST_F(ProgramDatabasesTest, PruningDropsCoursesWhoseBankIsMissing) {
  AddAdministrator();
  for (const char* name : {"语文", "数学", "英语", "物理"}) AddCourse(name, "");
  fs::remove(File("数学.edb"));
  fs::remove(File("物理.edb"));
  fs::rename(File("英语.edb"), File("英语.EDB"));  // copied from elsewhere

  EXPECT_EQ(PruneCourseLibrary(ctx()), Done());
  EXPECT_EQ(CourseNames(), (std::vector<std::string>{"王老师", "语文", "英语"}));
}

TEST_F(ProgramDatabasesTest, DeletedCourseLibraryMakesTheNextStartAFirstRun) {
  AddAdministrator();
  AddCourse("语文", "");
  engine.CloseAll();
  fs::remove(File("课程库.edb"));
  ASSERT_TRUE(Succeeded(OpenCourseLibrary(ctx())));
  EXPECT_EQ(engine.RecordCount(), 0);
  EXPECT_TRUE(Exists("语文.edb"));
}

}  // namespace
}  // namespace databases
