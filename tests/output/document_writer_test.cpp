// The typed paragraph model: what each operation does to the document, as a
// word processor's insertion point would, and the .docx it is saved as.
#include "output/document_writer.h"

#include <gtest/gtest.h>

#include "bank_editor/pictures/picture_codec.h"
#include "output/docx_file.h"
#include "output/page_setup.h"
#include "tests/output/docx_reader.h"
#include "tests/pictures/picture_fixtures.h"

namespace {

using output::DocumentWriter;
using output::Inline;
using Kind = output::Inline::Kind;

std::vector<std::string> texts(const output::Document& d) {
  std::vector<std::string> out;
  for (const auto& p : d.paragraphs) out.push_back(p.text());
  return out;
}

TEST(DocumentWriter, BackspaceDeletesTheCharacterBeforeTheInsertionPointAcrossRunsAndParagraphs) {
  struct Case {
    const char* name;
    std::function<void(DocumentWriter&)> type;
    std::vector<std::string> paragraphs;
  };
  const std::vector<Case> cases = {
      {"within a run, a whole Chinese character",
       [](DocumentWriter& w) {
         w.TypeText("答案甲");
         w.TypeBackspace();
       },
       {"答案"}},
      {"across runs of different formatting",
       [](DocumentWriter& w) {
         w.SetBold(1);
         w.TypeText("ab");
         w.SetBold(0);
         w.TypeText("cd");
         for (int i = 0; i < 3; ++i) w.TypeBackspace();
       },
       {"a"}},
      {"a line break counts one character",
       [](DocumentWriter& w) {
         w.TypeText("x\r\ny");
         w.TypeBackspace();
         w.TypeBackspace();
       },
       {"x"}},
      {"at the start of a paragraph it joins it to the one before",
       [](DocumentWriter& w) {
         w.TypeText("one");
         w.TypeParagraph();
         w.TypeBackspace();
         w.TypeText("two");
       },
       {"onetwo"}},
      {"at the start of the document nothing happens",
       [](DocumentWriter& w) {
         w.TypeBackspace();
         w.TypeText("a");
       },
       {"a"}},
      {"eight spaces after an answer, removed again",
       [](DocumentWriter& w) {
         w.TypeText("1. B");
         w.TypeText("        ");
         w.TypeText("2. A");
         w.TypeText("        ");
         for (int i = 0; i < 8; ++i) w.TypeBackspace();
       },
       {"1. B        2. A"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DocumentWriter w;
    c.type(w);
    EXPECT_EQ(texts(w.document()), c.paragraphs);
  }
}

TEST(DocumentWriter, BackspaceOverAPictureRemovesItAndTheSavedDocumentDoesNotCarryIt) {
  pictures_test::TempDir dir("docx");
  DocumentWriter w;
  ASSERT_TRUE(w.AddPictureBytes(pictures_test::EncodePng(pictures_test::Pattern(4, 4))));
  w.TypeBackspace();
  ASSERT_TRUE(output::SaveDocx(w.document(), dir / "a.docx"));
  docx_test::Docx docx(dir / "a.docx");
  EXPECT_TRUE(docx.paragraphs().at(0).runs.empty());
  for (const auto& name : docx.entryNames()) EXPECT_EQ(name.find("word/media/"), std::string::npos) << name;
}

TEST(DocumentWriter, ANewParagraphKeepsTheFormattingAndTheNormalStyleResetsIt) {
  DocumentWriter w;
  w.SetAlignment(output::kAlignCentre);
  ASSERT_TRUE(w.SetParagraphFormat("CharacterUnitLeftIndent", 3.2));
  ASSERT_TRUE(w.SetParagraphFormat("CharacterUnitFirstLineIndent", 0.01));
  ASSERT_TRUE(w.SetParagraphFormat("LineSpacingRule", 1));
  w.SetFontSize(14);
  w.SetBold(1);
  w.TypeText("x");
  w.TypeParagraph();
  EXPECT_EQ(w.current().format, w.document().paragraphs[0].format);
  w.TypeText("y");
  EXPECT_EQ(w.current().content.back().format, (output::CharFormat{14, true}));

  w.TypeParagraph();
  ASSERT_TRUE(w.SetStyle("正文"));
  EXPECT_EQ(w.current().format, output::ParagraphFormat{});
  EXPECT_EQ(w.current().format.alignment, output::kAlignJustify);
  EXPECT_EQ(w.characterFormat(), (output::CharFormat{output::kNormalFontSize, false}));

  EXPECT_FALSE(w.SetStyle("标题 1"));
  EXPECT_FALSE(w.SetParagraphFormat("SpaceBefore", 6));
  EXPECT_FALSE(w.SetParagraphFormat("LineSpacingRule", 5));
  w.SetAlignment(7);
  EXPECT_EQ(w.current().format.alignment, output::kAlignJustify);
}

TEST(DocumentWriter, TextIsKeptAsRunsWithBreaksTabsAndUnsafeCharactersReplaced) {
  DocumentWriter w;
  // "\xED\xB3\x80" is the escape a byte the bank could not decode reads as.
  w.TypeText("a\r\nb\nc\rd\te\x01" "f\xED\xB3\x80g\xFFh");
  const auto& content = w.current().content;
  std::vector<Kind> kinds;
  for (const auto& piece : content) kinds.push_back(piece.kind);
  EXPECT_EQ(kinds, (std::vector<Kind>{Kind::Text, Kind::LineBreak, Kind::Text, Kind::LineBreak,
                                      Kind::Text, Kind::LineBreak, Kind::Text, Kind::Tab, Kind::Text}));
  EXPECT_EQ(content.back().text, "e\uFFFDf\uFFFDg\uFFFDh");
}

TEST(DocumentWriter, APictureFileThatIsNotAPictureIsRefusedWithAReason) {
  pictures_test::TempDir dir("docx");
  pictures_test::WriteFile(dir / "x.jpg", pictures_test::BytesOf("not a picture"));
  DocumentWriter w;
  std::string error;
  EXPECT_FALSE(w.AddPicture(dir / "x.jpg", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(w.AddPicture(dir / "missing.jpg", &error));
  EXPECT_NE(error.find("missing.jpg"), std::string::npos);
  EXPECT_TRUE(w.current().content.empty());
  EXPECT_TRUE(w.document().pictures.empty());
}

TEST(PictureInfo, FormatAndSizeComeFromTheHeader) {
  const ui::Image image = pictures_test::Pattern(37, 21);
  struct Case {
    const char* name;
    output::Bytes bytes;
    output::PictureFormat format;
  };
  const std::vector<Case> cases = {
      {"jpeg", bank_editor::pictures::EncodeJpeg(image), output::PictureFormat::Jpeg},
      {"png", pictures_test::EncodePng(image), output::PictureFormat::Png},
      {"clipboard bmp", bank_editor::pictures::EncodeClipboardBmp(image), output::PictureFormat::Bmp},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto info = output::ReadPictureInfo(c.bytes);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->format, c.format);
    EXPECT_EQ(info->width, 37);
    EXPECT_EQ(info->height, 21);
  }
  output::Bytes truncated = bank_editor::pictures::EncodeJpeg(image);
  truncated.resize(6);
  EXPECT_FALSE(output::ReadPictureInfo(truncated));
  EXPECT_FALSE(output::ReadPictureInfo(pictures_test::BytesOf("BM")));
  EXPECT_FALSE(output::ReadPictureInfo({}));
}

// ---- The saved file ---------------------------------------------------------

class SavedDocx : public ::testing::Test {
 protected:
  docx_test::Docx save(const output::Document& doc) {
    std::string error;
    EXPECT_TRUE(output::SaveDocx(doc, dir / "d.docx", &error)) << error;
    return docx_test::Docx(dir / "d.docx");
  }
  pictures_test::TempDir dir{"docx"};
};

TEST_F(SavedDocx, HoldsThePartsAWordProcessorNeedsWithTheNormalStyleAndAnA4Page) {
  DocumentWriter w;
  w.SetTitle("物理  试题");
  w.TypeText("x");
  const auto docx = save(w.document());
  ASSERT_TRUE(docx.ok());
  EXPECT_EQ(docx.entryNames().front(), "[Content_Types].xml");
  for (const char* part : {"[Content_Types].xml", "_rels/.rels", "word/document.xml",
                           "word/_rels/document.xml.rels", "word/styles.xml", "word/settings.xml",
                           "word/fontTable.xml", "docProps/core.xml", "docProps/app.xml"}) {
    SCOPED_TRACE(part);
    ASSERT_TRUE(docx.has(part));
    EXPECT_TRUE(docx_test::Docx::parses(docx.entry(part)));
  }
  const std::string styles = docx.entry("word/styles.xml");
  EXPECT_NE(styles.find("w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/><w:aliases w:val=\"正文\"/>"),
            std::string::npos);
  EXPECT_NE(styles.find("w:eastAsia=\"宋体\""), std::string::npos);
  EXPECT_NE(docx.entry("word/document.xml").find("<w:pgSz w:w=\"11906\" w:h=\"16838\"/>"), std::string::npos);
  EXPECT_NE(docx.entry("docProps/core.xml").find("<dc:title>物理  试题</dc:title>"), std::string::npos);
  EXPECT_NE(docx.entry("_rels/.rels").find("Target=\"word/document.xml\""), std::string::npos);
}

TEST_F(SavedDocx, ParagraphsCarryCharacterUnitIndentsAlignmentSpacingAndRunFormats) {
  DocumentWriter w;
  w.SetAlignment(output::kAlignCentre);
  w.TypeText("标题");
  w.TypeParagraph();
  w.SetAlignment(output::kAlignLeft);
  w.SetParagraphFormat("CharacterUnitLeftIndent", 1.5);
  w.SetParagraphFormat("CharacterUnitFirstLineIndent", -1.5);
  w.SetParagraphFormat("LineSpacingRule", 1);
  w.SetFontSize(14);
  w.SetBold(1);
  w.TypeText("一. 选择");
  w.SetFontSize(10);
  w.SetBold(0);
  w.TypeText("<&>\"");
  w.TypeParagraph();
  w.SetParagraphFormat("CharacterUnitLeftIndent", 3.2);
  w.SetParagraphFormat("CharacterUnitFirstLineIndent", 0.01);
  w.SetAlignment(output::kAlignJustify);
  w.TypeText("a\r\nb");
  w.TypeParagraph();
  w.SetParagraphFormat("CharacterUnitLeftIndent", -0.1);
  w.SetParagraphFormat("CharacterUnitFirstLineIndent", 0);

  const auto docx = save(w.document());
  ASSERT_TRUE(docx.wellFormed());
  const auto& p = docx.paragraphs();
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[0].jc, "center");
  EXPECT_EQ(p[0].text(), "标题");
  EXPECT_EQ(p[0].runs[0].halfPoints, 21);
  EXPECT_FALSE(p[0].leftChars);

  EXPECT_EQ(p[1].jc, "left");
  EXPECT_EQ(p[1].leftChars, 150);
  EXPECT_EQ(p[1].hangingChars, 150);
  EXPECT_EQ(p[1].left, 315);  // 1.5 characters of 10.5 points, in twips
  EXPECT_EQ(p[1].hanging, 315);
  EXPECT_EQ(p[1].spacingLine, 360);
  ASSERT_EQ(p[1].runs.size(), 2u);
  EXPECT_EQ(p[1].runs[0].text, "一. 选择");
  EXPECT_EQ(p[1].runs[0].halfPoints, 28);
  EXPECT_TRUE(p[1].runs[0].bold);
  EXPECT_EQ(p[1].runs[1].text, "<&>\"");
  EXPECT_EQ(p[1].runs[1].halfPoints, 20);
  EXPECT_FALSE(p[1].runs[1].bold);

  EXPECT_EQ(p[2].jc, "both");
  EXPECT_EQ(p[2].leftChars, 320);
  EXPECT_EQ(p[2].firstLineChars, 1);
  EXPECT_FALSE(p[2].hangingChars);
  EXPECT_EQ(p[2].text(), "a\nb");
  EXPECT_EQ(p[2].spacingLine, 360);  // inherited

  EXPECT_EQ(p[3].leftChars, -10);
  EXPECT_EQ(p[3].left, -21);
  EXPECT_EQ(p[3].markHalfPoints, 20);
}

TEST_F(SavedDocx, PicturesAreEmbeddedByteForByteAndScaledDownToTheTextWidthWithTheirAspect) {
  const auto jpeg = bank_editor::pictures::EncodeJpeg(pictures_test::Pattern(40, 30));
  const auto png = pictures_test::EncodePng(pictures_test::Pattern(1600, 400));
  const auto bmp = bank_editor::pictures::EncodeClipboardBmp(pictures_test::Pattern(9, 5));
  pictures_test::WriteFile(dir / "a.jpg", jpeg);

  DocumentWriter w;
  ASSERT_TRUE(w.AddPicture(dir / "a.jpg"));
  w.TypeParagraph();
  ASSERT_TRUE(w.SetParagraphFormat("CharacterUnitLeftIndent", 3.2));
  ASSERT_TRUE(w.AddPictureBytes(png));
  ASSERT_TRUE(w.AddPictureBytes(bmp));
  const auto docx = save(w.document());

  const auto& p = docx.paragraphs();
  ASSERT_EQ(p.size(), 2u);
  ASSERT_EQ(p[0].runs.size(), 1u);
  ASSERT_EQ(p[1].runs.size(), 2u);
  const docx_test::Run& small = p[0].runs[0];
  const docx_test::Run& wide = p[1].runs[0];
  // Natural size at 96 pixels an inch: 9525 EMU a pixel.
  EXPECT_EQ(small.cx, 40 * 9525);
  EXPECT_EQ(small.cy, 30 * 9525);
  // 1600 pixels do not fit: the text width less the 3.2-character indent.
  const double width = (output::kTextWidthTwips - 3.2 * 210) * 635;
  EXPECT_NEAR(wide.cx, width, 1);
  EXPECT_NEAR(wide.cy, width / 4, 1);

  const auto rels = docx.documentRelationships();
  const std::vector<std::pair<const docx_test::Run*, output::Bytes>> expected = {
      {&small, jpeg}, {&wide, png}, {&p[1].runs[1], bmp}};
  for (const auto& [run, bytes] : expected) {
    SCOPED_TRACE(run->relId);
    ASSERT_EQ(run->kind, docx_test::Run::Kind::Picture);
    ASSERT_TRUE(rels.count(run->relId));
    const std::string media = docx.entry("word/" + rels.at(run->relId));
    EXPECT_EQ(media, std::string(bytes.begin(), bytes.end()));
  }
  const std::string types = docx.entry("[Content_Types].xml");
  for (const char* t : {"image/jpeg", "image/png", "image/bmp"}) EXPECT_NE(types.find(t), std::string::npos) << t;
}

TEST_F(SavedDocx, AFileThatCannotBeWrittenIsReportedWithTheReason) {
  DocumentWriter w;
  w.TypeText("x");
  std::filesystem::create_directory(dir / "folder.docx");
  for (const std::string& path : {dir / "no/such/folder/d.docx", dir / "folder.docx"}) {
    SCOPED_TRACE(path);
    std::string error;
    EXPECT_FALSE(output::SaveDocx(w.document(), path, &error));
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
