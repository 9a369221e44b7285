#include "exchange/question_markup.h"

#include <gtest/gtest.h>

#include "exchange/bulk_import.h"
#include "exchange/source_document.h"

namespace exchange {
namespace {

using databases::Question;

// What one document gives for its first question once prepared for a bank.
struct Expect {
  std::string type, text1, text2, answer, knowledge;
  int difficulty, score;
  bool choice;
};

struct Case {
  const char* name;
  const char* document;
  Expect expect;
};

ImportPreview Prepare(std::string_view document, const std::vector<Question>& bank = {}) {
  return PrepareImport(ParseQuestionMarkup(ReadTextSource(document)), bank,
                       {"判断", "选择", "填空", "名词", "问答"});
}

TEST(QuestionMarkupTest, MarkupVariantsGiveTheQuestionsTheyDescribe) {
  const Case cases[] = {
      {"dot number, options per line, answer line",
       "1. 水的化学式是（ ）\nA. H2O\nB. CO2\nC. O2\n答案：A\n",
       {"选择", "水的化学式是（ ）", "H2O\r\nCO2\r\nO2", "H2O", "", 5, 5, true}},
      {"full-width forms and options on one line",
       "１．下列是偶数的是　Ａ．１　Ｂ．２　Ｃ．３　Ｄ．４\n【答案】Ｂ\n",
       {"选择", "下列是偶数的是", "１\r\n２\r\n３\r\n４", "２", "", 5, 5, true}},
      {"paren number and paren options, starred answer",
       "（1）选出两个质数\n(A) 4 (B) 5 *(C) 7\n",
       {"选择", "选出两个质数", "4\r\n5\r\n7", "7", "", 5, 5, true}},
      {"several right options", "2、选出金属\nA、铁\nB、铜\nC、氧\n答案:AB\n",
       {"选择", "选出金属", "铁\r\n铜\r\n氧", "铁\r\n铜", "", 5, 5, true}},
      {"section sets type and score",
       "一、单选题（每题3分，共6分）\n1. 一加一\nA. 1\nB. 2\n答案：B\n",
       {"选择", "一加一", "1\r\n2", "2", "", 5, 3, true}},
      {"judgement inferred", "1. 地球是圆的。\n答案：正确\n",
       {"判断", "地球是圆的。", "", "正确", "", 5, 5, false}},
      {"blank inferred", "1. 中国的首都是____。\n答案：北京\n",
       {"填空", "中国的首都是____。", "", "北京", "", 5, 5, false}},
      {"essay by default, labelled lines",
       "1. 简述牛顿第一定律。\n答案：物体保持静止或匀速直线运动状态。\n知识点：力学、惯性，定律\n难度：中\n分值：8\n【解析】略\n",
       {"问答", "简述牛顿第一定律。", "", "物体保持静止或匀速直线运动状态。", "力学|惯性|定律", 5, 8, false}},
      {"stated type and difficulty words",
       "1. 解释名词：光合作用\n答案：植物利用光能合成有机物\n【题型】名词\n【难度】难\n",
       {"名词", "解释名词：光合作用", "", "植物利用光能合成有机物", "", 7, 5, false}},
      {"arrow heading and a trailing key",
       "===<<判断题>>===\n1. 水在0度结冰\n2. 铁比水轻\n参考答案\n1.√ 2.×\n",
       {"判断", "水在0度结冰", "", "√", "", 5, 5, false}},
      {"range key after the questions",
       "1. 一\nA. 甲\nB. 乙\n2. 二\nA. 丙\nB. 丁\n1-2 BA\n",
       {"选择", "一", "甲\r\n乙", "乙", "", 5, 5, true}},
      {"gb18030 text file", "1. \xCB\xAE\n\xB4\xF0\xB0\xB8\xA3\xBA\xB6\xD4\n",
       {"判断", "水", "", "对", "", 5, 5, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ImportPreview p = Prepare(c.document);
    ASSERT_FALSE(p.rows.empty());
    const ImportRow& r = p.rows.front();
    EXPECT_EQ(r.status, ImportRow::Status::Importable) << r.reason;
    const Question& q = r.question;
    EXPECT_EQ(q.type, c.expect.type);
    EXPECT_EQ(q.text1, c.expect.text1);
    EXPECT_EQ(q.text2, c.expect.text2);
    EXPECT_EQ(q.answer, c.expect.answer);
    EXPECT_EQ(q.knowledgePoints, c.expect.knowledge);
    EXPECT_EQ(q.difficulty, c.expect.difficulty);
    EXPECT_EQ(q.score, c.expect.score);
    EXPECT_EQ(q.choice, c.expect.choice);
  }
}

TEST(QuestionMarkupTest, KeyAnswersEveryQuestionItNames) {
  const ImportPreview p = Prepare("1. 甲\nA. 1\nB. 2\n2. 乙\nA. 3\nB. 4\n3. 丙\nA. 5\nB. 6\n答案\n1-2 AB\n3.B\n");
  ASSERT_EQ(p.rows.size(), 3u);
  EXPECT_EQ(p.rows[0].question.answer, "1");
  EXPECT_EQ(p.rows[1].question.answer, "4");
  EXPECT_EQ(p.rows[2].question.answer, "6");
  EXPECT_EQ(p.importable, 3);
}

TEST(QuestionMarkupTest, AMaterialWithSubQuestionsBecomesAGroup) {
  const ImportPreview p = Prepare(
      "三、阅读题（每小题4分）\n"
      "1. 阅读下面的材料，回答问题。\n春天来了，万物复苏。\n"
      "（1）文中写的是哪个季节？\n答案：春天\n"
      "（2）万物怎样了？\n答案：复苏\n"
      "（3）作者的心情如何？\nA. 高兴\nB. 难过\n答案：A\n"
      "2. 下一题\n答案：好\n");
  ASSERT_EQ(p.rows.size(), 5u);
  const Question& title = p.rows[0].question;
  EXPECT_EQ(title.groupNumber, "0");
  EXPECT_EQ(title.groupName, "阅读下面的材料，");
  EXPECT_EQ(title.text1, "阅读下面的材料，回答问题。\r\n春天来了，万物复苏。");
  EXPECT_EQ(title.score, 12);
  EXPECT_EQ(title.type, "阅读");
  EXPECT_TRUE(title.answer.empty());
  for (int i = 1; i <= 3; ++i) {
    SCOPED_TRACE(i);
    const Question& m = p.rows[static_cast<std::size_t>(i)].question;
    EXPECT_EQ(m.groupName, title.groupName);
    EXPECT_EQ(m.groupNumber, std::to_string(i));
    EXPECT_EQ(m.score, 4);
    EXPECT_EQ(p.rows[static_cast<std::size_t>(i)].status, ImportRow::Status::Importable)
        << p.rows[static_cast<std::size_t>(i)].reason;
  }
  EXPECT_EQ(p.rows[3].question.answer, "高兴");
  EXPECT_TRUE(p.rows[3].question.choice);
  EXPECT_TRUE(p.rows[4].question.groupName.empty());
  EXPECT_EQ(p.newTypes, std::vector<std::string>{"阅读"});
}

TEST(QuestionMarkupTest, RefusedAndDuplicateQuestionsAreListedWithTheirReasons) {
  Question existing;
  existing.text1 = "旧题";
  existing.answer = "旧答案";
  existing.type = "问答";
  const ImportPreview p = Prepare(
      "1. 旧题\n答案：旧答案\n"
      "2. 没有答案的题\n"
      "3. 选项重复\nA. 甲\nB. 甲\n答案：A\n"
      "4. 答案越界\nA. 甲\nB. 乙\n答案：D\n"
      "5. 新题\n答案：新答案\n"
      "6. 新题\n答案：新答案\n"
      "【解析】一段解析\n",
      {existing});
  ASSERT_EQ(p.rows.size(), 6u);
  using S = ImportRow::Status;
  const std::pair<S, std::string> expected[] = {{S::Duplicate, "试题重复！"},
                                                {S::Refused, "找不到答案"},
                                                {S::Refused, "题目选项重复！"},
                                                {S::Refused, "答案D不在选项中"},
                                                {S::Importable, ""},
                                                {S::Duplicate, "试题重复！"}};
  for (std::size_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(p.rows[i].status, expected[i].first);
    EXPECT_EQ(p.rows[i].reason, expected[i].second);
  }
  EXPECT_EQ(p.read, 6);
  EXPECT_EQ(p.importable, 1);
  EXPECT_EQ(p.duplicates, 2);
  EXPECT_EQ(p.refused, 3);
  EXPECT_EQ(p.explanations, 1);
  EXPECT_NE(std::find(p.problems.begin(), p.problems.end(), "第3行：找不到答案"), p.problems.end());
}

TEST(QuestionMarkupTest, TypesFromHeadings) {
  const std::pair<const char*, const char*> cases[] = {
      {"单项选择题（每题2分）", "选择"}, {"多选题", "选择"}, {"判断题", "判断"},
      {"填空题(每空1分)", "填空"},        {"简答题", "问答"}, {"计算题", "计算"},
  };
  for (const auto& [heading, type] : cases) EXPECT_EQ(TypeFromHeading(heading), type) << heading;
}

}  // namespace
}  // namespace exchange
