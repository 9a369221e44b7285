#include "ui/qt/paper_pdf.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <cstdlib>
#include <map>
#include <filesystem>
#include <system_error>

#include "output/page_setup.h"
#include "ui/qt/qt_text.h"

namespace ui::qt {

namespace {

constexpr int kResolution = 600;  // dots per inch of the layout

double pixelsOfTwips(double twips) { return twips / 1440.0 * kResolution; }

Qt::Alignment alignmentOf(int alignment) {
  switch (alignment) {
    case output::kAlignCentre: return Qt::AlignHCenter;
    case output::kAlignRight: return Qt::AlignRight;
    case output::kAlignJustify: return Qt::AlignJustify;
    default: return Qt::AlignLeft;
  }
}

// Qt names each glyph in the text map by the lowest code point the font
// gives it, and CJK fonts draw a Kangxi radical and the ideograph of the
// same shape with one glyph: "一" would be copied and searched as "⼀"
// (U+2F00). The map's targets are rewritten to the ideographs in place: four
// hex digits for four, so no offset in the file moves.
QByteArray hexOf(char16_t c) { return QByteArray::number(c, 16).toUpper().rightJustified(4, '0'); }

void replaceRadicalTargets(QByteArray& map) {
  static const std::map<QByteArray, QByteArray> replacements = [] {
    std::map<QByteArray, QByteArray> r;
    for (char16_t c = 0x2E80; c <= 0x2FDF; ++c) {
      const QString n = QString(QChar(c)).normalized(QString::NormalizationForm_KC);
      if (n.size() == 1 && n[0].unicode() != c) r[hexOf(c)] = hexOf(n[0].unicode());
    }
    return r;
  }();
  const QList<QByteArray> lines = map.split('\n');
  QByteArray out;
  bool inChars = false, inRanges = false;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    QByteArray line = lines[i];
    if (line.endsWith("beginbfchar")) inChars = true;
    else if (line.endsWith("beginbfrange")) inRanges = true;
    else if (line == "endbfchar") inChars = false;
    else if (line == "endbfrange") inRanges = false;
    else if (inChars || inRanges) {
      // "<src> <dst>", "<lo> <hi> [<dst> ...]"; a range "<lo> <hi> <dst>"
      // counts up from dst and is left alone unless it is one code long.
      qsizetype from = 0;
      int token = 0;
      const qsizetype array = line.indexOf('[');
      while ((from = line.indexOf('<', from)) >= 0) {
        const qsizetype end = line.indexOf('>', from);
        if (end < 0) break;
        ++token;
        const bool target = inChars ? token == 2
                            : array >= 0 ? from > array
                                         : token == 3 && line.mid(1, 4) == line.mid(line.indexOf('<', 1) + 1, 4);
        if (target && end - from == 5) {
          const auto it = replacements.find(line.mid(from + 1, 4));
          if (it != replacements.end()) line.replace(from + 1, 4, it->second);
        }
        from = end + 1;
      }
    }
    out += line;
    if (i + 1 < lines.size()) out += '\n';
  }
  map = out;
}

// Applies replaceRadicalTargets to every text map of the written file.
bool fixTextMaps(const std::string& path) {
  QFile file(ToQ(path));
  if (!file.open(QIODevice::ReadOnly)) return false;
  QByteArray pdf = file.readAll();
  file.close();
  bool changed = false;
  qsizetype at = 0;
  while ((at = pdf.indexOf("/ToUnicode ", at)) >= 0) {
    at += 11;
    const qsizetype space = pdf.indexOf(' ', at);
    if (space < 0) break;
    const QByteArray object = "\n" + pdf.mid(at, space - at) + " 0 obj\n";
    const qsizetype objectAt = pdf.indexOf(object);
    if (objectAt < 0) continue;
    const qsizetype begin = pdf.indexOf("stream\n", objectAt);
    const qsizetype end = pdf.indexOf("endstream", begin);
    if (begin < 0 || end < 0) continue;
    QByteArray map = pdf.mid(begin + 7, end - begin - 7);
    if (!map.startsWith("/CIDInit")) continue;  // compressed or foreign: leave it
    const QByteArray before = map;
    replaceRadicalTargets(map);
    if (map != before && map.size() == before.size()) {
      pdf.replace(begin + 7, map.size(), map);
      changed = true;
    }
  }
  if (!changed) return true;
  if (!file.open(QIODevice::WriteOnly)) return false;
  return file.write(pdf) == pdf.size() && file.flush();
}

class QtPdfRenderer : public output::PdfRenderer {
 public:
  QtPdfRenderer() {
    if (!QGuiApplication::instance()) {
      // The paper command has no window system of its own to ask for fonts.
      if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
      static int argc = 1;
      static char name[] = "mochuan-paper";
      static char* argv[] = {name, nullptr};
      app_ = std::make_unique<QGuiApplication>(argc, argv);
    }
  }

  bool SavePdf(const output::Document& document, const std::string& path, std::string* error) override;

 private:
  std::unique_ptr<QGuiApplication> app_;
};

QTextCharFormat charFormatOf(const output::CharFormat& f, const QString& family) {
  QTextCharFormat c;
  c.setFontFamilies(QStringList{family});
  c.setFontPointSize(f.size);
  c.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
  return c;
}

QTextBlockFormat blockFormatOf(const output::Paragraph& p) {
  const double unit = pixelsOfTwips(output::kCharacterUnitTwips);
  QTextBlockFormat b;
  b.setAlignment(alignmentOf(p.format.alignment));
  b.setLeftMargin(p.format.leftChars * unit);
  b.setTextIndent(p.format.firstLineChars * unit);
  if (p.format.lineSpacing == output::kLineSpacingOneAndHalf)
    b.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
  else if (p.format.lineSpacing == output::kLineSpacingDouble)
    b.setLineHeight(200, QTextBlockFormat::ProportionalHeight);
  return b;
}

bool QtPdfRenderer::SavePdf(const output::Document& document, const std::string& path,
                            std::string* error) {
  const auto fail = [&](const std::string& reason) {
    if (error) *error = reason;
    return false;
  };
  // QPdfWriter reports nothing: try the file first so the reason is known.
  {
    QFile probe(ToQ(path));
    if (!probe.open(QIODevice::WriteOnly)) return fail(ToStd(probe.errorString()));
  }

  QPdfWriter writer(ToQ(path));
  writer.setResolution(kResolution);
  writer.setTitle(ToQ(document.title));
  writer.setCreator(QStringLiteral("墨川题库与组卷系统 2.0"));
  const QMarginsF margins(output::kMarginLeftTwips / 20.0, output::kMarginTopTwips / 20.0,
                          output::kMarginRightTwips / 20.0, output::kMarginBottomTwips / 20.0);
  writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, margins,
                                   QPageLayout::Point));

  const QString family = FamilyFor("宋体");
  QTextDocument text;
  text.documentLayout()->setPaintDevice(&writer);
  text.setDocumentMargin(0);
  QFont base(family);
  base.setPointSizeF(output::kNormalFontSize);
  text.setDefaultFont(base);
  const QSizeF body(pixelsOfTwips(output::kTextWidthTwips), pixelsOfTwips(output::kTextHeightTwips));
  text.setPageSize(body);

  for (std::size_t i = 0; i < document.pictures.size(); ++i) {
    const auto& bytes = document.pictures[i].bytes;
    QImage image = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()));
    if (!image.isNull())
      text.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mc-picture:%1").arg(i)), image);
  }

  QTextCursor cursor(&text);
  bool first = true;
  for (const auto& p : document.paragraphs) {
    if (!first) cursor.insertBlock();
    first = false;
    cursor.setBlockFormat(blockFormatOf(p));
    cursor.setBlockCharFormat(charFormatOf(p.mark, family));
    for (const auto& piece : p.content) {
      const QTextCharFormat c = charFormatOf(piece.format, family);
      switch (piece.kind) {
        case output::Inline::Kind::Text: cursor.insertText(ToQ(piece.text), c); break;
        case output::Inline::Kind::LineBreak: cursor.insertText(QString(QChar::LineSeparator), c); break;
        case output::Inline::Kind::Tab: cursor.insertText(QStringLiteral("\t"), c); break;
        case output::Inline::Kind::Picture: {
          const auto& picture = document.pictures[static_cast<std::size_t>(piece.picture)];
          const auto extent = output::FitPicture(picture.info, output::AvailableWidthTwips(p.format));
          QTextImageFormat image;
          image.setName(QStringLiteral("mc-picture:%1").arg(piece.picture));
          // Qt's image handler counts these in 1/96 inch whatever the device.
          image.setWidth(extent.widthTwips / 15.0);
          image.setHeight(extent.heightTwips / 15.0);
          cursor.insertImage(image);
          break;
        }
      }
    }
  }

  QPainter painter;
  if (!painter.begin(&writer)) return fail("无法写入 PDF 文件");
  const int pages = std::max(1, text.pageCount());
  // Hanging numbers may stand left of the text: the clip takes in the margin.
  const double leftMargin = pixelsOfTwips(output::kMarginLeftTwips);
  for (int page = 0; page < pages; ++page) {
    if (page > 0) writer.newPage();
    painter.save();
    painter.translate(0, -page * body.height());
    text.drawContents(&painter, QRectF(-leftMargin, page * body.height(), body.width() + 2 * leftMargin,
                                       body.height()));
    painter.restore();
  }
  if (!painter.end()) return fail("无法写入 PDF 文件");
  std::error_code ec;
  if (std::filesystem::file_size(path, ec) == 0 || ec || !fixTextMaps(path))
    return fail("无法写入 PDF 文件");
  return true;
}

}  // namespace

std::unique_ptr<output::PdfRenderer> MakePdfRenderer() { return std::make_unique<QtPdfRenderer>(); }

}  // namespace ui::qt
