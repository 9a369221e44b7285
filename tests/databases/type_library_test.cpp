// Editing the question-type library: adding keeps the names in GBK order
// with each description and flag on its own name, even when a write fails
// halfway through the re-sorting.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "databases/course_bank.h"
#include "databases/program_databases.h"
#include "test_support.h"
#include "tests/support/faulty_file_system.h"

namespace databases {
namespace {

using Row = std::tuple<std::string, std::string, bool>;

std::vector<Row> Rows(TypeLibrary& library) {
  std::vector<QuestionType> all;
  EXPECT_TRUE(library.ReadAll(all));
  std::vector<Row> rows;
  for (const auto& t : all) rows.emplace_back(t.name, t.note, t.answerOnNewLine);
  return rows;
}

TEST(TypeLibraryEditing, AWriteFailingAnywhereInAnAddLosesAndDoublesNoType) {
  testing::TempDir dir;
  auto faults = std::make_shared<mc::testing::FaultyFileSystem>();
  recfile::RecordFileEngine engine(faults);
  const DatabaseContext ctx{engine, dir.path()};
  ASSERT_TRUE(testing::Succeeded(OpenQuestionTypeLibrary(ctx)));
  TypeLibrary library(engine);
  std::vector<QuestionType> types;
  ASSERT_TRUE(library.ReadAll(types));
  ASSERT_TRUE(library.SetNote(types[4].id, "论述"));  // 问答
  ASSERT_TRUE(library.SetNote(types[3].id, "解释"));  // 名词
  const std::vector<Row> start = Rows(library);
  const std::set<Row> before(start.begin(), start.end());

  for (int failing = 1;; ++failing) {
    SCOPED_TRACE(failing);
    ASSERT_LT(failing, 100);
    faults->failNthWrite = failing;
    const bool added = library.Add("A类");
    faults->failNthWrite = 0;
    const int code = library.lastError().code;
    const std::vector<Row> rows = Rows(library);
    if (added) {
      EXPECT_EQ(rows, (std::vector<Row>{{"A类", "", false},
                                        {"名词", "解释", true},
                                        {"判断", "", false},
                                        {"填空", "", false},
                                        {"问答", "论述", true},
                                        {"选择", "", false}}));
      break;
    }
    EXPECT_NE(code, 0);
    // The old types all stand, each with its own description and flag; the
    // new one at most appended once.
    std::set<Row> after(rows.begin(), rows.end());
    EXPECT_EQ(after.size(), rows.size());
    after.erase(Row{"A类", "", false});
    EXPECT_EQ(after, before);
    std::vector<QuestionType> all;
    ASSERT_TRUE(library.ReadAll(all));
    for (const auto& t : all) {
      if (t.name == "A类") {
        ASSERT_TRUE(library.Remove(t.id));
      }
    }
  }
}

// The look into another course's bank leaves the message of a bank that
// does not open to the caller, and closes only what it opened.
TEST(TypeLibraryEditing, CourseTypeUseReadsTheBankAndReturnsWhyOneDidNotOpen) {
  testing::TempDir dir;
  recfile::RecordFileEngine engine;
  const DatabaseContext ctx{engine, dir.path()};
  ASSERT_TRUE(testing::Succeeded(OpenCourseLibrary(ctx)));
  ASSERT_TRUE(engine.Append({recfile::Value(std::string("王老师"))}));
  ASSERT_EQ(CreateCourseBank(ctx, "物理", ""), testing::Done());
  ASSERT_TRUE(engine.Open(ctx.PathOf("物理")));
  Question q;
  q.type = "判断";
  ASSERT_NE(CourseBank(engine, "物理").Append(q), 0);
  engine.Close(ctx.FullPathOf("物理"));

  Result opening = testing::Failed("left from before");
  EXPECT_EQ(CourseTypeUse(ctx, 0, "判断", opening), TypeUse::Used);
  EXPECT_EQ(opening, testing::Done());
  EXPECT_FALSE(engine.IsOpen(ctx.FullPathOf("物理")));
  EXPECT_EQ(CourseTypeUse(ctx, 0, "问答", opening), TypeUse::Unused);

  engine.CloseAll();
  std::filesystem::remove(dir / "物理.edb");
  EXPECT_EQ(CourseTypeUse(ctx, 0, "判断", opening), TypeUse::Unknown);
  EXPECT_EQ(opening, testing::Failed("物理.edb不存在！"));
}

}  // namespace
}  // namespace databases
