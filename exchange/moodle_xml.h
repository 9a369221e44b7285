// Moodle XML, the question interchange format learning platforms import:
// a course's bank (or a paper) written out with its pictures embedded, and
// such files read back as questions for the bulk import.
#pragma once

#include <string>
#include <vector>

#include "databases/course_bank.h"
#include "exchange/question_markup.h"
#include "output/paper_layout.h"

namespace exchange {

// One question to write, with its stored pictures.
struct MoodleQuestion {
  databases::Question question;
  Bytes picture, answerPicture;
};

struct MoodleExport {
  std::string xml;
  int written = 0;  // questions written (groups count each row)
  int masked = 0;   // masked questions left out
};

// The bank's questions in record order, grouped by 题型 in the order the
// types first occur, each type under its category "$course$/<course>/<type>";
// masked questions left out, a group's rows kept together (title first, then
// its members in group-number order).
MoodleExport WriteMoodleBank(const std::string& course, const std::vector<MoodleQuestion>& questions);

// A paper in paper order as one category "$course$/<course>/<title>", each
// question with its score in the paper.
MoodleExport WriteMoodlePaper(const std::string& course, const std::string& title,
                              const std::vector<MoodleQuestion>& questions);

// Reads the bank's questions with their pictures and writes them to `path`
// as Moodle XML, replacing any file of that name. False with the reason when
// the bank cannot be read or the file written.
bool ExportBankToMoodleFile(databases::CourseBank& bank, const std::string& course,
                            const std::string& path, MoodleExport& result, std::string& error);

// A paper's questions (record ids in paper order, each with its score in
// the paper) read from the bank with their pictures and written to `path` as
// one category named `title`.
bool ExportPaperToMoodleFile(databases::CourseBank& bank, const std::string& course,
                             const std::string& title,
                             const std::vector<std::pair<std::int64_t, int>>& paper,
                             const std::string& path, MoodleExport& result, std::string& error);

// A generated paper's title as its category: the paper title without its
// last word ("  试题"). The file is usually named after it plus ".xml".
std::string MoodlePaperTitle(const output::PaperLayout& layout);

// A generated paper as Moodle XML at `path`: its questions in paper order
// with their scores, as the bank holds them (the platform shuffles options).
bool ExportLayoutToMoodleFile(databases::CourseBank& bank, const std::string& course,
                              const output::PaperLayout& layout, const std::string& path,
                              MoodleExport& result, std::string& error);

// Reads a Moodle XML file into questions for the bulk import: multichoice,
// truefalse, shortanswer, numerical, essay, and description (the head of a
// group when the questions after it say so). `libraryTypes` are the type
// library's names; a category's last part that names one of them becomes the
// type. False with a reason when the file is no Moodle XML.
bool ReadMoodleXml(const std::string& xml, const std::vector<std::string>& libraryTypes,
                   ParsedDocument& out, std::string& error);

// Whether the bytes look like a Moodle XML file.
bool LooksLikeMoodleXml(std::string_view bytes);

}  // namespace exchange
