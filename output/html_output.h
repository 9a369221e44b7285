// HTML output: the paper and its answers as two GB18030 files built from
// fixed pieces, each document's pictures in a folder beside it
// (document name + ".files"), referenced by relative path.
#pragma once

#include <string>
#include <vector>

#include "output/paper_layout.h"
#include "output/paper_request.h"

namespace output {

// A picture a document refers to: where its bytes come from and the file
// name inside the document's picture folder (P + "试题"/"答案" + i + ".jpg").
struct HtmlPicture {
  PictureRef ref;
  std::string fileName;
};

struct HtmlDocument {
  std::string fileName;       // `PaperTitle` + ".html"
  std::string pictureFolder;  // `PaperTitle` + ".files"
  std::string text;           // UTF-8; written as GB18030
  std::vector<HtmlPicture> pictures;
};

// The documents without touching the disk.
HtmlDocument HtmlPaper(const PaperLayout& layout);
HtmlDocument HtmlAnswers(const PaperLayout& layout);

// The outcome of writing one document.
struct WrittenDocument {
  bool ok = false;
  std::string path;   // the document's full path
  std::string error;  // when !ok: what could not be written and the system's reason
};

// Writes the pictures, then the document, into `folder`.
WrittenDocument WriteHtmlDocument(const HtmlDocument& document, PaperSource& source,
                                  const std::string& folder);

WrittenDocument WriteHtmlPaper(const PaperLayout& layout, PaperSource& source,
                               const std::string& folder);
WrittenDocument WriteHtmlAnswers(const PaperLayout& layout, PaperSource& source,
                                 const std::string& folder);

// Text as HTML shows it literally: & < > " ' escaped.
std::string EscapeHtml(const std::string& s);

}  // namespace output
