#include "bank_editor/question_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bank_editor {
namespace {

const std::string kCrLf = "\r\n";

// A complete, plain question the cases below change one thing of.
QuestionRow Plain() {
  QuestionRow q;
  q.text1 = "题干";
  q.type = "填空";
  q.answer = "答";
  q.score = "5";
  return q;
}

QuestionRow TextChoice(std::string options, std::string answer) {
  QuestionRow q = Plain();
  q.choice = true;
  q.text2 = std::move(options);
  q.answer = std::move(answer);
  return q;
}

QuestionRow PictureChoice(std::string answer) {
  QuestionRow q = Plain();
  q.choice = true;
  q.picture = "√";
  q.answer = std::move(answer);
  return q;
}

struct RuleCase {
  const char* name;
  QuestionRow row;
  int rule;  // 0: passes
  int column;
  const char* message;
};

TEST(QuestionRules, EachRuleStopsAtItsCellWithItsMessage) {
  const std::string beijing = "北京" + kCrLf + "上海";
  QuestionRow noText = Plain();
  noText.text1.clear();
  QuestionRow pictureOnly = Plain();
  pictureOnly.text1.clear();
  pictureOnly.picture = "√";
  pictureOnly.answer = "A";
  QuestionRow noType = Plain();
  noType.type.clear();
  QuestionRow noAnswer = Plain();
  noAnswer.answer.clear();
  QuestionRow answerPictureOnly = noAnswer;
  answerPictureOnly.answerPicture = "√";
  QuestionRow placeholder = Plain();
  placeholder.answer = "请输入答案";
  QuestionRow title = Plain();
  title.groupNumber = "0";
  title.answer.clear();
  title.score = "";
  QuestionRow titlePlaceholder = title;
  titlePlaceholder.answer = "请输入答案";
  QuestionRow noScore = Plain();
  noScore.score = "";
  QuestionRow bigScore = Plain();
  bigScore.score = "101";
  QuestionRow topScore = Plain();
  topScore.score = "100";
  QuestionRow choiceWithoutOptions = Plain();
  choiceWithoutOptions.choice = true;
  QuestionRow choiceNoAnswer = TextChoice(beijing, "");
  QuestionRow tenOptions = TextChoice("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10", "1");
  QuestionRow nineOptions = TextChoice("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9", "9");

  const std::vector<RuleCase> cases = {
      {"complete question", Plain(), 0, 0, ""},
      {"no text, no picture", noText, 1, kColText1, "请输入题目！"},
      {"picture alone is a question", pictureOnly, 0, 0, ""},
      {"no type", noType, 2, kColType, "请选择题型！"},
      {"no answer", noAnswer, 3, kColAnswer, "请输入答案！"},
      {"answer picture stands for the answer", answerPictureOnly, 0, 0, ""},
      {"placeholder answer", placeholder, 4, kColAnswer, "请完善答案！"},
      {"title without answer and score", title, 0, 0, ""},
      {"title keeps any answer text", titlePlaceholder, 0, 0, ""},
      {"score 0", noScore, 5, kColScore, "请输入1-100的分值！"},
      {"score 101", bigScore, 5, kColScore, "请输入1-100的分值！"},
      {"score 100", topScore, 0, 0, ""},
      {"choice without options", choiceWithoutOptions, 6, kColText2,
       "选择栏选中表示为选择型题目，题图或题文2应放置题目选项！"},
      {"one option", TextChoice("北京", "北京"), 7, kColText2, "题目选项错误！"},
      {"trailing CR LF adds no option", TextChoice("北京" + kCrLf, "北京"), 7, kColText2,
       "题目选项错误！"},
      {"ten options", tenOptions, 15, kColText2,
       "选择题的题目选项最多9个（每行一个），请合并或删除多余的选项！"},
      {"nine options", nineOptions, 0, 0, ""},
      {"equal options", TextChoice("北京" + kCrLf + "北京", "北京"), 8, kColText2,
       "题目选项重复！"},
      {"two options and a trailing CR LF", TextChoice(beijing + kCrLf, "上海"), 0, 0, ""},
      {"choice without answer", choiceNoAnswer, 9, kColAnswer, "请输入答案！"},
      {"repeated answer line", TextChoice(beijing, "上海" + kCrLf + "北京" + kCrLf + "上海"), 10,
       kColAnswer, "答案选项重复！"},
      {"answer beyond the options", TextChoice(beijing, "广州"), 14, kColAnswer,
       "答案选项内容不能超出题目选项内容！"},
      {"empty line is a third option", TextChoice("北京" + kCrLf + kCrLf + "上海", "上海"), 0, 0,
       ""},
      {"more answer lines than options",
       TextChoice(beijing, "上海" + kCrLf + "北京" + kCrLf + "广州"), 13, kColAnswer,
       "答案选项数不能多于题目选项数！"},
      {"a label is no option text", TextChoice(beijing, "A"), 14, kColAnswer,
       "答案选项内容不能超出题目选项内容！"},
      {"letters in the picture", PictureChoice("ABD"), 0, 0, ""},
      {"circled digits in the picture", PictureChoice("①③"), 0, 0, ""},
      {"lower-case letter", PictureChoice("a"), 11, kColAnswer,
       "题目选项放在题图里时答案编号只能为大写字母或带圈数字！"},
      {"letter beyond I", PictureChoice("J"), 11, kColAnswer,
       "题目选项放在题图里时答案编号只能为大写字母或带圈数字！"},
      {"letters mixed with a circled digit", PictureChoice("AB①"), 12, kColAnswer,
       "题目选项放在题图里时答案编号只能大写字母或带圈数字一种！"},
      {"circled digit then a letter", PictureChoice("①A"), 12, kColAnswer,
       "题目选项放在题图里时答案编号只能大写字母或带圈数字一种！"},
      {"letter and comma", PictureChoice("A,"), 12, kColAnswer,
       "题目选项放在题图里时答案编号只能大写字母或带圈数字一种！"},
      {"letters on two lines", PictureChoice("A" + kCrLf + "C"), 12, kColAnswer,
       "题目选项放在题图里时答案编号只能大写字母或带圈数字一种！"},
      // 「丄」 is 81 41 in GBK: its trailing byte is no letter "A".
      {"trailing byte of a double-byte character", PictureChoice("①丄"), 0, 0, ""},
  };
  for (const RuleCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto failure = CheckQuestionRules(c.row);
    if (c.rule == 0) {
      EXPECT_FALSE(failure.has_value()) << failure->message;
      continue;
    }
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->rule, c.rule);
    EXPECT_EQ(failure->column, c.column);
    EXPECT_EQ(failure->message, c.message);
  }
}

TEST(QuestionRules, LinesAreCutAtCrLfAndATrailingCrLfAddsNone) {
  EXPECT_EQ(QuestionLines(""), std::vector<std::string>{});
  EXPECT_EQ(QuestionLines("北京\r\n上海\r\n"), (std::vector<std::string>{"北京", "上海"}));
  EXPECT_EQ(QuestionLines("北京\r\n\r\n上海"), (std::vector<std::string>{"北京", "", "上海"}));
  EXPECT_EQ(QuestionLines("\r\n"), std::vector<std::string>{""});
  EXPECT_EQ(QuestionLines("a\nb"), std::vector<std::string>{"a\nb"});
  EXPECT_EQ(RemoveEmptyLines("\r\n北京\r\n\r\n上海\r\n"), "北京\r\n上海");
}

TEST(QuestionRules, DuplicateContentJoinsBothTexts) {
  EXPECT_TRUE(SameQuestionContent("甲", "乙", "答", "甲乙", "", "答"));
  EXPECT_TRUE(SameQuestionContent("AB", "C", "x", "A", "BC", "x"));
  EXPECT_FALSE(SameQuestionContent("甲", "乙", "答", "甲乙", "", "答案"));
  EXPECT_FALSE(SameQuestionContent("甲", "乙", "答", "甲", "丙", "答"));
  EXPECT_FALSE(SameQuestionContent("ab", "", "", "AB", "", ""));
  EXPECT_TRUE(SameQuestionContent("", "", "", "", "", ""));
}

TEST(QuestionRules, InPlaceValuesOfASingleQuestion) {
  using K = CellDecision::Kind;
  const std::vector<std::string> types = {"判断", "选择", "填空"};
  struct Case {
    const char* name;
    CellDecision got;
    K kind;
    std::string value;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"type emptied keeps the old type", DecideQuestionType("", "选择", types), K::Restore, "", ""},
      {"blanks are no type", DecideQuestionType(" 　", "选择", types), K::Restore, "",
       "请直接选择题型！"},
      {"new question takes the first type", DecideQuestionType("", "", types), K::Write, "判断", ""},
      {"type from the list", DecideQuestionType("填空", "选择", types), K::Write, "填空", ""},
      {"typed type is trimmed", DecideQuestionType(" 填空　", "选择", types), K::Write, "填空", ""},
      {"unknown type", DecideQuestionType("作文", "选择", types), K::Restore, "",
       "请直接选择题型！"},
      {"type unchanged", DecideQuestionType("选择", "选择", types), K::Nothing, "", ""},
      {"difficulty 10", DecideDifficulty("10", 3), K::Restore, "", "难度值从1到9，可直接选择！"},
      {"difficulty 0", DecideDifficulty("0", 3), K::Restore, "", "难度值从1到9，可直接选择！"},
      {"difficulty 9", DecideDifficulty("9", 3), K::Write, "9", ""},
      {"difficulty unchanged", DecideDifficulty("3", 3), K::Restore, "", ""},
      {"score unchanged", DecideScore("5", 5, false), K::Nothing, "", ""},
      {"score of a title", DecideScore("8", 0, true), K::Restore, "", "不能更改标题分组试题分值！"},
      {"score 0", DecideScore("0", 5, false), K::Restore, "", "分值范围为1-100整数！"},
      {"score 101", DecideScore("101", 5, false), K::Restore, "", "分值范围为1-100整数！"},
      {"score 100", DecideScore("100", 5, false), K::Write, "100", ""},
      {"real score cut toward zero", DecideScore("7.9", 5, false), K::Write, "7", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.got.kind, c.kind);
    if (c.kind == K::Write) {
      EXPECT_EQ(c.got.value, c.value);
    }
    EXPECT_EQ(c.got.message, c.message);
  }
}

TEST(QuestionRules, KnowledgePointsLoseSpacesAndEmptyPieces) {
  EXPECT_EQ(TidyKnowledgePoints(" 函数 || 极限 |"), "函数|极限");
  EXPECT_EQ(TidyKnowledgePoints("a||b|"), "a|b");
  EXPECT_EQ(TidyKnowledgePoints("｜"), "｜");  // a full-width bar is no separator
  EXPECT_EQ(TidyKnowledgePoints("||"), "");
  EXPECT_EQ(TidyKnowledgePoints("\r\n函数\r\n|\r\n|极限\r\n"), "函数|极限");
  EXPECT_EQ(TidyKnowledgePoints(std::string(256, 'x') + "　" + std::string(256, 'y')),
            std::string(256, 'x') + std::string(256, 'y'));
  EXPECT_FALSE(TidyKnowledgePoints(std::string(513, 'x')));
  std::string chinese;
  for (int i = 0; i < 257; ++i) chinese += "数";  // 514 GBK bytes
  EXPECT_FALSE(TidyKnowledgePoints(chinese));
}

TEST(QuestionRules, EditorTextIsTrimmedAndLosesTrailingLineBreaks) {
  EXPECT_EQ(TidyEditorText("　 题目\r\n\r\n"), "题目");
  EXPECT_EQ(TidyEditorText("题目\r\n \r\n"), "题目\r\n ");  // trimmed once, before
  EXPECT_EQ(TidyEditorText("\r\n题目"), "\r\n题目");
}

TEST(QuestionRules, TextEditorConfirmByColumn) {
  using K = TextEditDecision::Kind;
  QuestionRow row;
  row.text1 = "题干";
  QuestionRow choice = row;
  choice.choice = true;
  QuestionRow pictureOnly;
  pictureOnly.picture = "√";
  QuestionRow title;
  title.groupNumber = "0";
  title.text1 = "材料";
  struct Case {
    const char* name;
    int column;
    std::string content, cell;
    QuestionRow row;
    K kind;
    std::string value, message;
  };
  const std::vector<Case> cases = {
      {"unchanged after trimming", kColText1, " 题干\r\n", "题干", row, K::Close, "", ""},
      {"text 1 stored trimmed", kColText1, "新题干\r\n ", "题干", row, K::Store, "新题干", ""},
      {"text 1 emptied with nothing else", kColText1, "", "题干", QuestionRow{}, K::Close, "",
       "题目不能为空！"},
      {"text 1 emptied beside a picture", kColText1, "", "题干", pictureOnly, K::Store, "", ""},
      {"text 2 keeps empty lines of a plain question", kColText2, "a\r\n\r\nb", "", row, K::Store,
       "a\r\n\r\nb", ""},
      {"text 2 of a choice question loses empty lines", kColText2, "北京\r\n\r\n上海\r\n", "",
       choice, K::Store, "北京\r\n上海", ""},
      {"answer emptied", kColAnswer, " ", "答", row, K::Close, "", "答案不能为空！"},
      {"title answer may be empty", kColAnswer, "", "x", title, K::Store, "", ""},
      {"choice answer loses empty lines", kColAnswer, "上海\r\n\r\n北京", "", choice, K::Store,
       "上海\r\n北京", ""},
      {"knowledge points", kColKnowledge, " 函数 || 极限 |", "", row, K::Store, "函数|极限", ""},
      // A line break typed after the last point would make it match no other.
      {"knowledge points lose a trailing line break", kColKnowledge, "函数|极限\r\n", "", row,
       K::Store, "函数|极限", ""},
      {"knowledge points too long", kColKnowledge, std::string(513, 'k'), "", row, K::StayOpen, "",
       "知识点长度超标！"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TextEditDecision d = DecideTextEdit(c.column, c.content, c.cell, c.row);
    EXPECT_EQ(d.kind, c.kind);
    EXPECT_EQ(d.value, c.value);
    EXPECT_EQ(d.message, c.message);
  }
}

}  // namespace
}  // namespace bank_editor
