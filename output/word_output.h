// Word output: the paper and its answers typed into the document writer
// piece by piece, the way a word processor is driven at its insertion point,
// then saved as .docx (or, from the same typed document, as PDF).
#pragma once

#include <string>

#include "output/document_writer.h"
#include "output/html_output.h"
#include "output/paper_layout.h"
#include "output/paper_request.h"

namespace output {

class PdfRenderer;

// Indents in character units, as the writer's paragraph format takes them.
struct Indent {
  double left = 0;
  double firstLine = 0;
};
inline constexpr double kPaperSectionGap = 0.01;    // left indent of the paper's later headings
inline constexpr double kAnswersSectionGap = -0.1;  // the same in the answers
inline constexpr Indent kHangingOneDigit{1.5, -1.5};
inline constexpr Indent kHangingTwoDigits{1, -2};
inline constexpr Indent kRunOnAnswer{1, 0.01};
inline constexpr Indent kContinuation{3.2, 0.01};

// Eight spaces follow each answer of a section whose answers run on.
inline constexpr std::string_view kRunOnSeparator = "        ";

// Types the question sheet (`PaperTitle` ending "  试题") into `writer`.
// Each picture goes through a temporary file of its own in `pictureFolder`,
// removed once inserted. False with the reason when a picture cannot be
// read from the bank or written to its file; a picture whose bytes no
// writer can read is left out, as a word processor would.
bool TypeWordPaper(const PaperLayout& layout, PaperSource& source, const std::string& pictureFolder,
                   DocumentWriter& writer, std::string& error);
// Types the answers (`PaperTitle` ending "  答案").
bool TypeWordAnswers(const PaperLayout& layout, PaperSource& source, const std::string& pictureFolder,
                     DocumentWriter& writer, std::string& error);

enum class WordFormat { Docx, Pdf };

// Types and saves the document as `PaperTitle` + ".docx" (or ".pdf", drawn
// by `pdf`, which must then be given) in `folder`.
WrittenDocument WriteWordPaper(const PaperLayout& layout, PaperSource& source, const std::string& folder,
                               WordFormat format = WordFormat::Docx, PdfRenderer* pdf = nullptr);
WrittenDocument WriteWordAnswers(const PaperLayout& layout, PaperSource& source, const std::string& folder,
                                 WordFormat format = WordFormat::Docx, PdfRenderer* pdf = nullptr);

}  // namespace output
