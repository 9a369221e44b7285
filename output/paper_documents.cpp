#include "output/paper_documents.h"

#include "output/html_output.h"
#include "output/paper_generation.h"
#include "output/word_output.h"
#include "ui/host.h"

namespace output {

std::optional<OutputFormat> ParseOutputFormat(std::string_view name) {
  if (name == "html") return OutputFormat::Html;
  if (name == "docx") return OutputFormat::Docx;
  if (name == "pdf") return OutputFormat::Pdf;
  return std::nullopt;
}

const char* OutputFormatName(OutputFormat format) {
  switch (format) {
    case OutputFormat::Html: return "html";
    case OutputFormat::Docx: return "docx";
    case OutputFormat::Pdf: return "pdf";
  }
  return "html";
}

WrittenPaper WritePaperDocuments(const PaperLayout& layout, PaperSource& source,
                                 const std::string& folder, OutputFormat format, PdfRenderer* pdf) {
  const auto write = [&](bool answers) {
    if (format == OutputFormat::Html)
      return answers ? WriteHtmlAnswers(layout, source, folder) : WriteHtmlPaper(layout, source, folder);
    const WordFormat word = format == OutputFormat::Pdf ? WordFormat::Pdf : WordFormat::Docx;
    return answers ? WriteWordAnswers(layout, source, folder, word, pdf)
                   : WriteWordPaper(layout, source, folder, word, pdf);
  };
  WrittenPaper out;
  const WrittenDocument paper = write(false);
  out.paperPath = paper.path;
  if (!paper.ok) {
    out.error = paper.error;
    return out;
  }
  const WrittenDocument answers = write(true);
  out.answersPath = answers.path;
  if (!answers.ok) {
    out.error = answers.error;
    return out;
  }
  out.ok = true;
  return out;
}

bool ProducePaper(ui::Host& host, const ui::Window* owner, const PaperRequest& request,
                  PaperSource& source, app::ProgramRandom& random, OutputFormat format,
                  PdfRenderer* pdf) {
  const PaperLayout layout = GeneratePaper(request, source, random);
  if (!layout.stopMessage.empty()) host.MessageBox(owner, layout.stopMessage);
  const WrittenPaper written = WritePaperDocuments(layout, source, host.TemporaryFolder(), format, pdf);
  if (!written.ok) {
    host.MessageBox(owner, written.error, ui::kMessageCaption, ui::MessageButtons::Ok,
                    ui::MessageIcon::Error);
    return false;
  }
  for (const std::string& path : {written.paperPath, written.answersPath})
    if (!host.OpenDocument(path))
      host.MessageBox(owner, "无法打开 " + path + "，请在文件夹中直接打开它。", ui::kMessageCaption,
                      ui::MessageButtons::Ok, ui::MessageIcon::Warning);
  return true;
}

}  // namespace output
