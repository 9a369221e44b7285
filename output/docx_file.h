// Saving a typed document as an Office Open XML word-processing file
// (.docx) that the common word processors open and edit.
#pragma once

#include <string>

#include "output/document_writer.h"

namespace output {

// Writes `document` to `path` (replacing a file there only once the new one
// is complete). False with the reason in `error` when it cannot be written.
bool SaveDocx(const Document& document, const std::string& path, std::string* error = nullptr);

// The main part, word/document.xml, on its own.
std::string DocumentXml(const Document& document);

}  // namespace output
