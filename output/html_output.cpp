#include "output/html_output.h"

#include <utility>

#include "output/file_writing.h"
#include "text/text.h"

namespace output {

namespace {

// Browsers outside a Chinese locale would guess another encoding.
constexpr const char* kCharset = "<meta charset=\"gb18030\">";
constexpr const char* kWideBlank = "&nbsp&nbsp&nbsp&nbsp&nbsp&nbsp&nbsp&nbsp";
constexpr const char* kFourBlanks = "&nbsp&nbsp&nbsp&nbsp";

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  std::string out;
  out.reserve(s.size());
  std::size_t pos = 0;
  for (std::size_t hit; (hit = s.find(from, pos)) != std::string::npos; pos = hit + from.size())
    out.append(s, pos, hit - pos).append(to);
  out.append(s, pos, std::string::npos);
  return out;
}

std::string QuestionText(const std::string& text1) {
  std::string s = ReplaceAll(EscapeHtml(text1), "\r\n", "<br>");
  s = ReplaceAll(std::move(s), "( ", std::string("(") + kWideBlank);
  return ReplaceAll(std::move(s), "（ ", std::string("（") + kWideBlank);
}

std::string OptionsText(const std::string& text2, bool ownLines) {
  return ReplaceAll(EscapeHtml(text2), "     ", ownLines ? "</div><div>" : kFourBlanks);
}

// A relative reference to a picture file: characters that end a URL path
// are percent-encoded, the rest escaped for the attribute.
std::string PictureSource(const std::string& folder, const std::string& name) {
  std::string url;
  for (char c : folder + "/" + name) {
    if (c == '%') url += "%25";
    else if (c == '#') url += "%23";
    else if (c == '?') url += "%3F";
    else url += c;
  }
  return EscapeHtml(url);
}

std::string DocumentStart(const std::string& title) {
  return std::string(kCharset) + "<body><center>" + EscapeHtml(title) + "</center>" + "<br>";
}

std::string Heading(const LayoutSection& section) {
  return "<strong><font size='5'>" + EscapeHtml(section.heading) + "</strong><font size='4'>" +
         section.scoreNote;
}

class PictureNamer {
 public:
  PictureNamer(HtmlDocument& doc, const PaperLayout& layout, const char* which)
      : doc_(doc), prefix_(std::string(PaperWord(layout.paper)) + which) {}
  std::string Add(const PictureRef& ref) {
    std::string name = prefix_ + std::to_string(doc_.pictures.size()) + ".jpg";
    doc_.pictures.push_back({ref, name});
    return PictureSource(doc_.pictureFolder, name);
  }

 private:
  HtmlDocument& doc_;
  std::string prefix_;
};

}  // namespace

std::string EscapeHtml(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

HtmlDocument HtmlPaper(const PaperLayout& layout) {
  HtmlDocument doc;
  doc.fileName = layout.paperTitle + ".html";
  doc.pictureFolder = layout.paperTitle + ".files";
  PictureNamer pictures(doc, layout, "试题");
  std::string& h = doc.text;
  h = DocumentStart(layout.paperTitle);
  for (const LayoutSection& section : layout.sections) {
    if (section.index > 1) h += "<br>";
    h += Heading(section);
    if (!section.description.empty())
      h += "<div style='text-indent: 1em'>" + EscapeHtml(section.description) + "</div>";
    h += "<br>";
    for (const LayoutRow& row : section.rows) {
      h += "<br></strong><font size='4'><div style='text-indent: 1em'>";
      if (row.numbered) h += "<div>" + row.numberText;
      h += QuestionText(row.text1);
      if (row.picture)
        h += "<div style='text-indent:2.5em'><div><img src='" + pictures.Add(*row.picture) +
             "'/></div></div>";
      if (!row.text2.empty())
        h += "<div style='text-indent:2.5em'><div>" +
             OptionsText(row.text2, layout.optionsOnOwnLines) + "</div></div>";
      h += "</div></div>";
    }
  }
  h += "</body>";
  return doc;
}

HtmlDocument HtmlAnswers(const PaperLayout& layout) {
  HtmlDocument doc;
  doc.fileName = layout.answersTitle + ".html";
  doc.pictureFolder = layout.answersTitle + ".files";
  PictureNamer pictures(doc, layout, "答案");
  std::string& h = doc.text;
  h = DocumentStart(layout.answersTitle);
  for (const LayoutSection& section : layout.sections) {
    const bool runOn = section.answersRunOn;
    if (section.index > 1) h += runOn ? "<br><br>" : "<div>&nbsp</div>";
    h += Heading(section);
    h += "<br><br><div style='text-indent: 1em'>";
    for (const LayoutRow& row : section.rows) {
      if (!row.numbered) continue;
      if (!runOn) h += "<div>";
      h += row.numberText + ReplaceAll(EscapeHtml(row.answer), "\r\n", "<br>");
      if (row.answerPicture) h += "<img src='" + pictures.Add(*row.answerPicture) + "'/>";
      h += runOn ? kFourBlanks : "</div><div>&nbsp</div>";
    }
  }
  h += "</body>";
  return doc;
}

WrittenDocument WriteHtmlDocument(const HtmlDocument& document, PaperSource& source,
                                  const std::string& folder) {
  WrittenDocument out;
  out.path = JoinPath(folder, document.fileName);
  if (!document.pictures.empty()) {
    const std::string pictureFolder = JoinPath(folder, document.pictureFolder);
    if (!MakeFolder(pictureFolder, out.error)) return out;
    std::vector<std::uint8_t> bytes;
    for (const HtmlPicture& p : document.pictures) {
      std::string reason;
      if (!source.ReadPicture(p.ref, bytes, reason)) {
        out.error = "无法读取试题图片（记录 " + std::to_string(p.ref.recordId) + "）：" + reason;
        return out;
      }
      if (!WriteWholeFile(JoinPath(pictureFolder, p.fileName),
                          std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                          out.error))
        return out;
    }
  }
  if (!WriteWholeFile(out.path, text::ToGbk(document.text), out.error)) return out;
  out.ok = true;
  return out;
}

WrittenDocument WriteHtmlPaper(const PaperLayout& layout, PaperSource& source,
                               const std::string& folder) {
  return WriteHtmlDocument(HtmlPaper(layout), source, folder);
}

WrittenDocument WriteHtmlAnswers(const PaperLayout& layout, PaperSource& source,
                                 const std::string& folder) {
  return WriteHtmlDocument(HtmlAnswers(layout), source, folder);
}

}  // namespace output
