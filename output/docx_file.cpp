#include "output/docx_file.h"

#include <zip.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>

#include "output/page_setup.h"

namespace output {

double AvailableWidthTwips(const ParagraphFormat& format) {
  const double indent = std::max(0.0, format.leftChars) * kCharacterUnitTwips;
  return std::max(kTextWidthTwips / 4.0, kTextWidthTwips - indent);
}

PictureExtent FitPicture(const PictureInfo& info, double maxWidthTwips) {
  PictureExtent e{info.width * kTwipsPerPixel, info.height * kTwipsPerPixel};
  if (e.widthTwips > maxWidthTwips && e.widthTwips > 0) {
    e.heightTwips = e.heightTwips * maxWidthTwips / e.widthTwips;
    e.widthTwips = maxWidthTwips;
  }
  // A page taller than the text area would push the picture off every page.
  if (e.heightTwips > kTextHeightTwips && e.heightTwips > 0) {
    e.widthTwips = e.widthTwips * kTextHeightTwips / e.heightTwips;
    e.heightTwips = kTextHeightTwips;
  }
  return e;
}

namespace {

constexpr std::string_view kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view kNsW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view kNsR = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view kNsWp = "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing";
constexpr std::string_view kNsA = "http://schemas.openxmlformats.org/drawingml/2006/main";
constexpr std::string_view kNsPic = "http://schemas.openxmlformats.org/drawingml/2006/picture";
constexpr std::string_view kRelBase = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

constexpr long kEmuPerTwip = 635;
constexpr std::string_view kProgramName = "墨川题库与组卷系统 2.0";

void appendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
}

std::string escaped(std::string_view text) {
  std::string s;
  appendEscaped(s, text);
  return s;
}

long roundToLong(double v) { return std::lround(v); }

std::string_view alignmentValue(int alignment) {
  switch (alignment) {
    case kAlignCentre: return "center";
    case kAlignRight: return "right";
    case kAlignJustify: return "both";
    default: return "left";
  }
}

void appendRunProperties(std::string& x, const CharFormat& f) {
  x += "<w:rPr>";
  if (f.bold) x += "<w:b/><w:bCs/>";
  const std::string half = std::to_string(roundToLong(f.size * 2));
  x += "<w:sz w:val=\"" + half + "\"/><w:szCs w:val=\"" + half + "\"/>";
  x += "</w:rPr>";
}

void appendIndent(std::string& x, const ParagraphFormat& f) {
  const long left = roundToLong(f.leftChars * 100);
  const long first = roundToLong(f.firstLineChars * 100);
  if (left == 0 && first == 0) return;
  const auto twips = [](long hundredths) {
    return std::to_string(roundToLong(hundredths * kCharacterUnitTwips / 100));
  };
  x += "<w:ind w:leftChars=\"" + std::to_string(left) + "\" w:left=\"" + twips(left) + "\"";
  if (first > 0)
    x += " w:firstLineChars=\"" + std::to_string(first) + "\" w:firstLine=\"" + twips(first) + "\"";
  else if (first < 0)
    x += " w:hangingChars=\"" + std::to_string(-first) + "\" w:hanging=\"" + twips(-first) + "\"";
  x += "/>";
}

void appendParagraphProperties(std::string& x, const Paragraph& p) {
  x += "<w:pPr>";
  if (p.format.lineSpacing == kLineSpacingOneAndHalf)
    x += "<w:spacing w:line=\"360\" w:lineRule=\"auto\"/>";
  else if (p.format.lineSpacing == kLineSpacingDouble)
    x += "<w:spacing w:line=\"480\" w:lineRule=\"auto\"/>";
  appendIndent(x, p.format);
  x += "<w:jc w:val=\"";
  x += alignmentValue(p.format.alignment);
  x += "\"/>";
  appendRunProperties(x, p.mark);
  x += "</w:pPr>";
}

// The pictures the document shows, in order of first appearance, with their
// relationship ids and part names.
struct MediaPart {
  int picture = 0;
  std::string relId;
  std::string name;  // "media/image1.jpeg"
};

std::vector<MediaPart> mediaParts(const Document& doc) {
  std::vector<MediaPart> parts;
  std::set<int> seen;
  for (const auto& p : doc.paragraphs)
    for (const auto& piece : p.content)
      if (piece.kind == Inline::Kind::Picture && seen.insert(piece.picture).second) {
        const int n = static_cast<int>(parts.size()) + 1;
        parts.push_back({piece.picture, "rIdImage" + std::to_string(n),
                         "media/image" + std::to_string(n) + "." +
                             std::string(ExtensionOf(doc.pictures[piece.picture].info.format))});
      }
  return parts;
}

void appendPicture(std::string& x, const Picture& picture, const ParagraphFormat& format,
                   const std::string& relId, int drawingId) {
  const PictureExtent e = FitPicture(picture.info, AvailableWidthTwips(format));
  const std::string cx = std::to_string(std::max(1L, roundToLong(e.widthTwips * kEmuPerTwip)));
  const std::string cy = std::to_string(std::max(1L, roundToLong(e.heightTwips * kEmuPerTwip)));
  const std::string id = std::to_string(drawingId);
  x += "<w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">";
  x += "<wp:extent cx=\"" + cx + "\" cy=\"" + cy + "\"/>";
  x += "<wp:effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/>";
  x += "<wp:docPr id=\"" + id + "\" name=\"图片 " + id + "\"/>";
  x += "<wp:cNvGraphicFramePr><a:graphicFrameLocks noChangeAspect=\"1\"/></wp:cNvGraphicFramePr>";
  x += "<a:graphic><a:graphicData uri=\"";
  x += kNsPic;
  x += "\"><pic:pic><pic:nvPicPr><pic:cNvPr id=\"" + id + "\" name=\"图片 " + id +
       "\"/><pic:cNvPicPr/></pic:nvPicPr>";
  x += "<pic:blipFill><a:blip r:embed=\"" + relId +
       "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>";
  x += "<pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"" + cx + "\" cy=\"" + cy +
       "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr>";
  x += "</pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing>";
}

std::string documentXml(const Document& doc, const std::vector<MediaPart>& media) {
  std::map<int, const MediaPart*> byPicture;
  for (const auto& m : media) byPicture[m.picture] = &m;

  std::string x;
  x.reserve(256 + doc.paragraphs.size() * 320);
  x += kXmlHead;
  x += "<w:document xmlns:w=\"";
  x += kNsW;
  x += "\" xmlns:r=\"";
  x += kNsR;
  x += "\" xmlns:wp=\"";
  x += kNsWp;
  x += "\" xmlns:a=\"";
  x += kNsA;
  x += "\" xmlns:pic=\"";
  x += kNsPic;
  x += "\"><w:body>";
  int drawingId = 0;
  for (const auto& p : doc.paragraphs) {
    x += "<w:p>";
    appendParagraphProperties(x, p);
    for (const auto& piece : p.content) {
      x += "<w:r>";
      appendRunProperties(x, piece.format);
      switch (piece.kind) {
        case Inline::Kind::Text:
          x += "<w:t xml:space=\"preserve\">";
          appendEscaped(x, piece.text);
          x += "</w:t>";
          break;
        case Inline::Kind::LineBreak: x += "<w:br/>"; break;
        case Inline::Kind::Tab: x += "<w:tab/>"; break;
        case Inline::Kind::Picture:
          appendPicture(x, doc.pictures[piece.picture], p.format, byPicture.at(piece.picture)->relId,
                        ++drawingId);
          break;
      }
      x += "</w:r>";
    }
    x += "</w:p>";
  }
  x += "<w:sectPr><w:pgSz w:w=\"" + std::to_string(kPageWidthTwips) + "\" w:h=\"" +
       std::to_string(kPageHeightTwips) + "\"/>";
  x += "<w:pgMar w:top=\"" + std::to_string(kMarginTopTwips) + "\" w:right=\"" +
       std::to_string(kMarginRightTwips) + "\" w:bottom=\"" + std::to_string(kMarginBottomTwips) +
       "\" w:left=\"" + std::to_string(kMarginLeftTwips) +
       "\" w:header=\"851\" w:footer=\"992\" w:gutter=\"0\"/>";
  x += "<w:cols w:space=\"425\"/><w:docGrid w:type=\"lines\" w:linePitch=\"312\"/></w:sectPr>";
  x += "</w:body></w:document>";
  return x;
}

std::string contentTypesXml(const std::vector<MediaPart>& media, const Document& doc) {
  std::string x(kXmlHead);
  x += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">";
  x += "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>";
  x += "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
  std::set<PictureFormat> formats;
  for (const auto& m : media) formats.insert(doc.pictures[m.picture].info.format);
  for (const auto f : formats) {
    x += "<Default Extension=\"";
    x += ExtensionOf(f);
    x += "\" ContentType=\"";
    x += MimeTypeOf(f);
    x += "\"/>";
  }
  const auto override = [&](std::string_view part, std::string_view type) {
    x += "<Override PartName=\"";
    x += part;
    x += "\" ContentType=\"";
    x += type;
    x += "\"/>";
  };
  override("/word/document.xml",
           "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml");
  override("/word/styles.xml", "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml");
  override("/word/settings.xml",
           "application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml");
  override("/word/fontTable.xml",
           "application/vnd.openxmlformats-officedocument.wordprocessingml.fontTable+xml");
  override("/docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml");
  override("/docProps/app.xml", "application/vnd.openxmlformats-officedocument.extended-properties+xml");
  x += "</Types>";
  return x;
}

std::string relationship(std::string_view id, std::string_view type, std::string_view target) {
  std::string x = "<Relationship Id=\"";
  x += id;
  x += "\" Type=\"";
  x += type;
  x += "\" Target=\"";
  x += target;
  x += "\"/>";
  return x;
}

constexpr std::string_view kRelsHead =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";

std::string packageRelsXml() {
  std::string x(kXmlHead);
  x += kRelsHead;
  x += relationship("rId1", std::string(kRelBase) + "officeDocument", "word/document.xml");
  x += relationship("rId2", "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties",
                    "docProps/core.xml");
  x += relationship("rId3", std::string(kRelBase) + "extended-properties", "docProps/app.xml");
  x += "</Relationships>";
  return x;
}

std::string documentRelsXml(const std::vector<MediaPart>& media) {
  std::string x(kXmlHead);
  x += kRelsHead;
  x += relationship("rId1", std::string(kRelBase) + "styles", "styles.xml");
  x += relationship("rId2", std::string(kRelBase) + "settings", "settings.xml");
  x += relationship("rId3", std::string(kRelBase) + "fontTable", "fontTable.xml");
  for (const auto& m : media) x += relationship(m.relId, std::string(kRelBase) + "image", m.name);
  x += "</Relationships>";
  return x;
}

// The normal style is the word processor's built-in "Normal", which a
// Chinese word processor shows as "正文": justified 10.5-point text with a
// Song face for Chinese.
std::string stylesXml() {
  const std::string half = std::to_string(roundToLong(kNormalFontSize * 2));
  std::string x(kXmlHead);
  x += "<w:styles xmlns:w=\"";
  x += kNsW;
  x += "\"><w:docDefaults><w:rPrDefault><w:rPr>"
       "<w:rFonts w:ascii=\"Times New Roman\" w:eastAsia=\"宋体\" w:hAnsi=\"Times New Roman\" "
       "w:cs=\"Times New Roman\"/><w:kern w:val=\"2\"/><w:sz w:val=\"" + half +
       "\"/><w:szCs w:val=\"" + half +
       "\"/><w:lang w:val=\"en-US\" w:eastAsia=\"zh-CN\" w:bidi=\"ar-SA\"/>"
       "</w:rPr></w:rPrDefault><w:pPrDefault/></w:docDefaults>";
  x += "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/>"
       "<w:aliases w:val=\"正文\"/><w:qFormat/><w:pPr><w:widowControl w:val=\"0\"/><w:jc w:val=\"both\"/>"
       "</w:pPr><w:rPr><w:sz w:val=\"" + half + "\"/><w:szCs w:val=\"" + half + "\"/></w:rPr></w:style>";
  x += "<w:style w:type=\"character\" w:default=\"1\" w:styleId=\"DefaultParagraphFont\">"
       "<w:name w:val=\"Default Paragraph Font\"/><w:uiPriority w:val=\"1\"/><w:semiHidden/>"
       "<w:unhideWhenUsed/></w:style>";
  x += "</w:styles>";
  return x;
}

std::string settingsXml() {
  std::string x(kXmlHead);
  x += "<w:settings xmlns:w=\"";
  x += kNsW;
  x += "\"><w:zoom w:percent=\"100\"/><w:defaultTabStop w:val=\"420\"/>"
       "<w:drawingGridVerticalSpacing w:val=\"156\"/>"
       "<w:characterSpacingControl w:val=\"compressPunctuation\"/>"
       "<w:compat><w:spaceForUL/><w:balanceSingleByteDoubleByteWidth/><w:doNotLeaveBackslashAlone/>"
       "<w:ulTrailSpace/><w:doNotExpandShiftReturn/><w:adjustLineHeightInTable/>"
       "<w:useFELayout/><w:compatSetting w:name=\"compatibilityMode\" "
       "w:uri=\"http://schemas.microsoft.com/office/word\" w:val=\"15\"/></w:compat>"
       "<w:themeFontLang w:val=\"en-US\" w:eastAsia=\"zh-CN\"/></w:settings>";
  return x;
}

std::string fontTableXml() {
  std::string x(kXmlHead);
  x += "<w:fonts xmlns:w=\"";
  x += kNsW;
  x += "\"><w:font w:name=\"Times New Roman\"><w:panose1 w:val=\"02020603050405020304\"/>"
       "<w:charset w:val=\"00\"/><w:family w:val=\"roman\"/><w:pitch w:val=\"variable\"/></w:font>"
       "<w:font w:name=\"宋体\"><w:altName w:val=\"SimSun\"/><w:panose1 w:val=\"02010600030101010101\"/>"
       "<w:charset w:val=\"86\"/><w:family w:val=\"auto\"/><w:pitch w:val=\"variable\"/></w:font>"
       "</w:fonts>";
  return x;
}

std::string coreXml(const Document& doc) {
  std::string x(kXmlHead);
  x += "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
       "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
       "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">";
  if (!doc.title.empty()) x += "<dc:title>" + escaped(CleanText(doc.title)) + "</dc:title>";
  x += "</cp:coreProperties>";
  return x;
}

std::string appXml() {
  std::string x(kXmlHead);
  x += "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
       "<Application>";
  x += kProgramName;
  x += "</Application></Properties>";
  return x;
}

struct ZipDiscard {
  void operator()(zip_t* z) const { zip_discard(z); }
};

std::string zipErrorText(int code) {
  zip_error_t e;
  zip_error_init_with_code(&e, code);
  std::string s = zip_error_strerror(&e);
  zip_error_fini(&e);
  return s;
}

}  // namespace

std::string DocumentXml(const Document& document) {
  return documentXml(document, mediaParts(document));
}

bool SaveDocx(const Document& document, const std::string& path, std::string* error) {
  const auto fail = [&](const std::string& reason) {
    if (error) *error = reason;
    return false;
  };
  const std::vector<MediaPart> media = mediaParts(document);

  // The texts must outlive the archive: libzip reads them when it closes.
  std::vector<std::pair<std::string, std::string>> parts = {
      {"[Content_Types].xml", contentTypesXml(media, document)},
      {"_rels/.rels", packageRelsXml()},
      {"docProps/core.xml", coreXml(document)},
      {"docProps/app.xml", appXml()},
      {"word/document.xml", documentXml(document, media)},
      {"word/_rels/document.xml.rels", documentRelsXml(media)},
      {"word/styles.xml", stylesXml()},
      {"word/settings.xml", settingsXml()},
      {"word/fontTable.xml", fontTableXml()},
  };

  int code = 0;
  std::unique_ptr<zip_t, ZipDiscard> zip(zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code));
  if (!zip) return fail(zipErrorText(code));

  const auto add = [&](const std::string& name, const void* data, std::size_t size, bool compress) {
    zip_source_t* source = zip_source_buffer(zip.get(), data, size, 0);
    if (!source) return false;
    const zip_int64_t index = zip_file_add(zip.get(), name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
    if (index < 0) {
      zip_source_free(source);
      return false;
    }
    // Pictures are compressed already.
    return zip_set_file_compression(zip.get(), static_cast<zip_uint64_t>(index),
                                    compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) == 0;
  };
  for (const auto& [name, text] : parts)
    if (!add(name, text.data(), text.size(), true)) return fail(zip_strerror(zip.get()));
  for (const auto& m : media) {
    const Picture& picture = document.pictures[m.picture];
    // A BMP is raw pixels and shrinks well.
    const bool compress = picture.info.format == PictureFormat::Bmp;
    if (!add("word/" + m.name, picture.bytes.data(), picture.bytes.size(), compress))
      return fail(zip_strerror(zip.get()));
  }
  if (zip_close(zip.get()) != 0) return fail(zip_strerror(zip.get()));
  zip.release();  // closed: nothing left to discard
  return true;
}

}  // namespace output
