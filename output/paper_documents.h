// From a paper request to documents on disk, whatever the output kind: the
// one road the compose window, mochuan-paper and the tests all take.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/app_context.h"
#include "output/paper_layout.h"
#include "output/paper_request.h"

namespace ui {
class Host;
class Window;
}  // namespace ui

namespace output {

class PdfRenderer;

enum class OutputFormat { Html, Docx, Pdf };

// "html", "docx", "pdf".
std::optional<OutputFormat> ParseOutputFormat(std::string_view name);
const char* OutputFormatName(OutputFormat format);

struct WrittenPaper {
  bool ok = false;
  std::string paperPath;    // the question sheet
  std::string answersPath;  // its answers
  std::string error;        // when !ok: the system's reason, or the kind not built
};

// Writes the paper, then its answers, into `folder`.
// PDF is drawn by `pdf`; without one a PDF is refused with a message.
WrittenPaper WritePaperDocuments(const PaperLayout& layout, PaperSource& source,
                                 const std::string& folder, OutputFormat format,
                                 PdfRenderer* pdf = nullptr);

// The window's "生成A卷"/"生成B卷" after the request is gathered: generation,
// the stop message if building stopped early, the documents in the host's
// temporary folder, both opened with the desktop's default program. A write
// or open failure is shown with its reason. True when both documents were
// written.
bool ProducePaper(ui::Host& host, const ui::Window* owner, const PaperRequest& request,
                  PaperSource& source, app::ProgramRandom& random, OutputFormat format,
                  PdfRenderer* pdf = nullptr);

}  // namespace output
