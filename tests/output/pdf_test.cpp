// A typed document rendered as PDF: A4 pages, the text findable, the CJK
// font embedded, one page per sheet.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "bank_editor/pictures/picture_codec.h"
#include "output/document_writer.h"
#include "tests/output/pdf_tools.h"
#include "tests/pictures/picture_fixtures.h"
#include "ui/qt/paper_pdf.h"

namespace {

using pdf_test::Pdf;

class PdfOutput : public ::testing::Test {
 protected:
  std::unique_ptr<output::PdfRenderer> renderer = ui::qt::MakePdfRenderer();
  pictures_test::TempDir dir{"pdf"};
  void TearDown() override { if (std::getenv("KEEP")) std::system(("cp -r " + dir.path() + " /tmp/docxscratch/keep").c_str()); }
};

TEST_F(PdfOutput, ShortDocumentIsOneA4PageWithItsTextAndAnEmbeddedCjkFont) {
  output::DocumentWriter w;
  w.SetTitle("物理  试题");
  w.SetAlignment(output::kAlignCentre);
  w.TypeText("物理  20261210080000  100  0  A卷  20261210080500  试题");
  w.TypeParagraph();
  w.SetAlignment(output::kAlignLeft);
  w.SetFontSize(14);
  w.SetBold(1);
  w.TypeText("一. 选择");
  std::string error;
  ASSERT_TRUE(renderer->SavePdf(w.document(), dir / "a.pdf", &error)) << error;
  const Pdf pdf(dir / "a.pdf");
  EXPECT_EQ(pdf.pages(), 1);
  EXPECT_NE(pdf.pageSize().find("(A4)"), std::string::npos) << pdf.pageSize();
  EXPECT_NE(pdf.text().find("物理 20261210080000 100 0 A卷 20261210080500 试题"), std::string::npos) << pdf.text();
  EXPECT_NE(pdf.text().find("一. 选择"), std::string::npos);
  EXPECT_TRUE(pdf.allFontsEmbedded()) << pdf.fonts();
  EXPECT_NE(pdf.fonts().find("CJK"), std::string::npos) << pdf.fonts();
}

TEST_F(PdfOutput, ALongDocumentRunsOverPagesAndKeepsItsPictures) {
  output::DocumentWriter w;
  const auto picture = bank_editor::pictures::EncodeJpeg(pictures_test::Pattern(300, 200));
  for (int i = 1; i <= 120; ++i) {
    w.TypeText(std::to_string(i) + ". 下列说法中正确的是（        ）。");
    if (i % 30 == 0) {
      w.TypeParagraph();
      ASSERT_TRUE(w.AddPictureBytes(picture));
    }
    w.TypeParagraph();
  }
  w.TypeText("最后一行");
  std::string error;
  ASSERT_TRUE(renderer->SavePdf(w.document(), dir / "b.pdf", &error)) << error;
  const Pdf pdf(dir / "b.pdf");
  EXPECT_GE(pdf.pages(), 3);
  EXPECT_LE(pdf.pages(), 6);
  EXPECT_NE(pdf.text().find("最后一行"), std::string::npos);
  EXPECT_EQ(pdf.imageCount(), 4);
}

TEST_F(PdfOutput, AFileThatCannotBeWrittenIsReportedWithTheReason) {
  output::DocumentWriter w;
  w.TypeText("x");
  std::string error;
  EXPECT_FALSE(renderer->SavePdf(w.document(), dir / "no/such/a.pdf", &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
