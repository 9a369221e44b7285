#include "exchange/moodle_xml.h"

#include <gtest/gtest.h>

#include "bank_editor/pictures/picture_codec.h"
#include "exchange/bulk_import.h"

namespace exchange {
namespace {

using databases::Question;

Question Q(std::int64_t id, std::string type, std::string text1, std::string answer) {
  Question q;
  q.id = id;
  q.type = std::move(type);
  q.text1 = std::move(text1);
  q.answer = std::move(answer);
  q.difficulty = 5;
  q.score = 2;
  return q;
}

TEST(MoodleXmlTest, EachKindOfQuestionMapsToItsMoodleType) {
  struct Case {
    const char* name;
    Question q;
    std::vector<std::string> expected;  // pieces of the question's XML, in any order
  };
  Question single = Q(1, "选择", "首都是", "北京");
  single.choice = true;
  single.text2 = "上海\r\n北京\r\n广州";
  Question multi = Q(2, "选择", "金属有", "铁\r\n铜");
  multi.choice = true;
  multi.text2 = "铁\r\n氧\r\n铜\r\n氮";
  Question picture = Q(3, "选择", "如图", "AC");
  picture.choice = true;
  picture.pictureMark = "√";
  Question essay = Q(7, "名词", "光合作用", "植物利用光能");
  essay.knowledgePoints = "生物|光";
  essay.difficulty = 7;
  essay.score = 8;
  const Case cases[] = {
      {"single answer", single,
       {"type=\"multichoice\"", "<single>true</single>", "<shuffleanswers>1</shuffleanswers>",
        "<answernumbering>ABCD</answernumbering>", "<answer fraction=\"0\" format=\"html\"><text><![CDATA[上海]]>",
        "<answer fraction=\"100\" format=\"html\"><text><![CDATA[北京]]>"}},
      {"several answers", multi,
       {"<single>false</single>", "<answer fraction=\"50\" format=\"html\"><text><![CDATA[铁]]>",
        "<answer fraction=\"-50\" format=\"html\"><text><![CDATA[氧]]>"}},
      {"options in the picture", picture,
       {"type=\"multichoice\"", "<answer fraction=\"50\" format=\"html\"><text><![CDATA[A]]>",
        "<answer fraction=\"-50\" format=\"html\"><text><![CDATA[B]]>",
        "<answer fraction=\"-50\" format=\"html\"><text><![CDATA[D]]>"}},
      {"judgement word", Q(4, "判断", "地球是圆的", "对"),
       {"type=\"truefalse\"", "<answer fraction=\"100\" format=\"moodle_auto_format\"><text>true</text>"}},
      {"judgement other answer", Q(5, "判断", "说说看", "不一定"),
       {"type=\"shortanswer\"", "<text>不一定</text>"}},
      {"blank with two answers", Q(6, "填空", "填两个", "甲\r\n乙"),
       {"type=\"shortanswer\"", "<answer fraction=\"100\" format=\"moodle_auto_format\"><text>甲</text>",
        "<answer fraction=\"100\" format=\"moodle_auto_format\"><text>乙</text>"}},
      {"other types are essays", essay,
       {"type=\"essay\"", "<graderinfo format=\"html\"><text><![CDATA[植物利用光能]]>",
        "<defaultgrade>8</defaultgrade>", "<tag><text>生物</text></tag>", "<tag><text>光</text></tag>",
        "<tag><text>难度7</text></tag>", "<name><text>光合作用</text></name>"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes picture = c.q.pictureMark.empty() ? Bytes{} : Bytes{0xFF, 0xD8, 0xFF, 0xE0};
    const MoodleExport e = WriteMoodleBank("物理", {{c.q, picture, {}}});
    EXPECT_EQ(e.xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n", 0), 0u);
    EXPECT_NE(e.xml.find("<text>$course$/物理/" + c.q.type + "</text>"), std::string::npos);
    for (const auto& piece : c.expected) EXPECT_NE(e.xml.find(piece), std::string::npos) << piece << "\n" << e.xml;
  }
}

TEST(MoodleXmlTest, GroupsMaskedQuestionsEscapingAndPicturesSurviveTheRoundTrip) {
  Question title = Q(10, "阅读", "阅读材料<甲&乙>", "");
  title.groupName = "春";
  title.groupNumber = "0";
  title.score = 7;
  Question m2 = Q(12, "阅读", "第二问 \"引号\"", "答二");
  m2.groupName = "春";
  m2.groupNumber = "2";
  m2.score = 4;
  Question m1 = Q(11, "阅读", "第一问 x<3", "答一");
  m1.groupName = "春";
  m1.groupNumber = "1";
  m1.score = 3;
  Question masked = Q(13, "问答", "屏蔽的", "不导出");
  masked.masked = true;
  Question withText2 = Q(14, "问答", "看图", "答案]]>结束");
  withText2.text2 = "图后的文字";
  withText2.pictureMark = "√";
  withText2.answerPictureMark = "√";
  const Bytes jpeg = bank_editor::pictures::EncodeJpeg(ui::Image{2, 2, {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFF000000u}});
  const Bytes bmp = bank_editor::pictures::EncodeClipboardBmp(ui::Image{1, 1, {0xFF123456u}});
  const MoodleExport e = WriteMoodleBank(
      "语文", {{title, {}, {}}, {m2, {}, {}}, {m1, {}, {}}, {masked, {}, {}}, {withText2, jpeg, bmp}});
  EXPECT_EQ(e.written, 4);
  EXPECT_EQ(e.masked, 1);
  EXPECT_NE(e.xml.find("<name><text>【春-00】阅读材料&lt;甲&amp;乙&gt;</text></name>"), std::string::npos);
  EXPECT_LT(e.xml.find("【春-01】"), e.xml.find("【春-02】"));
  EXPECT_NE(e.xml.find("阅读材料&lt;甲&amp;乙&gt;"), std::string::npos);
  EXPECT_NE(e.xml.find("@@PLUGINFILE@@/题图14.jpg"), std::string::npos);
  EXPECT_EQ(e.xml.find("屏蔽的"), std::string::npos);

  ParsedDocument parsed;
  std::string error;
  ASSERT_TRUE(ReadMoodleXml(e.xml, {"阅读", "问答"}, parsed, error)) << error;
  const ImportPreview p = PrepareImport(parsed, {}, {"阅读", "问答"});
  ASSERT_EQ(p.rows.size(), 4u);
  for (const auto& r : p.rows) EXPECT_EQ(r.status, ImportRow::Status::Importable) << r.reason;
  const Question& t = p.rows[0].question;
  EXPECT_EQ(t.text1, "阅读材料<甲&乙>");
  EXPECT_EQ(t.groupName, "春");
  EXPECT_EQ(t.groupNumber, "0");
  EXPECT_EQ(t.score, 7);
  EXPECT_EQ(p.rows[1].question.text1, "第一问 x<3");
  EXPECT_EQ(p.rows[1].question.groupNumber, "1");
  EXPECT_EQ(p.rows[2].question.text1, "第二问 \"引号\"");
  const ImportRow& last = p.rows[3];
  EXPECT_EQ(last.question.text1, "看图");
  EXPECT_EQ(last.question.text2, "图后的文字");
  EXPECT_EQ(last.question.answer, "答案]]>结束");
  EXPECT_EQ(last.picture, jpeg);
  EXPECT_EQ(last.answerPicture, bmp);
}

TEST(MoodleXmlTest, AnotherPlatformsFileKeepsWhatTheBankCanHold) {
  const std::string xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<quiz>
  <question type="category"><category><text>$course$/Top/Default for 物理</text></category><info format="html"><text></text></info></question>
  <question type="multichoice">
    <name><text>Q1</text></name>
    <questiontext format="html"><text><![CDATA[<p dir="ltr">Which is <b>even</b>?&nbsp;</p><p>Pick one.</p>]]></text></questiontext>
    <generalfeedback format="html"><text>Because.</text></generalfeedback>
    <defaultgrade>2.0000000</defaultgrade><penalty>0.3333333</penalty><hidden>1</hidden><idnumber>x1</idnumber>
    <single>true</single><shuffleanswers>true</shuffleanswers><answernumbering>abc</answernumbering>
    <correctfeedback format="html"><text>Yes</text></correctfeedback>
    <answer fraction="0" format="html"><text>1</text><feedback format="html"><text>no</text></feedback></answer>
    <answer fraction="100" format="html"><text>2</text><feedback format="html"><text>yes</text></feedback></answer>
    <tags><tag><text>arith</text></tag></tags>
  </question>
  <question type="truefalse">
    <name><text>TF</text></name>
    <questiontext format="moodle_auto_format"><text>Water is wet.</text></questiontext>
    <defaultgrade>1</defaultgrade>
    <answer fraction="0" format="moodle_auto_format"><text>true</text></answer>
    <answer fraction="100" format="moodle_auto_format"><text>false</text></answer>
  </question>
  <question type="numerical">
    <name><text>N</text></name>
    <questiontext format="html"><text>2+2=?</text></questiontext>
    <answer fraction="100"><text>4</text><tolerance>0</tolerance></answer>
  </question>
  <question type="matching"><name><text>M</text></name><questiontext><text>match</text></questiontext></question>
  <question type="description"><name><text>Intro</text></name><questiontext><text>Read this.</text></questiontext></question>
</quiz>)";
  ParsedDocument parsed;
  std::string error;
  ASSERT_TRUE(ReadMoodleXml(xml, {"判断", "选择", "填空", "问答"}, parsed, error)) << error;
  ASSERT_EQ(parsed.problems.size(), 2u);
  EXPECT_NE(parsed.problems[0].find("matching"), std::string::npos);
  EXPECT_NE(parsed.problems[1].find("Intro"), std::string::npos);
  const ImportPreview p = PrepareImport(parsed, {}, {"判断", "选择", "填空", "问答"});
  ASSERT_EQ(p.rows.size(), 3u);
  EXPECT_EQ(p.rows[0].question.text1, "Which is even? \r\nPick one.");
  EXPECT_EQ(p.rows[0].question.text2, "1\r\n2");
  EXPECT_EQ(p.rows[0].question.answer, "2");
  EXPECT_EQ(p.rows[0].question.type, "选择");
  EXPECT_EQ(p.rows[0].question.score, 2);
  EXPECT_EQ(p.rows[0].question.knowledgePoints, "arith");
  EXPECT_EQ(p.rows[1].question.type, "判断");
  EXPECT_EQ(p.rows[1].question.answer, "错误");
  EXPECT_EQ(p.rows[2].question.type, "填空");
  EXPECT_EQ(p.rows[2].question.answer, "4");
  for (const auto& r : p.rows) EXPECT_EQ(r.status, ImportRow::Status::Importable) << r.reason;

  EXPECT_FALSE(ReadMoodleXml("<quiz><question>", {}, parsed, error));
  EXPECT_NE(error.find("XML文件有误"), std::string::npos);
}

}  // namespace
}  // namespace exchange
