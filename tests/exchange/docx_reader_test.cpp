#include <gtest/gtest.h>
#include <zip.h>

#include <map>
#include <string>

#include "bank_editor/pictures/picture_codec.h"
#include "exchange/bulk_import.h"
#include "exchange/question_markup.h"
#include "exchange/source_document.h"
#include "tests/support/temp_dir.h"

namespace exchange {
namespace {

using mc::testing::TempDir;

// Writes a .docx with the given parts (name -> bytes).
void WriteZip(const std::string& path, const std::map<std::string, std::string>& parts) {
  int code = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  ASSERT_NE(z, nullptr);
  for (const auto& [name, data] : parts) {
    zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
    ASSERT_GE(zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8), 0);
  }
  ASSERT_EQ(zip_close(z), 0);
}

std::string Para(const std::string& inner, const std::string& props = {}) {
  return "<w:p>" + (props.empty() ? "" : "<w:pPr>" + props + "</w:pPr>") + inner + "</w:p>";
}
std::string TextRun(const std::string& t) { return "<w:r><w:t xml:space=\"preserve\">" + t + "</w:t></w:r>"; }
std::string Picture(const std::string& rel) {
  return "<w:r><w:drawing><wp:inline><a:graphic><a:graphicData><pic:pic><pic:blipFill>"
         "<a:blip r:embed=\"" + rel + "\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic>"
         "</wp:inline></w:drawing></w:r>";
}
std::string Numbered(const std::string& numId) {
  return "<w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"" + numId + "\"/></w:numPr>";
}

std::string Document(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
         "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
         "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
         "xmlns:m=\"http://schemas.openxmlformats.org/officeDocument/2006/math\" "
         "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
         "xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\" "
         "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\">"
         "<w:body>" + body + "</w:body></w:document>";
}

const char* kNumbering =
    "<w:numbering xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/>"
    "<w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/></w:lvl></w:abstractNum>"
    "<w:abstractNum w:abstractNumId=\"1\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/>"
    "<w:numFmt w:val=\"upperLetter\"/><w:lvlText w:val=\"%1.\"/></w:lvl></w:abstractNum>"
    "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>"
    "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"1\"/></w:num>"
    "<w:num w:numId=\"3\"><w:abstractNumId w:val=\"1\"/></w:num>"
    "</w:numbering>";

const char* kRels =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId5\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" Target=\"media/image1.jpeg\"/>"
    "<Relationship Id=\"rId6\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" Target=\"media/image2.bmp\"/>"
    "</Relationships>";

ui::Image Square(std::uint32_t argb) {
  ui::Image img;
  img.width = img.height = 4;
  img.pixels.assign(16, argb);
  return img;
}

std::string AsString(const ui::Bytes& b) { return std::string(b.begin(), b.end()); }

TEST(DocxReaderTest, NumberedListsPicturesBreaksAndEquationsBecomeQuestions) {
  TempDir dir;
  const ui::Bytes jpeg = bank_editor::pictures::EncodeJpeg(Square(0xFF2040A0));
  const ui::Bytes bmp = bank_editor::pictures::EncodeClipboardBmp(Square(0xFF00FF00));
  const std::string body =
      Para(TextRun("下图中") + "<w:del><w:r><w:delText>旧</w:delText></w:r></w:del>" +
               TextRun("三角形的个数是") + Picture("rId5"),
           Numbered("1")) +
      Para(TextRun("3"), Numbered("2")) + Para(TextRun("4"), Numbered("2")) +
      Para(TextRun("答案：B")) +
      Para(TextRun("化简") +
               "<m:oMath><m:f><m:num><m:r><m:t>a+b</m:t></m:r></m:num><m:den><m:r><m:t>2</m:t></m:r>"
               "</m:den></m:f></m:oMath>" + TextRun("的结果"),
           Numbered("1")) +
      Para(TextRun("答案：见图") + "<w:r><w:br/></w:r>" + TextRun("（作图题）")) + Para(Picture("rId6"));
  const std::string path = dir / "题目.docx";
  WriteZip(path, {{"[Content_Types].xml", "<Types/>"},
                  {"word/document.xml", Document(body)},
                  {"word/numbering.xml", kNumbering},
                  {"word/_rels/document.xml.rels", kRels},
                  {"word/media/image1.jpeg", AsString(jpeg)},
                  {"word/media/image2.bmp", AsString(bmp)}});

  SourceDocument doc;
  std::string error;
  ASSERT_TRUE(ReadSourceFile(path, doc, error)) << error;
  ASSERT_GE(doc.lines.size(), 6u);
  EXPECT_EQ(doc.lines[0].text, "1. 下图中三角形的个数是");
  EXPECT_EQ(doc.lines[1].text, "A. 3");
  EXPECT_EQ(doc.lines[2].text, "B. 4");
  EXPECT_EQ(doc.lines[4].text, "2. 化简(a+b)/2的结果");
  EXPECT_TRUE(doc.lines[4].equation);
  EXPECT_EQ(doc.lines[5].text, "答案：见图");
  EXPECT_EQ(doc.lines[6].text, "（作图题）");
  EXPECT_EQ(doc.lines[6].number, doc.lines[5].number);  // a break stays in its paragraph

  const ImportPreview p = PrepareImport(ParseQuestionMarkup(doc), {}, {"选择", "问答"});
  ASSERT_EQ(p.rows.size(), 2u);
  const ImportRow& first = p.rows[0];
  EXPECT_EQ(first.status, ImportRow::Status::Importable) << first.reason;
  EXPECT_EQ(first.question.text2, "3\r\n4");
  EXPECT_EQ(first.question.answer, "4");
  EXPECT_EQ(first.question.pictureMark, "√");
  EXPECT_EQ(first.picture, jpeg);  // JPEG kept byte for byte
  const ImportRow& second = p.rows[1];
  EXPECT_EQ(second.question.text1, "化简(a+b)/2的结果");
  EXPECT_EQ(second.question.answer, "见图\r\n（作图题）");
  EXPECT_EQ(second.question.answerPictureMark, "√");
  ASSERT_GE(second.answerPicture.size(), 3u);
  EXPECT_EQ(second.answerPicture[0], 0xFF);  // the BMP became a JPEG
  EXPECT_EQ(second.answerPicture[1], 0xD8);
  EXPECT_NE(std::find(p.problems.begin(), p.problems.end(), "第5行：公式已转为文字，请核对"),
            p.problems.end());
}

TEST(DocxReaderTest, FilesThatAreNoDocumentsAreRefusedWithAReason) {
  TempDir dir;
  SourceDocument doc;
  std::string error;
  EXPECT_FALSE(ReadSourceFile(dir / "没有.docx", doc, error));
  EXPECT_NE(error.find("无法打开文件"), std::string::npos);
  const std::string zipOnly = dir / "a.docx";
  WriteZip(zipOnly, {{"x.txt", "x"}});
  EXPECT_FALSE(ReadSourceFile(zipOnly, doc, error));
  EXPECT_NE(error.find("word/document.xml"), std::string::npos);
  const std::string broken = dir / "b.docx";
  WriteZip(broken, {{"word/document.xml", "<w:document><w:body>"}});
  EXPECT_FALSE(ReadSourceFile(broken, doc, error));
  EXPECT_NE(error.find("已损坏"), std::string::npos);
}

}  // namespace
}  // namespace exchange
