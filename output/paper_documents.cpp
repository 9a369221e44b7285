#include "output/paper_documents.h"

#include "output/html_output.h"
#include "output/paper_generation.h"
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
                                 const std::string& folder, OutputFormat format) {
  WrittenPaper out;
  if (format != OutputFormat::Html) {
    out.error = std::string("尚不能输出 ") + OutputFormatName(format) + " 格式的试卷";
    return out;
  }
  const WrittenDocument paper = WriteHtmlPaper(layout, source, folder);
  out.paperPath = paper.path;
  if (!paper.ok) {
    out.error = paper.error;
    return out;
  }
  const WrittenDocument answers = WriteHtmlAnswers(layout, source, folder);
  out.answersPath = answers.path;
  if (!answers.ok) {
    out.error = answers.error;
    return out;
  }
  out.ok = true;
  return out;
}

bool ProducePaper(ui::Host& host, const ui::Window* owner, const PaperRequest& request,
                  PaperSource& source, app::ProgramRandom& random, OutputFormat format) {
  const PaperLayout layout = GeneratePaper(request, source, random);
  if (!layout.stopMessage.empty()) host.messageBox(owner, layout.stopMessage);
  const WrittenPaper written = WritePaperDocuments(layout, source, host.temporaryFolder(), format);
  if (!written.ok) {
    host.messageBox(owner, written.error, ui::kMessageCaption, ui::MessageButtons::Ok,
                    ui::MessageIcon::Error);
    return false;
  }
  for (const std::string& path : {written.paperPath, written.answersPath})
    if (!host.openDocument(path))
      host.messageBox(owner, "无法打开 " + path + "，请在文件夹中直接打开它。", ui::kMessageCaption,
                      ui::MessageButtons::Ok, ui::MessageIcon::Warning);
  return true;
}

}  // namespace output
