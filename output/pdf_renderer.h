// Rendering a typed document as a print-ready PDF. The drawing needs a
// toolkit's fonts and PDF writer, so the output layer only names the
// service; the program and the paper command hand an implementation in.
#pragma once

#include <string>

#include "output/document_writer.h"

namespace output {

class PdfRenderer {
 public:
  virtual ~PdfRenderer() = default;
  // Lays the document out on A4 pages (the margins, indents, spacing and
  // picture sizes of its .docx form) and writes it to `path` with its fonts
  // embedded. False with the reason in `error` when it cannot be written.
  virtual bool SavePdf(const Document& document, const std::string& path, std::string* error) = 0;
};

}  // namespace output
