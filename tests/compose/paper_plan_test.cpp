#include "compose/paper_plan.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/temp_dir.h"

namespace compose {
namespace {

PaperPlan SamplePlan() {
  PaperPlan p;
  p.course = "示例课程";
  p.selectionStamp = "20261210103000";
  p.a = {17, 18, 19, 42};
  p.b = {17, 55};
  p.output = "word";
  p.sectionNumbering = "罗马";
  p.sectionSuffix = " ";
  p.optionLabels = "①";
  p.optionSuffix = "）";
  p.continuousNumbering = true;
  return p;
}

TEST(PaperPlan, FileRoundTripKeepsEveryChoice) {
  mc::testing::TempDir dir;
  const std::string path = dir / "期中.mcplan";
  std::string error;
  ASSERT_TRUE(WritePlanFile(path, SamplePlan(), error)) << error;
  PaperPlan read;
  ASSERT_TRUE(ReadPlanFile(path, "示例课程", read, error)) << error;
  EXPECT_EQ(read, SamplePlan());
}

TEST(PaperPlan, WrittenTextHasTheDocumentedKeysInOrder) {
  const std::string json = PlanToJson(SamplePlan());
  const char* keys[] = {"\"kind\": \"mochuan-paper-plan\"", "\"version\": 1",
                        "\"course\": \"示例课程\"", "\"selection_stamp\"", "\"A\": [17, 18, 19, 42]",
                        "\"B\": [17, 55]",
                        "\"output\": \"word\"", "\"section_numbering\": \"罗马\"",
                        "\"section_suffix\"", "\"option_labels\": \"①\"", "\"option_suffix\"",
                        "\"section_score_note\": false", "\"options_on_own_lines\": false",
                        "\"continuous_numbering\": true"};
  std::size_t at = 0;
  for (const char* key : keys) {
    SCOPED_TRACE(key);
    const std::size_t found = json.find(key, at);
    ASSERT_NE(found, std::string::npos);
    at = found;
  }
}

TEST(PaperPlan, RefusedPlansSayWhyAndLeaveTheTargetAlone) {
  struct Case {
    const char* what;
    std::string json;
    const char* messagePart;
  };
  const std::string head = R"({"kind": "mochuan-paper-plan", "version": 1, )";
  const Case cases[] = {
      {"broken JSON", R"({"kind": "mochuan-paper-plan", "version": 1,)", "不是有效的 JSON"},
      {"another kind", R"({"kind": "something", "version": 1})", "不是组卷方案文件"},
      {"unknown version", R"({"kind": "mochuan-paper-plan", "version": 2, "course": "示例课程", "A": [], "B": []})",
       "版本 2 无法识别"},
      {"another course", head + R"("course": "物理", "A": [], "B": []})", "该方案属于课程“物理”"},
      {"ids not numbers", head + R"("course": "示例课程", "A": ["x"], "B": []})", "“A”的值无效"},
      {"no B", head + R"("course": "示例课程", "A": [1]})", "“B”的值无效"},
      {"flag not a bool", head + R"("course": "示例课程", "A": [], "B": [], "options_on_own_lines": 1})",
       "“options_on_own_lines”的值无效"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PaperPlan target = SamplePlan();
    std::string error;
    EXPECT_FALSE(PlanFromJson(c.json, "示例课程", target, error));
    EXPECT_NE(error.find(c.messagePart), std::string::npos) << error;
    EXPECT_EQ(target, SamplePlan());
  }
}

TEST(PaperPlan, MissingChoicesTakeTheWindowsDefaults) {
  PaperPlan plan;
  std::string error;
  ASSERT_TRUE(PlanFromJson(R"({"kind": "mochuan-paper-plan", "version": 1, "course": "c", "A": [3], "B": []})",
                           "", plan, error))
      << error;
  EXPECT_EQ(plan.a, std::vector<std::int64_t>{3});
  EXPECT_EQ(plan.output, "html");
  EXPECT_EQ(plan.sectionNumbering, "大写");
}

TEST(PaperPlan, MissingFileIsReported) {
  mc::testing::TempDir dir;
  PaperPlan plan;
  std::string error;
  EXPECT_FALSE(ReadPlanFile(dir / "none.mcplan", "", plan, error));
  EXPECT_NE(error.find("无法读取方案文件"), std::string::npos);
}

TEST(PaperPlan, UsableIdsLeaveOutDeletedMaskedAndScorelessQuestions) {
  std::vector<databases::Question> bank(4);
  bank[0].id = 1, bank[0].score = 5;
  bank[1].id = 2, bank[1].score = 5, bank[1].masked = true;
  bank[2].id = 3, bank[2].score = 0, bank[2].groupNumber = "0";
  bank[3].id = 4, bank[3].score = 3;
  int leftOut = 0;
  EXPECT_EQ(UsablePlanIds({4, 1, 2, 3, 99}, bank, leftOut), (std::vector<std::int64_t>{4, 1}));
  EXPECT_EQ(leftOut, 3);
}

TEST(PaperPlan, ExtensionIsAddedOnce) {
  EXPECT_EQ(WithPlanExtension("/a/期中"), "/a/期中.mcplan");
  EXPECT_EQ(WithPlanExtension("/a/期中.mcplan"), "/a/期中.mcplan");
}

}  // namespace
}  // namespace compose
