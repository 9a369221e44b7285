// HTML output: the documents' pieces byte for byte, pictures beside them,
// escaping, and failures that are reported.
#include <gtest/gtest.h>

#include <filesystem>

#include "output/html_output.h"
#include "output/memory_source.h"
#include "output/paper_generation.h"
#include "tests/output/paper_fixture.h"
#include "tests/support/temp_dir.h"
#include "text/text.h"

namespace {

using namespace mc::testing;
using output::LayoutRow;
using output::LayoutSection;
using output::PaperLayout;

const std::string kMeta = "<meta charset=\"gb18030\">";
const std::string kRowStart = "<br></strong><font size='4'><div style='text-indent: 1em'>";
const std::string k8 = "&nbsp&nbsp&nbsp&nbsp&nbsp&nbsp&nbsp&nbsp";
const std::string k4 = "&nbsp&nbsp&nbsp&nbsp";

LayoutRow Row(int number, const std::string& text1, const std::string& answer = "") {
  LayoutRow r;
  r.recordId = 100 + number;
  r.numbered = number > 0;
  r.number = number;
  r.groupNumber = number > 0 ? "" : "0";
  r.numberText = number > 0 ? std::to_string(number) + ". " : "";
  r.text1 = text1;
  r.answer = answer;
  return r;
}

LayoutSection Section(int index, const std::string& heading, std::vector<LayoutRow> rows,
                      bool runOn = true) {
  LayoutSection s;
  s.index = index;
  s.heading = heading;
  s.answersRunOn = runOn;
  s.rows = std::move(rows);
  return s;
}

PaperLayout Layout(std::vector<LayoutSection> sections, output::Paper paper = output::Paper::A) {
  PaperLayout l;
  l.paper = paper;
  l.paperTitle = "物理  T  试题";
  l.answersTitle = "物理  T  答案";
  l.sections = std::move(sections);
  return l;
}

TEST(HtmlPaper, WholeDocumentOfTwoSectionsWithAGroup) {
  LayoutRow title = Row(0, "阅读下文");
  title.text2 = "正文在此";
  auto first = Section(1, "一. 阅读", {title, Row(1, "第一问"), Row(2, "第二问")});
  first.description = "读后作答";
  auto second = Section(2, "二. 判断", {Row(1, "行一\r\n行二")});
  const auto doc = output::HtmlPaper(Layout({first, second}));
  EXPECT_EQ(doc.text,
            kMeta + "<body><center>物理  T  试题</center><br>"
            "<strong><font size='5'>一. 阅读</strong><font size='4'>"
            "<div style='text-indent: 1em'>读后作答</div><br>" +
            kRowStart + "阅读下文<div style='text-indent:2.5em'><div>正文在此</div></div></div></div>" +
            kRowStart + "<div>1. 第一问</div></div>" +
            kRowStart + "<div>2. 第二问</div></div>"
            "<br><strong><font size='5'>二. 判断</strong><font size='4'><br>" +
            kRowStart + "<div>1. 行一<br>行二</div></div></body>");
  EXPECT_TRUE(doc.pictures.empty());
}

TEST(HtmlPaper, FirstSectionWithScoreNoteFollowsTheTitle) {
  // Four 5-point 选择 questions, label 一, suffix ". ", "大题分值说明" on.
  std::vector<databases::Question> qs;
  for (int i = 1; i <= 4; ++i) qs.push_back(Single(i, "选择", "题" + std::to_string(i)));
  auto request = Request(qs, {"选择"});
  request.choices.sectionScoreNote = true;
  app::ProgramRandom random;
  output::MemoryPaperSource source;
  const auto layout = output::GeneratePaper(request, source, random);
  const std::string text = output::HtmlPaper(layout).text;
  const std::string head = kMeta + "<body><center>" + layout.paperTitle + "</center><br>" +
                           "<strong><font size='5'>一. 选择</strong><font size='4'>（每题5分，共20分）<br>" +
                           kRowStart + "<div>1. ";
  EXPECT_EQ(text.substr(0, head.size()), head);
}

TEST(HtmlPaper, BlankParenthesesBecomeWideBlanks) {
  struct Case {
    std::string text1, want;
  } cases[] = {
      {"中国的首都是( )。", "中国的首都是(" + k8 + ")。"},
      {"中国的首都是（ ）。", "中国的首都是（" + k8 + "）。"},
      {"无空格()与（）", "无空格()与（）"},
      {"x<3 & y>1", "x&lt;3 &amp; y&gt;1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text1);
    const auto text = output::HtmlPaper(Layout({Section(1, "一. 填空", {Row(1, c.text1)})})).text;
    EXPECT_NE(text.find(kRowStart + "<div>1. " + c.want + "</div></div>"), std::string::npos) << text;
  }
}

TEST(HtmlPaper, OptionsOnOneLineOrEachOnItsOwn) {
  LayoutRow row = Row(1, "选出");
  row.text2 = "A. 甲     B. 乙     ";
  for (bool ownLines : {true, false}) {
    SCOPED_TRACE(ownLines);
    auto layout = Layout({Section(1, "一. 选择", {row})});
    layout.optionsOnOwnLines = ownLines;
    const std::string want =
        ownLines ? "<div style='text-indent:2.5em'><div>A. 甲</div><div>B. 乙</div><div></div></div>"
                 : "<div style='text-indent:2.5em'><div>A. 甲" + k4 + "B. 乙" + k4 + "</div></div>";
    EXPECT_NE(output::HtmlPaper(layout).text.find("选出" + want + "</div></div></body>"),
              std::string::npos);
  }
  // Separators go in fixed chunks of five: seven spaces leave two.
  row.text2 = "A. 甲       B";
  EXPECT_NE(output::HtmlPaper(Layout({Section(1, "一. 选择", {row})})).text.find("A. 甲" + k4 + "  B"),
            std::string::npos);
}

TEST(HtmlAnswers, RunOnAndOnePerLineSectionsLeaveTitlesOut) {
  auto runOn = Section(1, "一. 选择", {Row(1, "q", "C"), Row(2, "q", "A"), Row(3, "q", "D")}, true);
  auto perLine = Section(2, "二. 阅读", {Row(0, "stem"), Row(1, "q", "行一\r\n行二"), Row(2, "q", "乙")}, false);
  auto third = Section(3, "三. 判断", {Row(1, "q", "√")}, true);
  runOn.scoreNote = "（每题5分，共15分）";
  EXPECT_EQ(output::HtmlAnswers(Layout({runOn, perLine, third})).text,
            kMeta + "<body><center>物理  T  答案</center><br>"
            "<strong><font size='5'>一. 选择</strong><font size='4'>（每题5分，共15分）"
            "<br><br><div style='text-indent: 1em'>"
            "1. C" + k4 + "2. A" + k4 + "3. D" + k4 +
            "<div>&nbsp</div><strong><font size='5'>二. 阅读</strong><font size='4'>"
            "<br><br><div style='text-indent: 1em'>"
            "<div>1. 行一<br>行二</div><div>&nbsp</div>"
            "<div>2. 乙</div><div>&nbsp</div>"
            "<br><br><strong><font size='5'>三. 判断</strong><font size='4'>"
            "<br><br><div style='text-indent: 1em'>1. √" + k4 + "</body>");
}

TEST(HtmlOutput, AnEmptyPaperIsTitleOnly) {
  const auto layout = Layout({});
  EXPECT_EQ(output::HtmlPaper(layout).text, kMeta + "<body><center>物理  T  试题</center><br></body>");
  EXPECT_EQ(output::HtmlAnswers(layout).text, kMeta + "<body><center>物理  T  答案</center><br></body>");
}

TEST(HtmlOutput, MarkupInTheBankArrivesAsText) {
  LayoutRow row = Row(1, "<script>alert('x')</script>", "<b>A</b>");
  row.text2 = "A. <i>甲</i>     ";
  auto section = Section(1, "一. <em>题", {row});
  section.description = "说明<br>";
  auto layout = Layout({section});
  layout.paperTitle = "<课程>  T  试题";
  const std::string paper = output::HtmlPaper(layout).text;
  const std::string answers = output::HtmlAnswers(layout).text;
  for (const std::string& text : {paper, answers}) {
    EXPECT_EQ(text.find("<script"), std::string::npos);
    EXPECT_EQ(text.find("<b>"), std::string::npos);
    EXPECT_EQ(text.find("<em>"), std::string::npos);
  }
  EXPECT_NE(paper.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(paper.find("<center>&lt;课程&gt;  T  试题</center>"), std::string::npos);
  EXPECT_NE(paper.find("A. &lt;i&gt;甲&lt;/i&gt;"), std::string::npos);
  EXPECT_NE(paper.find("说明&lt;br&gt;"), std::string::npos);
  EXPECT_NE(answers.find("1. &lt;b&gt;A&lt;/b&gt;"), std::string::npos);
}

class HtmlFiles : public ::testing::Test {
 protected:
  TempDir dir{"mc-html"};
  output::MemoryPaperSource source;

  // Paper B with three question pictures and one answer picture.
  PaperLayout PicturedLayout() {
    std::vector<LayoutRow> rows;
    for (int i = 1; i <= 3; ++i) {
      LayoutRow r = Row(i, "看图" + std::to_string(i));
      r.picture = output::PictureRef{r.recordId, databases::PictureKind::Question};
      source.SetPicture(r.recordId, databases::PictureKind::Question,
                        std::vector<std::uint8_t>(10 + i, static_cast<std::uint8_t>(i)));
      rows.push_back(r);
    }
    rows[1].answerPicture = output::PictureRef{rows[1].recordId, databases::PictureKind::Answer};
    source.SetPicture(rows[1].recordId, databases::PictureKind::Answer, {0xFF, 0xD8, 0xFF});
    return Layout({Section(1, "一. 识图", rows)}, output::Paper::B);
  }
};

TEST_F(HtmlFiles, PicturesGoIntoAFolderBesideTheDocumentByRelativePath) {
  const PaperLayout layout = PicturedLayout();
  const auto paper = output::WriteHtmlPaper(layout, source, dir.path());
  ASSERT_TRUE(paper.ok) << paper.error;
  EXPECT_EQ(paper.path, dir / "物理  T  试题.html");
  const std::string bytes = ReadFileBytes(paper.path);
  EXPECT_EQ(bytes.substr(0, kMeta.size()), kMeta);
  const std::string text = text::ToUtf8(bytes);
  EXPECT_EQ(text::ToGbk(text), bytes);
  // The third picture of paper B's question sheet.
  EXPECT_NE(text.find("<div style='text-indent:2.5em'><div><img src='物理  T  试题.files/B卷试题2.jpg'/></div></div>"),
            std::string::npos);
  EXPECT_EQ(ReadFileBytes(dir / "物理  T  试题.files/B卷试题2.jpg"), std::string(13, '\3'));
  EXPECT_EQ(ReadFileBytes(dir / "物理  T  试题.files/B卷试题0.jpg"), std::string(11, '\1'));

  const auto answers = output::WriteHtmlAnswers(layout, source, dir.path());
  ASSERT_TRUE(answers.ok) << answers.error;
  EXPECT_NE(text::ToUtf8(ReadFileBytes(answers.path)).find("2. <img src='物理  T  答案.files/B卷答案0.jpg'/>"),
            std::string::npos);
  EXPECT_EQ(ReadFileBytes(dir / "物理  T  答案.files/B卷答案0.jpg"), "\xFF\xD8\xFF");
}

TEST_F(HtmlFiles, AWriteThatFailsIsReportedAndNothingClaimsTheDocument) {
  const PaperLayout layout = PicturedLayout();
  // A folder that cannot exist: its parent is a file.
  WriteFileBytes(dir / "plain-file", "x");
  const auto blocked = output::WriteHtmlPaper(layout, source, dir / "plain-file/sub");
  EXPECT_FALSE(blocked.ok);
  EXPECT_NE(blocked.error.find("plain-file/sub"), std::string::npos) << blocked.error;
  EXPECT_NE(blocked.error.find("：Not a directory"), std::string::npos) << blocked.error;

  // The picture folder's name is taken by a file: the document is not written.
  WriteFileBytes(dir / "物理  T  试题.files", "x");
  const auto noPictures = output::WriteHtmlPaper(layout, source, dir.path());
  EXPECT_FALSE(noPictures.ok);
  EXPECT_NE(noPictures.error.find("试题.files"), std::string::npos) << noPictures.error;
  EXPECT_FALSE(std::filesystem::exists(dir / "物理  T  试题.html"));

  // A picture that cannot be read from the bank.
  class Unreadable : public output::MemoryPaperSource {
   public:
    bool ReadPicture(const output::PictureRef&, std::vector<std::uint8_t>&, std::string& error) override {
      error = "读记录失败";
      return false;
    }
  } unreadable;
  const auto unread = output::WriteHtmlAnswers(layout, unreadable, dir.path());
  EXPECT_FALSE(unread.ok);
  EXPECT_NE(unread.error.find("读记录失败"), std::string::npos);
}

}  // namespace
