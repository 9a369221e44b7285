#include "output/word_output.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "output/docx_file.h"
#include "output/file_writing.h"
#include "output/pdf_renderer.h"

namespace output {

namespace {

constexpr double kHeadingSize = 14;
constexpr double kTextSize = 10;

std::string reason(int code) { return std::strerror(code); }

// Writes the picture to a fresh file of its own, so no other picture, run
// or program can change it before it is inserted.
class PictureFile {
 public:
  PictureFile(const std::string& folder, const Bytes& bytes, std::string& error) {
    std::string pattern = JoinPath(folder.empty() ? "." : folder, "picture-XXXXXX");
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
      error = "无法建立图片临时文件 " + pattern + "：" + reason(errno);
      return;
    }
    path_ = pattern;
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error = "无法写入图片临时文件 " + path_ + "：" + reason(errno);
        ::close(fd);
        return;
      }
      done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
      error = "无法写入图片临时文件 " + path_ + "：" + reason(errno);
      return;
    }
    ok_ = true;
  }
  ~PictureFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  PictureFile(const PictureFile&) = delete;
  PictureFile& operator=(const PictureFile&) = delete;

  bool ok() const { return ok_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool ok_ = false;
};

// The typing both documents share.
class Typist {
 public:
  Typist(DocumentWriter& w, PaperSource& source, const std::string& folder)
      : w_(w), source_(source), folder_(folder) {}

  void documentStart(const std::string& title) {
    w_.SetTitle(title);
    w_.SetAlignment(kAlignCentre);
    type(title);
    paragraph();
    w_.SetAlignment(kAlignLeft);
  }

  void type(std::string_view text) {
    w_.TypeText(text);
    trailingSeparator_ = false;
  }
  void typeSeparator() {
    w_.TypeText(kRunOnSeparator);
    trailingSeparator_ = true;
  }
  // Removes the separator after the last answer, and only that: a section
  // that typed none keeps what stands before.
  void removeSeparator() {
    if (!trailingSeparator_) return;
    for (std::size_t i = 0; i < kRunOnSeparator.size(); ++i) w_.TypeBackspace();
    trailingSeparator_ = false;
  }
  void paragraph() {
    w_.TypeParagraph();
    trailingSeparator_ = false;
  }
  void indent(const Indent& i) {
    w_.SetParagraphFormat("CharacterUnitLeftIndent", i.left);
    w_.SetParagraphFormat("CharacterUnitFirstLineIndent", i.firstLine);
  }
  // A later heading is typed on a paragraph that inherits the indents of
  // the question before it; a hanging number's first-line indent would put
  // the heading into the left margin, so it is cleared.
  void headingIndent(double left) { indent({left, 0}); }
  void font(double size, int bold) {
    w_.SetFontSize(size);
    w_.SetBold(bold);
  }
  static const Indent& hanging(int number) { return number < 10 ? kHangingOneDigit : kHangingTwoDigits; }

  void heading(const LayoutSection& s) {
    font(kHeadingSize, 1);
    type(s.heading);
    if (!s.scoreNote.empty()) type(s.scoreNote);
  }

  // The text up to its first line break on this paragraph, the rest (later
  // breaks kept) on a new one, indented as a continuation when asked.
  void typeSplitAtFirstBreak(const std::string& text, bool continuation) {
    const auto at = text.find("\r\n");
    if (at == std::string::npos) {
      type(text);
      return;
    }
    type(std::string_view(text).substr(0, at));
    paragraph();
    if (continuation) indent(kContinuation);
    type(std::string_view(text).substr(at + 2));
  }

  bool picture(const PictureRef& ref, std::string& error) {
    Bytes bytes;
    if (!source_.ReadPicture(ref, bytes, error)) return false;
    PictureFile file(folder_, bytes, error);
    if (!file.ok()) return false;
    // A picture no writer can read is left out, as a word processor does.
    if (w_.AddPicture(file.path())) trailingSeparator_ = false;
    return true;
  }

  DocumentWriter& writer() { return w_; }

 private:
  DocumentWriter& w_;
  PaperSource& source_;
  const std::string& folder_;
  bool trailingSeparator_ = false;
};

WrittenDocument save(const PaperLayout& layout, PaperSource& source, const std::string& folder,
                     WordFormat format, PdfRenderer* pdf, bool answers) {
  WrittenDocument out;
  const std::string& title = answers ? layout.answersTitle : layout.paperTitle;
  out.path = JoinPath(folder, title + (format == WordFormat::Pdf ? ".pdf" : ".docx"));
  if (format == WordFormat::Pdf && !pdf) {
    out.error = "无法输出 PDF：本程序没有 PDF 输出部件";
    return out;
  }
  if (!folder.empty() && !MakeFolder(folder, out.error)) return out;
  DocumentWriter writer;
  const bool typed = answers ? TypeWordAnswers(layout, source, folder, writer, out.error)
                             : TypeWordPaper(layout, source, folder, writer, out.error);
  if (!typed) return out;
  std::string error;
  const bool saved = format == WordFormat::Pdf ? pdf->SavePdf(writer.document(), out.path, &error)
                                               : SaveDocx(writer.document(), out.path, &error);
  if (!saved) {
    out.error = "无法写入文件 " + out.path + "：" + error;
    return out;
  }
  out.ok = true;
  return out;
}

}  // namespace

bool TypeWordPaper(const PaperLayout& layout, PaperSource& source, const std::string& pictureFolder,
                   DocumentWriter& writer, std::string& error) {
  Typist t(writer, source, pictureFolder);
  DocumentWriter& w = t.writer();
  t.documentStart(layout.paperTitle);
  for (const LayoutSection& section : layout.sections) {
    t.paragraph();
    if (section.index > 1) {
      t.paragraph();
      t.headingIndent(kPaperSectionGap);
    }
    t.heading(section);
    if (!section.description.empty()) {
      t.paragraph();
      w.SetAlignment(kAlignJustify);
      w.SetStyle(kNormalStyleName);
      t.font(kTextSize, 0);
      t.type(section.description);
    }
    for (const LayoutRow& row : section.rows) {
      t.paragraph();
      w.SetAlignment(kAlignJustify);
      w.SetStyle(kNormalStyleName);
      t.font(kTextSize, 0);
      if (row.numbered) {
        t.indent(Typist::hanging(row.number));
        t.type(row.numberText);
      }
      t.typeSplitAtFirstBreak(row.text1, row.numbered);
      if (row.picture) {
        t.paragraph();
        if (row.numbered) t.indent(kContinuation);
        if (!t.picture(*row.picture, error)) return false;
      }
      if (!row.text2.empty()) {
        t.paragraph();
        if (row.numbered) t.indent(kContinuation);
        t.type(row.text2);
        if (layout.optionsOnOwnLines) t.paragraph();
      }
    }
  }
  return true;
}

bool TypeWordAnswers(const PaperLayout& layout, PaperSource& source, const std::string& pictureFolder,
                     DocumentWriter& writer, std::string& error) {
  Typist t(writer, source, pictureFolder);
  DocumentWriter& w = t.writer();
  t.documentStart(layout.answersTitle);
  bool previousRunOn = false;
  for (const LayoutSection& section : layout.sections) {
    if (previousRunOn) t.removeSeparator();
    if (!section.answersRunOn) t.paragraph();
    t.paragraph();
    if (section.index > 1) {
      t.paragraph();
      t.headingIndent(kAnswersSectionGap);
    }
    t.heading(section);
    t.paragraph();
    bool first = true;
    for (const LayoutRow& row : section.rows) {
      if (!first && !section.answersRunOn) t.paragraph();
      first = false;
      w.SetParagraphFormat("LineSpacingRule", kLineSpacingOneAndHalf);
      w.SetParagraphFormat("Alignment", kAlignJustify);
      t.font(kTextSize, 0);
      if (!row.numbered) continue;
      t.indent(section.answersRunOn ? kRunOnAnswer : Typist::hanging(row.number));
      t.type(row.numberText);
      t.typeSplitAtFirstBreak(row.answer, true);
      if (row.answerPicture) {
        t.paragraph();
        if (!t.picture(*row.answerPicture, error)) return false;
      }
      if (section.answersRunOn) t.typeSeparator();
    }
    previousRunOn = section.answersRunOn;
  }
  return true;
}

WrittenDocument WriteWordPaper(const PaperLayout& layout, PaperSource& source, const std::string& folder,
                               WordFormat format, PdfRenderer* pdf) {
  return save(layout, source, folder, format, pdf, false);
}

WrittenDocument WriteWordAnswers(const PaperLayout& layout, PaperSource& source, const std::string& folder,
                                 WordFormat format, PdfRenderer* pdf) {
  return save(layout, source, folder, format, pdf, true);
}

}  // namespace output
