#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "compose_fixture.h"

namespace compose::testing {
namespace {

using databases::Question;

std::vector<Question> PlanBank() {
  return {Single("s1", "判断", 2), Single("s2", "填空", 5), Single("s3", "填空", 5),
          Grouped("G", "0", "G0", 10), Grouped("G", "1", "G1", 4), Grouped("G", "2", "G2", 6)};
}

class Plans : public ComposeFixture {
 protected:
  std::vector<std::string> Ticks(int column) {
    std::vector<std::string> out;
    for (int r = 1; r < grid().RowCount(); ++r)
      if (checked(r, column)) out.push_back(cell(r, kColText1));
    return out;
  }
  std::string path() { return dir_ / "期中"; }
};

TEST_F(Plans, ASavedPlanBringsBackTheTicksTotalsAndChoices) {
  MakeData(PlanBank());
  Open();
  Tick("G1", kColA);
  Tick("s1", kColA);
  Tick("s2", kColB);
  Tick("G0", kColB);
  window_->组合框大题编号类型.ChooseText("罗马");
  window_->组合框选项编号后缀.ChooseText("）");
  window_->选择框小题连续编号.Toggle();
  window_->单选框pdf.Choose();
  const std::string totals = Totals();
  const auto ticksA = Ticks(kColA);
  const auto ticksB = Ticks(kColB);
  host_.AnswerSaveFile(path());
  window_->菜单保存方案.Choose();
  PaperPlan saved;
  std::string error;
  ASSERT_TRUE(ReadPlanFile(path() + ".mcplan", kCourse, saved, error)) << error;
  EXPECT_EQ(saved.a.size(), 4u);
  EXPECT_EQ(saved.selectionStamp, window_->SelectionStamp());
  EXPECT_EQ(saved.output, "pdf");

  Reopen();
  EXPECT_EQ(Totals(), "0/0/0");
  host_.AnswerOpenFile(path() + ".mcplan");
  window_->菜单打开方案.Choose();
  EXPECT_EQ(Ticks(kColA), ticksA);
  EXPECT_EQ(Ticks(kColB), ticksB);
  EXPECT_EQ(Totals(), totals);
  EXPECT_EQ(window_->组合框大题编号类型.text(), "罗马");
  EXPECT_EQ(window_->组合框选项编号后缀.text(), "）");
  EXPECT_TRUE(window_->选择框小题连续编号.checked());
  EXPECT_TRUE(window_->单选框pdf.checked());
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Plans, QuestionsDeletedOrMaskedSinceAreLeftOutAndCounted) {
  MakeData(PlanBank());
  Open();
  Tick("s1", kColA);
  Tick("s2", kColA);
  Tick("s3", kColA);
  Tick("s3", kColB);
  host_.AnswerSaveFile(path() + ".mcplan");
  window_->菜单保存方案.Choose();
  ASSERT_TRUE(window_->UserClose());

  ASSERT_TRUE(engine_.SetCurrent(kCourse));
  ASSERT_TRUE(engine_.GoToId(ids_[2]));  // s3
  ASSERT_TRUE(engine_.Delete());
  Open();
  Tick("s2", kColMasked);
  host_.ClearRecords();
  host_.AnswerOpenFile(path() + ".mcplan");
  window_->菜单打开方案.Choose();
  EXPECT_EQ(Ticks(kColA), std::vector<std::string>{"s1"});
  EXPECT_TRUE(Ticks(kColB).empty());
  EXPECT_EQ(Messages(), std::vector<std::string>{"方案中有 2 道试题已从题库中删除或已被屏蔽，没有选入试卷。"});
  EXPECT_EQ(Totals(), "2/0/0");
}

TEST_F(Plans, APlanOfAnotherCourseOrBrokenJsonChangesNothing) {
  MakeData(PlanBank());
  Open();
  Tick("s1", kColA);
  PaperPlan other;
  other.course = "物理";
  other.a = {ids_[1]};
  std::string error;
  ASSERT_TRUE(WritePlanFile(dir_ / "物理.mcplan", other, error));
  {
    std::ofstream out(dir_ / "坏.mcplan");
    out << "{\"kind\": \"mochuan-paper-plan\", ";
  }
  host_.AnswerOpenFile(dir_ / "物理.mcplan");
  window_->菜单打开方案.Choose();
  host_.AnswerOpenFile(dir_ / "坏.mcplan");
  window_->菜单打开方案.Choose();
  ASSERT_EQ(Messages().size(), 2u);
  EXPECT_NE(Messages()[0].find("物理"), std::string::npos);
  EXPECT_NE(Messages()[1].find("JSON"), std::string::npos);
  EXPECT_EQ(Ticks(kColA), std::vector<std::string>{"s1"});
}

TEST_F(Plans, APaperExportedAsMoodleXmlHoldsItsQuestionsInPaperOrderWithTheirScores) {
  MakeData(PlanBank());
  Open();
  window_->菜单B卷导出Moodle.Choose();
  EXPECT_EQ(Messages().back(), "B卷还没有选题！");
  Tick("G1", kColA);
  Tick("s1", kColA);
  host_.AnswerSaveFile(dir_ / "A卷.xml");
  window_->菜单A卷导出Moodle.Choose();
  EXPECT_EQ(Messages().back(), "导出Moodle XML完毕：写出4题。");
  std::ifstream in(dir_ / "A卷.xml");
  const std::string xml{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_NE(xml.find("<text>$course$/" + kCourse + "/" + kCourse + "  "), std::string::npos) << xml;
  EXPECT_NE(xml.find("A卷  "), std::string::npos);
  for (const char* text : {"G0", "G1", "G2", "s1"})
    EXPECT_NE(xml.find(std::string("<![CDATA[") + text), std::string::npos) << text;
  EXPECT_LT(xml.find("<![CDATA[G0"), xml.find("<![CDATA[G1"));
  EXPECT_LT(xml.find("<![CDATA[G1"), xml.find("<![CDATA[G2"));
  EXPECT_NE(xml.find("<defaultgrade>4</defaultgrade>"), std::string::npos);
}

}  // namespace
}  // namespace compose::testing
