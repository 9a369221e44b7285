// Turning questions read from a document into questions of a course bank:
// options into the editor's text-option form, types inferred, defaults from
// the section and the bank, every question checked by the bank's rules and
// the duplicate rule, and the whole lot written in one step or not at all.
#pragma once

#include <string>
#include <vector>

#include "databases/course_bank.h"
#include "exchange/question_markup.h"

namespace exchange {

struct ImportRow {
  enum class Status { Importable, Duplicate, Refused };

  databases::Question question;  // as it would be written (id 0)
  Bytes picture, answerPicture;  // stored picture bytes (JPEG)
  int line = 0;                  // source line of its number
  std::string number;            // as written
  Status status = Status::Importable;
  std::string reason;            // why it is refused or left out
  std::vector<std::string> notes;  // problems met in its lines
};

struct ImportPreview {
  std::vector<ImportRow> rows;        // in document order; groups title first
  std::vector<std::string> problems;  // every problem, "第N行：…", in line order
  int read = 0, importable = 0, duplicates = 0, refused = 0, explanations = 0;
  std::vector<std::string> newTypes;  // types the type library does not have yet
};

// `bank` holds the bank's questions as they stand, `libraryTypes` the names
// in "题型库".
ImportPreview PrepareImport(const ParsedDocument& doc, const std::vector<databases::Question>& bank,
                            const std::vector<std::string>& libraryTypes);

// Appends the importable rows to the bank, in order. All or nothing: when a
// write fails, the questions appended so far are taken out again and the
// reason is given.
bool WriteImport(databases::CourseBank& bank, const ImportPreview& preview, std::string& error);

// The text of a picture problem, or empty when `bytes` are stored as they
// are or could be turned into JPEG (in `stored`). A BMP is kept as it is
// with `keepBmp` (a bank's own clipboard pictures), converted otherwise.
std::string StorePicture(const Bytes& bytes, Bytes& stored, bool keepBmp = false);

}  // namespace exchange

namespace exchange {

// Reads a question file and prepares it against the bank as it stands and
// the type library. False with a reason when the file cannot be read or the
// bank or library cannot.
bool PrepareDocumentImport(const std::string& path, databases::CourseBank& bank,
                           databases::TypeLibrary& types, ImportPreview& preview,
                           std::string& error);

// Writes the importable rows and adds their new types to the library; all
// or nothing.
bool WriteDocumentImport(databases::CourseBank& bank, databases::TypeLibrary& types,
                         const ImportPreview& preview, std::string& error);

}  // namespace exchange
