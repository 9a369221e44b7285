// The paper and its answers typed into the document writer and saved as
// .docx, read back paragraph by paragraph: texts, indents, alignment, sizes,
// bold, spacing and pictures as the typing sequence leaves them.
#include "output/word_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "bank_editor/pictures/picture_codec.h"
#include "output/memory_source.h"
#include "output/paper_generation.h"
#include "tests/output/docx_reader.h"
#include "tests/output/paper_fixture.h"
#include "tests/pictures/picture_fixtures.h"

namespace {

using output::LayoutRow;
using output::LayoutSection;
using output::PaperLayout;

// A numbered row (number > 0) or a title question (number 0).
LayoutRow Row(std::int64_t id, int number, const std::string& text1, const std::string& text2 = "",
              const std::string& answer = "") {
  LayoutRow r;
  r.recordId = id;
  r.groupNumber = number == 0 ? "0" : "";
  r.numbered = number > 0;
  r.number = number;
  r.numberText = number > 0 ? std::to_string(number) + ". " : "";
  r.text1 = text1;
  r.text2 = text2;
  r.answer = answer;
  return r;
}

LayoutSection Section(int index, const std::string& label, const std::string& type, bool runOn,
                      std::vector<LayoutRow> rows, const std::string& note = "",
                      const std::string& description = "") {
  LayoutSection s;
  s.index = index;
  s.type = type;
  s.label = label;
  s.heading = label + ". " + type;
  s.scoreNote = note;
  s.description = description;
  s.answersRunOn = runOn;
  s.rows = std::move(rows);
  return s;
}

PaperLayout Layout(std::vector<LayoutSection> sections, bool optionsOnOwnLines = false) {
  PaperLayout l;
  l.paperTitle = "物理  20261210103000  20  0  A卷  20261210104500  试题";
  l.answersTitle = "物理  20261210103000  20  0  A卷  20261210104500  答案";
  l.optionsOnOwnLines = optionsOnOwnLines;
  l.sections = std::move(sections);
  return l;
}

// What a paragraph should read back as: text, indents in character units,
// alignment, and the size and boldness of its first run (0: no run).
struct Expect {
  std::string text;
  double left = 0;
  double firstLine = 0;
  std::string jc = "both";
  int halfPoints = 20;
  bool bold = false;
};

void ExpectParagraphs(const docx_test::Docx& docx, const std::vector<Expect>& expected) {
  const auto& p = docx.paragraphs();
  ASSERT_EQ(p.size(), expected.size()) << [&] {
    std::string all;
    for (const auto& para : p) all += "[" + para.text() + "]\n";
    return all;
  }();
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("paragraph " + std::to_string(i) + " [" + expected[i].text + "]");
    EXPECT_EQ(p[i].text(), expected[i].text);
    EXPECT_DOUBLE_EQ(p[i].leftIndent(), expected[i].left);
    EXPECT_DOUBLE_EQ(p[i].firstLineIndent(), expected[i].firstLine);
    EXPECT_EQ(p[i].jc, expected[i].jc);
    if (!p[i].runs.empty()) {
      EXPECT_EQ(p[i].runs.front().halfPoints, expected[i].halfPoints);
      EXPECT_EQ(p[i].runs.front().bold, expected[i].bold);
    }
  }
}

class WordOutput : public ::testing::Test {
 protected:
  docx_test::Docx paper(const PaperLayout& layout) {
    const auto written = output::WriteWordPaper(layout, source, dir.path());
    EXPECT_TRUE(written.ok) << written.error;
    EXPECT_EQ(written.path, dir / (layout.paperTitle + ".docx"));
    return docx_test::Docx(written.path);
  }
  docx_test::Docx answers(const PaperLayout& layout) {
    const auto written = output::WriteWordAnswers(layout, source, dir.path());
    EXPECT_TRUE(written.ok) << written.error;
    EXPECT_EQ(written.path, dir / (layout.answersTitle + ".docx"));
    return docx_test::Docx(written.path);
  }
  output::MemoryPaperSource source;
  pictures_test::TempDir dir{"word"};
};

constexpr int kTitleHalf = 21;  // the normal style's 10.5 points

TEST_F(WordOutput, PaperWithTwoSectionsTypesHeadingsHangingNumbersAndContinuations) {
  const auto layout = Layout({
      Section(1, "一", "选择", true,
              {Row(1, 1, "甲是( )", "A. x     B. y     "), Row(2, 2, "乙\r\n第二行\r\n第三行")},
              "（每题5分，共10分）", "选出正确答案"),
      Section(2, "二", "判断", true, {Row(3, 1, "丙")}),
  });
  const auto docx = paper(layout);
  ASSERT_TRUE(docx.wellFormed());
  ExpectParagraphs(docx, {
      {layout.paperTitle, 0, 0, "center", kTitleHalf},
      {"", 0, 0, "left"},
      {"一. 选择（每题5分，共10分）", 0, 0, "left", 28, true},
      {"选出正确答案"},
      {"1. 甲是( )", 1.5, -1.5},
      {"A. x     B. y     ", 3.2, 0.01},
      {"2. 乙", 1.5, -1.5},
      // The first break ends the numbered paragraph; the second is typed as it is.
      {"第二行\n第三行", 3.2, 0.01},
      // The section gap: an empty paragraph, then the heading indented 0.01
      // (and no first-line indent inherited from the question before).
      {"", 3.2, 0.01},
      {"二. 判断", 0.01, 0, "both", 28, true},
      {"1. 丙", 1.5, -1.5},
  });
  // The second heading is one bold 14-point run; the question under it 10-point.
  EXPECT_EQ(docx.paragraphs()[9].runs.size(), 1u);
  EXPECT_EQ(docx.paragraphs()[10].runs.front().halfPoints, 20);
}

TEST_F(WordOutput, NumbersFromTenHangByTwoCharactersFromOne) {
  std::vector<LayoutRow> rows;
  for (int n = 1; n <= 11; ++n) rows.push_back(Row(n, n, "题" + std::to_string(n)));
  const auto docx = paper(Layout({Section(1, "一", "填空", true, rows)}));
  const auto& p = docx.paragraphs();
  ASSERT_EQ(p.size(), 3u + 11u);
  for (int n : {1, 9, 10, 11}) {
    SCOPED_TRACE(n);
    const auto& para = p[2 + n];
    EXPECT_EQ(para.text(), std::to_string(n) + ". 题" + std::to_string(n));
    EXPECT_DOUBLE_EQ(para.leftIndent(), n < 10 ? 1.5 : 1);
    EXPECT_DOUBLE_EQ(para.firstLineIndent(), n < 10 ? -1.5 : -2);
  }
}

TEST_F(WordOutput, OptionsOnOwnLinesAddAnEmptyParagraphAfterTheOptions) {
  const auto layout = Layout({Section(1, "一", "选择", true,
                                      {Row(1, 1, "甲", "A. x     B. y     "), Row(2, 2, "乙", "A. z     ")})},
                             true);
  ExpectParagraphs(paper(layout), {
      {layout.paperTitle, 0, 0, "center", kTitleHalf},
      {"", 0, 0, "left"},
      {"一. 选择", 0, 0, "left", 28, true},
      {"1. 甲", 1.5, -1.5},
      {"A. x     B. y     ", 3.2, 0.01},
      {"", 3.2, 0.01},
      {"2. 乙", 1.5, -1.5},
      {"A. z     ", 3.2, 0.01},
      {"", 3.2, 0.01},
  });
}

TEST_F(WordOutput, TitleQuestionsStandUnnumberedAndUnindentedAndHeadingsNeverHang) {
  const auto layout = Layout({Section(1, "一", "阅读", true,
                                      {Row(1, 1, "甲"), Row(2, 0, "阅读下文"), Row(3, 2, "问一")}),
                              Section(2, "二", "判断", true, {Row(4, 1, "乙")})});
  ExpectParagraphs(paper(layout), {
      {layout.paperTitle, 0, 0, "center", kTitleHalf},
      {"", 0, 0, "left"},
      {"一. 阅读", 0, 0, "left", 28, true},
      {"1. 甲", 1.5, -1.5},
      {"阅读下文"},
      {"2. 问一", 1.5, -1.5},
      {"", 1.5, -1.5},
      // The question before hangs its number; the heading does not.
      {"二. 判断", 0.01, 0, "both", 28, true},
      {"1. 乙", 1.5, -1.5},
  });
}

TEST_F(WordOutput, RunOnAnswersShareAParagraphAndLoseTheirLastSpacesOnlyAtTheNextSection) {
  const std::string gap(8, ' ');
  const auto layout = Layout({
      Section(1, "一", "选择", true,
              {Row(1, 1, "q", "", "B"), Row(2, 2, "q", "", "A"), Row(3, 3, "q", "", "C")},
              "（每题5分，共15分）"),
      Section(2, "二", "阅读", false,
              {Row(4, 0, "阅读下文"), Row(5, 1, "q", "", "甲\r\n乙\r\n丙"), Row(6, 2, "q", "", "丁")}),
      Section(3, "三", "判断", true, {Row(7, 1, "q", "", "对"), Row(8, 2, "q", "", "错")}),
  });
  const auto docx = answers(layout);
  ExpectParagraphs(docx, {
      {layout.answersTitle, 0, 0, "center", kTitleHalf},
      {"", 0, 0, "left"},
      {"一. 选择（每题5分，共15分）", 0, 0, "left", 28, true},
      {"1. B" + gap + "2. A" + gap + "3. C", 1, 0.01},
      // Not run-on: an extra paragraph, then the gap, then the heading at -0.1.
      {"", 1, 0.01},
      {"", 1, 0.01},
      {"二. 阅读", -0.1, 0, "both", 28, true},
      // The title question leaves an empty paragraph and takes no number.
      {"", -0.1, 0},
      {"1. 甲", 1.5, -1.5},
      {"乙\n丙", 3.2, 0.01},
      {"2. 丁", 1.5, -1.5},
      {"", 1.5, -1.5},
      // After a hanging answer the heading does not hang into the margin.
      {"三. 判断", -0.1, 0, "both", 28, true},
      // The spaces after the very last answer stay.
      {"1. 对" + gap + "2. 错" + gap, 1, 0.01},
  });
  for (const auto& p : docx.paragraphs())
    if (!p.runs.empty() && !p.runs.front().bold && p.jc == "both") {
      SCOPED_TRACE(p.text());
      EXPECT_EQ(p.spacingLine, 360);  // one and a half lines
    }
}

TEST_F(WordOutput, AnswersOfALongSectionHangByTwoCharactersFromTen) {
  std::vector<LayoutRow> rows;
  for (int n = 1; n <= 10; ++n) rows.push_back(Row(n, n, "q", "", "答" + std::to_string(n)));
  const auto docx = answers(Layout({Section(1, "一", "问答", false, rows)}));
  const auto& p = docx.paragraphs();
  ASSERT_EQ(p.size(), 4u + 10u);
  EXPECT_EQ(p[4].text(), "1. 答1");
  EXPECT_DOUBLE_EQ(p[4].firstLineIndent(), -1.5);
  EXPECT_EQ(p[13].text(), "10. 答10");
  EXPECT_DOUBLE_EQ(p[13].leftIndent(), 1);
  EXPECT_DOUBLE_EQ(p[13].firstLineIndent(), -2);
}

TEST_F(WordOutput, PicturesArriveByteForByteEachThroughItsOwnTemporaryFile) {
  const auto first = bank_editor::pictures::EncodeJpeg(pictures_test::Pattern(30, 20));
  const auto second = bank_editor::pictures::EncodeClipboardBmp(pictures_test::Pattern(7, 3));
  const auto answer = pictures_test::EncodePng(pictures_test::Pattern(5, 5));
  source.SetPicture(1, databases::PictureKind::Question, first);
  source.SetPicture(2, databases::PictureKind::Question, second);
  source.SetPicture(2, databases::PictureKind::Answer, answer);
  auto rows = std::vector<LayoutRow>{Row(1, 1, "甲", "A. x     "), Row(2, 0, "看图")};
  rows[0].picture = output::PictureRef{1, databases::PictureKind::Question};
  rows[1].picture = output::PictureRef{2, databases::PictureKind::Question};
  auto member = Row(2, 2, "乙", "", "答");
  member.answerPicture = output::PictureRef{2, databases::PictureKind::Answer};
  rows.push_back(member);
  const auto layout = Layout({Section(1, "一", "选择", false, rows)});

  const auto docx = paper(layout);
  ExpectParagraphs(docx, {
      {layout.paperTitle, 0, 0, "center", kTitleHalf},
      {"", 0, 0, "left"},
      {"一. 选择", 0, 0, "left", 28, true},
      {"1. 甲", 1.5, -1.5},
      {"[P]", 3.2, 0.01},
      {"A. x     ", 3.2, 0.01},
      {"看图"},
      {"[P]"},  // a title question's picture takes no continuation indent
      {"2. 乙", 1.5, -1.5},
  });
  const auto rels = docx.documentRelationships();
  const auto media = [&](std::size_t paragraph) {
    return docx.entry("word/" + rels.at(docx.paragraphs()[paragraph].runs.at(0).relId));
  };
  EXPECT_EQ(media(4), std::string(first.begin(), first.end()));
  EXPECT_EQ(media(7), std::string(second.begin(), second.end()));

  const auto answersDocx = answers(layout);
  const auto& p = answersDocx.paragraphs();
  ASSERT_GE(p.size(), 2u);
  EXPECT_EQ(p.back().text(), "[P]");
  EXPECT_EQ(answersDocx.entry("word/" + answersDocx.documentRelationships().at(p.back().runs.at(0).relId)),
            std::string(answer.begin(), answer.end()));

  // Only the two documents are left in the folder.
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_EQ(e.path().extension(), ".docx") << e.path();
    ++files;
  }
  EXPECT_EQ(files, 2);
}

TEST_F(WordOutput, APictureThatIsNoPictureIsLeftOutAndAnUnreadableOneIsReported) {
  source.SetPicture(1, databases::PictureKind::Question, pictures_test::BytesOf("garbage"));
  auto row = Row(1, 1, "甲");
  row.picture = output::PictureRef{1, databases::PictureKind::Question};
  auto layout = Layout({Section(1, "一", "选择", true, {row})});
  const auto docx = paper(layout);
  EXPECT_EQ(docx.paragraphs().back().text(), "");
  EXPECT_EQ(docx.paragraphs().back().leftIndent(), 3.2);

  class FailingSource : public output::MemoryPaperSource {
   public:
    bool ReadPicture(const output::PictureRef&, std::vector<std::uint8_t>&, std::string& error) override {
      error = "读取记录失败";
      return false;
    }
  } failing;
  const auto written = output::WriteWordPaper(layout, failing, dir.path());
  EXPECT_FALSE(written.ok);
  EXPECT_EQ(written.error, "读取记录失败");
}

TEST_F(WordOutput, AMissingFolderIsMadeAndADocumentThatCannotBeWrittenIsReported) {
  source.SetPicture(1, databases::PictureKind::Question,
                    bank_editor::pictures::EncodeJpeg(pictures_test::Pattern(3, 3)));
  auto row = Row(1, 1, "甲");
  row.picture = output::PictureRef{1, databases::PictureKind::Question};
  const auto layout = Layout({Section(1, "一", "选择", true, {row})});
  const auto made = output::WriteWordPaper(layout, source, dir / "new/folder");
  EXPECT_TRUE(made.ok) << made.error;
  EXPECT_EQ(docx_test::Docx(made.path).paragraphs().back().text(), "[P]");

  std::filesystem::create_directory(dir / (layout.paperTitle + ".docx"));
  const auto written = output::WriteWordPaper(layout, source, dir.path());
  EXPECT_FALSE(written.ok);
  EXPECT_NE(written.error.find(written.path), std::string::npos) << written.error;
  EXPECT_GT(written.error.size(), written.path.size() + 20) << written.error;

  const auto pdf = output::WriteWordPaper(layout, source, dir.path(), output::WordFormat::Pdf, nullptr);
  EXPECT_FALSE(pdf.ok);
  EXPECT_FALSE(pdf.error.empty());
}

TEST_F(WordOutput, AGeneratedPaperTypesTheSameRowsItWasGiven) {
  using namespace mc::testing;
  auto request = Request({Choice(1, "选择", "甲", "x\r\ny\r\nz", "y"), Single(2, "选择", "乙"),
                          Single(3, "判断", "丙", 5, "对")},
                         {"选择", "判断"});
  request.choices.sectionScoreNote = true;
  app::ProgramRandom random;
  const auto layout = output::GeneratePaper(request, source, random);
  const auto docx = paper(layout);
  const auto& p = docx.paragraphs();
  std::vector<std::string> texts;
  for (const auto& para : p) texts.push_back(para.text());
  EXPECT_EQ(texts.front(), layout.paperTitle);
  for (const auto& section : layout.sections) {
    EXPECT_NE(std::find(texts.begin(), texts.end(), section.heading + section.scoreNote), texts.end())
        << section.heading;
    for (const auto& row : section.rows) {
      EXPECT_NE(std::find(texts.begin(), texts.end(), row.numberText + row.text1), texts.end()) << row.text1;
      if (!row.text2.empty()) {
        EXPECT_NE(std::find(texts.begin(), texts.end(), row.text2), texts.end()) << row.text2;
      }
    }
  }
}

}  // namespace
