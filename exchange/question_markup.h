// The markup teachers write questions in: numbered questions, lettered
// options, answer lines or a key at the end, section headings that give the
// type and score, and a few labelled lines (知识点, 难度, 分值, 题型, 解析).
// Half-width and full-width forms are read alike.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "exchange/source_document.h"

namespace exchange {

struct ParsedQuestion {
  int line = 0;                      // source line of its number
  std::string number;                // as written, e.g. "3" or "(2)"
  std::string stem;                  // the text before the options, lines joined by CR LF
  std::vector<std::string> options;  // option texts without their labels
  std::vector<int> starred;          // 0-based options marked "*"
  std::string answer;                // as written on its answer line or in the key
  bool answerGiven = false;
  std::string knowledge;             // parts joined by "|"
  std::string statedType;            // from a 题型 line
  std::string sectionType;           // from the section heading above it
  std::optional<int> difficulty, score, sectionScore;
  Bytes picture, answerPicture;
  bool equation = false;
  bool explanation = false;          // a 解析 was read and left out
  std::vector<std::string> problems;  // "第12行：…"
  std::vector<ParsedQuestion> members;  // the numbered sub-questions of a material
  // Set by formats that say these outright instead of leaving them to be
  // inferred.
  std::optional<bool> choice;  // a choice question, text or picture options
  std::string groupName;       // a material's group name
  std::string text2;           // text after the picture of a question without options
  bool bankPictures = false;   // pictures are a bank's own (JPEG or BMP), kept as they are
};

struct ParsedDocument {
  std::vector<ParsedQuestion> questions;
  std::vector<std::string> problems;  // lines that belong to no question
  int explanations = 0;
};

ParsedDocument ParseQuestionMarkup(const SourceDocument& doc);

// A section heading's type name as the bank names types: "单选题" -> "选择",
// "判断题" -> "判断", "简答题" -> "问答"; a name it does not know is kept
// without its trailing "题".
std::string TypeFromHeading(const std::string& heading);

}  // namespace exchange
