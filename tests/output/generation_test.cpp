// Paper generation: the paper list, its draws, groups, twins, numbering and
// score notes.
#include <gtest/gtest.h>

#include <set>

#include "output/paper_generation.h"
#include "tests/output/paper_fixture.h"

namespace {

using namespace mc::testing;
using databases::Question;
using output::PaperLayout;

app::ProgramRandom Seeded(std::uint32_t seed) {
  app::ProgramRandom r;
  r.setState(seed);
  return r;
}

std::vector<output::LayoutRow> AllRows(const PaperLayout& layout) {
  std::vector<output::LayoutRow> rows;
  for (const auto& s : layout.sections) rows.insert(rows.end(), s.rows.begin(), s.rows.end());
  return rows;
}

TEST(ShuffleOptions, LabelsTheCorrectOptionWhereItLands) {
  struct Case {
    std::uint32_t seed;
    output::OptionLabels series;
    std::string suffix, options, answer, wantOptions, wantAnswer;
  } cases[] = {
      {1, output::OptionLabels::Letters, ". ", "甲\r\n乙\r\n丙\r\n丁", "丙",
       "A. 乙     B. 丁     C. 甲     D. 丙     ", "D"},
      {4, output::OptionLabels::Letters, ". ", "甲\r\n乙\r\n丙\r\n丁", "丙",
       "A. 丁     B. 丙     C. 乙     D. 甲     ", "B"},
      {5, output::OptionLabels::Circled, "）", "甲\r\n乙\r\n丙\r\n丁", "丙",
       "①）丙     ②）乙     ③）丁     ④）甲     ", "①"},
      // Two correct options; an answer line that is no option adds nothing.
      {1, output::OptionLabels::Letters, " ", "甲\r\n乙\r\n丙\r\n丁", "甲\r\n丙\r\n戊",
       "A 乙     B 丁     C 甲     D 丙     ", "CD"},
      // A trailing line break makes no empty option and no empty answer line.
      {1, output::OptionLabels::Letters, ". ", "甲\r\n乙\r\n丙\r\n丁\r\n", "丙\r\n",
       "A. 乙     B. 丁     C. 甲     D. 丙     ", "D"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options + " / " + c.answer + " seed " + std::to_string(c.seed));
    app::ProgramRandom random = Seeded(c.seed);
    const auto got = output::ShuffleOptions(c.options, c.answer, output::OptionLabelSeries(c.series),
                                            c.suffix, random);
    EXPECT_EQ(got.options, c.wantOptions);
    EXPECT_EQ(got.answer, c.wantAnswer);
  }
}

TEST(BuildPaperList, DrawsThePickThenTheBlocksOptionsThenTheNextPick) {
  // From state 1 the draws are 41, 18467, 6334, 26500, 19169, 15724: pick
  // question 2 (41 % 2), its options Y2 Y1, pick question 1, its options X2 X1.
  auto request = Request({Choice(1, "选择", "一题", "X1\r\nX2", "X1"),
                          Choice(2, "选择", "二题", "Y1\r\nY2", "Y2")},
                         {"选择"});
  app::ProgramRandom random;
  output::MemoryPaperSource source;
  const output::PaperList list = output::BuildPaperList(request, source, random);
  ASSERT_EQ(list.rows.size(), 2u);
  EXPECT_EQ(list.rows[0].question.id, 2);
  EXPECT_EQ(list.rows[0].question.text2, "A. Y2     B. Y1     ");
  EXPECT_EQ(list.rows[0].question.answer, "A");
  EXPECT_EQ(list.rows[1].question.id, 1);
  EXPECT_EQ(list.rows[1].question.text2, "A. X2     B. X1     ");
  EXPECT_EQ(list.rows[1].question.answer, "B");
  EXPECT_TRUE(list.stopMessage.empty());
}

TEST(GeneratePaper, KeepsAGroupTogetherUnderItsUnnumberedTitle) {
  // One 阅读 group of three and two single 阅读 questions, over many seeds.
  const std::vector<Question> questions = {
      Title(10, "阅读", "短文", "阅读短文", 15), Member(11, "阅读", "短文", 1, "问一"),
      Member(12, "阅读", "短文", 2, "问二"), Member(13, "阅读", "短文", 3, "问三"),
      Single(20, "阅读", "单一"), Single(21, "阅读", "单二")};
  std::set<std::vector<std::int64_t>> orders;
  for (std::uint32_t seed = 1; seed <= 30; ++seed) {
    SCOPED_TRACE(seed);
    app::ProgramRandom random = Seeded(seed);
    output::MemoryPaperSource source;
    const PaperLayout layout = output::GeneratePaper(Request(questions, {"阅读"}), source, random);
    ASSERT_EQ(layout.sections.size(), 1u);
    const auto rows = AllRows(layout);
    ASSERT_EQ(rows.size(), 6u);
    std::vector<std::int64_t> ids;
    int expectedNumber = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      ids.push_back(rows[i].recordId);
      if (rows[i].recordId == 10) {
        ASSERT_LE(i + 3, rows.size() - 1 + 1);
        EXPECT_EQ(rows[i + 1].recordId, 11);
        EXPECT_EQ(rows[i + 2].recordId, 12);
        EXPECT_EQ(rows[i + 3].recordId, 13);
        EXPECT_FALSE(rows[i].numbered);
        EXPECT_EQ(rows[i].numberText, "");
      } else {
        EXPECT_TRUE(rows[i].numbered);
        EXPECT_EQ(rows[i].number, ++expectedNumber);
        EXPECT_EQ(rows[i].numberText, std::to_string(expectedNumber) + ". ");
      }
    }
    orders.insert(ids);
  }
  EXPECT_EQ(orders.size(), 6u);  // three blocks: every order shows up
}

TEST(GeneratePaper, TwoGroupsOfOneTypeAppearOnceEach) {
  const std::vector<Question> questions = {
      Title(1, "阅读", "乙文", "乙", 10), Member(2, "阅读", "乙文", 1, "乙1"),
      Member(3, "阅读", "乙文", 2, "乙2"), Title(4, "阅读", "甲文", "甲", 10),
      Member(5, "阅读", "甲文", 1, "甲1"), Member(6, "阅读", "甲文", 2, "甲2")};
  for (std::uint32_t seed = 1; seed <= 10; ++seed) {
    SCOPED_TRACE(seed);
    app::ProgramRandom random = Seeded(seed);
    output::MemoryPaperSource source;
    const auto rows = AllRows(output::GeneratePaper(Request(questions, {"阅读"}), source, random));
    std::vector<std::int64_t> ids;
    for (const auto& r : rows) ids.push_back(r.recordId);
    const std::vector<std::int64_t> first = {1, 2, 3, 4, 5, 6}, second = {4, 5, 6, 1, 2, 3};
    EXPECT_TRUE(ids == first || ids == second);
  }
}

TEST(GeneratePaper, ATitleTakesOnlyMembersOfItsOwnGroup) {
  // After a mass selection: group 甲's title, then members of group 乙 whose
  // title is not selected.
  const std::vector<Question> questions = {Title(1, "阅读", "甲文", "甲", 10),
                                           Member(2, "阅读", "乙文", 1, "乙1"),
                                           Member(3, "阅读", "乙文", 2, "乙2")};
  app::ProgramRandom random;
  output::MemoryPaperSource source;
  const auto rows = AllRows(output::GeneratePaper(Request(questions, {"阅读"}), source, random));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].recordId, 1);
}

TEST(GeneratePaper, NumbersPerSectionOrContinuously) {
  const std::vector<Question> questions = {Single(1, "判断", "判1"), Single(2, "判断", "判2"),
                                           Single(3, "填空", "填1"), Single(4, "填空", "填2")};
  for (bool continuous : {false, true}) {
    SCOPED_TRACE(continuous);
    auto request = Request(questions, {"判断", "填空"});
    request.choices.continuousNumbering = continuous;
    app::ProgramRandom random;
    output::MemoryPaperSource source;
    const PaperLayout layout = output::GeneratePaper(request, source, random);
    ASSERT_EQ(layout.sections.size(), 2u);
    EXPECT_EQ(layout.sections[0].heading, "一. 判断");
    EXPECT_EQ(layout.sections[1].heading, "二. 填空");
    EXPECT_EQ(layout.sections[1].index, 2);
    std::vector<int> numbers;
    for (const auto& r : AllRows(layout)) numbers.push_back(r.number);
    EXPECT_EQ(numbers, continuous ? std::vector<int>({1, 2, 3, 4}) : std::vector<int>({1, 2, 1, 2}));
  }
}

TEST(GeneratePaper, PictureOptionsTakeATwinStoredWithTheChosenLabels) {
  // "如图所示" with its options in the picture, stored once with letters and
  // once with circled digits. Other questions with the same stem that must
  // not serve: masked, another type, an answer of the wrong series.
  Question letters = Choice(1, "选择", "如图所示", "", "B");
  letters.pictureMark = "√";
  Question circled = Choice(2, "选择", "如图所示", "", "②");
  circled.pictureMark = "√";
  circled.answerPictureMark = "√";
  Question masked = Choice(3, "选择", "如图所示", "", "③");
  masked.masked = true;
  Question otherType = Choice(4, "填空", "如图所示", "", "④");
  Question wrongSeries = Choice(5, "选择", "如图所示", "", "C");

  struct Case {
    std::vector<Question> others;
    output::OptionLabels series;
    std::int64_t wantId;  // 0: refused
    std::string wantAnswer;
  } cases[] = {
      {{circled}, output::OptionLabels::Circled, 2, "②"},
      {{masked, otherType, wrongSeries, circled}, output::OptionLabels::Circled, 2, "②"},
      {{masked, otherType, wrongSeries}, output::OptionLabels::Circled, 0, ""},
      {{}, output::OptionLabels::Circled, 0, ""},
      {{circled}, output::OptionLabels::Letters, 1, "B"},  // fits as stored
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.others.size());
    std::vector<Question> bank = {letters};
    bank.insert(bank.end(), c.others.begin(), c.others.end());
    output::MemoryPaperSource source(bank);
    auto request = Request({Single(9, "选择", "先出的题"), letters}, {"选择"});
    request.choices.optionLabels = c.series;
    app::ProgramRandom random = Seeded(3);  // 9 first, then the picture question
    const PaperLayout layout = output::GeneratePaper(request, source, random);
    const auto rows = AllRows(layout);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].recordId, 9);
    if (c.wantId == 0) {
      EXPECT_EQ(layout.stopMessage, "试题 如图所示 的答案编号类型不符合组卷要求！");
      EXPECT_EQ(rows.size(), 1u);  // the rows built before it stay
    } else {
      EXPECT_EQ(layout.stopMessage, "");
      ASSERT_EQ(rows.size(), 2u);
      EXPECT_EQ(rows[1].recordId, c.wantId);
      EXPECT_EQ(rows[1].answer, c.wantAnswer);
      ASSERT_TRUE(rows[1].picture.has_value());
      EXPECT_EQ(rows[1].picture->recordId, c.wantId);
      EXPECT_EQ(rows[1].answerPicture.has_value(), c.wantId == 2);
    }
  }
}

TEST(GeneratePaper, StopsAtAChoiceQuestionWithMoreThanNineOptions) {
  std::string ten;
  for (int i = 0; i < 10; ++i) ten += "项" + std::to_string(i) + "\r\n";
  auto request = Request({Single(9, "选择", "先出的题"), Choice(1, "选择", "十个选项", ten, "项1")},
                         {"选择"});
  app::ProgramRandom random = Seeded(3);
  output::MemoryPaperSource source;
  const PaperLayout layout = output::GeneratePaper(request, source, random);
  EXPECT_NE(layout.stopMessage.find("十个选项"), std::string::npos);
  const auto rows = AllRows(layout);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].recordId, 9);

  // Nine options are fine.
  std::string nine;
  for (int i = 0; i < 9; ++i) nine += "项" + std::to_string(i) + "\r\n";
  request.questions[1].text2 = nine;
  random = Seeded(3);
  EXPECT_EQ(output::GeneratePaper(request, source, random).stopMessage, "");
}

TEST(GeneratePaper, ScoreNoteGivesAPerQuestionScoreOnlyWhenTheScoresAgree) {
  struct Case {
    std::string name;
    std::vector<Question> questions;
    std::string want;
  } cases[] = {
      {"four of 5", {Single(1, "选择", "a"), Single(2, "选择", "b"), Single(3, "选择", "c"),
                     Single(4, "选择", "d")}, "（每题5分，共20分）"},
      {"3 and 4", {Single(1, "选择", "a", 3), Single(2, "选择", "b", 4)}, "（共7分）"},
      {"title left out", {Title(1, "选择", "组", "t", 10), Member(2, "选择", "组", 1, "m1", 5),
                          Member(3, "选择", "组", 2, "m2", 5)}, "（每题5分，共10分）"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto request = Request(c.questions, {"选择"});
    request.choices.sectionScoreNote = true;
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
      app::ProgramRandom random = Seeded(seed);
      output::MemoryPaperSource source;
      const PaperLayout layout = output::GeneratePaper(request, source, random);
      ASSERT_EQ(layout.sections.size(), 1u);
      EXPECT_EQ(layout.sections[0].scoreNote, c.want);
    }
  }
  // Off: no note at all.
  auto request = Request(cases[0].questions, {"选择"});
  app::ProgramRandom random;
  output::MemoryPaperSource source;
  EXPECT_EQ(output::GeneratePaper(request, source, random).sections[0].scoreNote, "");
}

TEST(GeneratePaper, HeadsSectionsWithTheChosenLabelsAndTypeDescriptions) {
  auto request = Request({Single(1, "判断", "a"), Single(2, "名词", "b")}, {"名词", "判断"});
  request.choices.sectionLabels = {"Ⅰ", "Ⅱ"};
  request.choices.sectionSuffix = " ";
  request.types = {{1, "判断", "对的打√", true}, {2, "名词", "", false}};
  request.typeOrder[1].answerOnNewLine = true;
  app::ProgramRandom random;
  output::MemoryPaperSource source;
  const PaperLayout layout = output::GeneratePaper(request, source, random);
  ASSERT_EQ(layout.sections.size(), 2u);
  EXPECT_EQ(layout.sections[0].heading, "Ⅰ 名词");
  EXPECT_EQ(layout.sections[0].description, "");
  EXPECT_TRUE(layout.sections[0].answersRunOn);
  EXPECT_EQ(layout.sections[1].heading, "Ⅱ 判断");
  EXPECT_EQ(layout.sections[1].description, "对的打√");
  EXPECT_FALSE(layout.sections[1].answersRunOn);

  // One label short: building stops with the compose window's message.
  request.choices.sectionLabels = {"Ⅰ"};
  random = app::ProgramRandom();
  const PaperLayout cut = output::GeneratePaper(request, source, random);
  EXPECT_EQ(cut.stopMessage, "大题编号不够用！");
  EXPECT_EQ(cut.sections.size(), 1u);
}

TEST(GeneratePaper, TitleLineNamesCourseStampsTotalsAndPaper) {
  auto request = Request({Single(1, "判断", "a", 60)}, {"判断"}, output::Paper::B);
  request.similarity = 37;
  app::ProgramRandom random;
  output::MemoryPaperSource source;
  const PaperLayout layout = output::GeneratePaper(request, source, random);
  EXPECT_EQ(layout.paperTitle, "物理  20261210103000  60  37  B卷  20261210104500  试题");
  EXPECT_EQ(layout.answersTitle, "物理  20261210103000  60  37  B卷  20261210104500  答案");
}

TEST(GeneratePaper, SameDrawsGiveTheSamePaperAndLaterDrawsAnother) {
  std::vector<Question> questions;
  for (int i = 1; i <= 8; ++i)
    questions.push_back(Choice(i, "选择", "题" + std::to_string(i), "甲\r\n乙\r\n丙", "乙"));
  const auto request = Request(questions, {"选择"});
  output::MemoryPaperSource source;
  app::ProgramRandom first, again;
  const auto a = AllRows(output::GeneratePaper(request, source, first));
  const auto b = AllRows(output::GeneratePaper(request, source, again));
  const auto c = AllRows(output::GeneratePaper(request, source, again));
  auto key = [](const std::vector<output::LayoutRow>& rows) {
    std::string k;
    for (const auto& r : rows) k += std::to_string(r.recordId) + r.text2 + r.answer + "|";
    return k;
  };
  EXPECT_EQ(key(a), key(b));
  EXPECT_NE(key(b), key(c));
}

TEST(SortByGroup, PutsGroupsFirstTitlesFirstAndMembersByNumber) {
  std::vector<Question> qs = {Single(1, "t", "single"), Member(2, "t", "甲", 10, "甲10"),
                              Member(3, "t", "乙", 1, "乙1"), Title(4, "t", "甲", "甲0", 0),
                              Member(5, "t", "甲", 2, "甲2"), Single(6, "t", "single2"),
                              Title(7, "t", "乙", "乙0", 0)};
  output::SortByGroup(qs);
  std::vector<std::int64_t> ids;
  for (const auto& q : qs) ids.push_back(q.id);
  // 乙 (GBK D2D2) sorts after 甲 (BCD7): descending puts 乙 first.
  EXPECT_EQ(ids, (std::vector<std::int64_t>{7, 3, 4, 5, 2, 1, 6}));
}

}  // namespace
