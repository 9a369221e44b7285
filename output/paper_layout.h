// The layout model of a generated paper: what every renderer (HTML, Word,
// PDF) walks. Generation decides everything that does not depend on the
// output kind (order, numbers, labels, score notes, shuffled options); a
// renderer only turns these pieces into its own document.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "output/paper_request.h"

namespace output {

// One row of the paper list, in print order.
struct LayoutRow {
  std::int64_t recordId = 0;  // the record its texts and pictures come from
  std::string groupNumber;    // "分组号"
  std::string type;           // "题型"
  int score = 0;              // "分值"

  // Title questions ("分组号" "0") are not numbered: number 0, numberText "".
  bool numbered = false;
  int number = 0;          // n, per section or continuous
  std::string numberText;  // n + ". "

  std::string text1;                  // "题文1", CR LF between lines
  std::optional<PictureRef> picture;  // "题图数据", when the row has a picture
  // "题文2": the options. For a choice question with text options, the
  // shuffled options, each followed by five spaces ("A. 甲     B. 乙     ").
  std::string text2;
  bool optionsShuffled = false;

  std::string answer;                       // "答案" (labels, for a shuffled question)
  std::optional<PictureRef> answerPicture;  // "答图数据"
};

struct LayoutSection {
  int index = 0;      // k: 1 for the first section
  std::string type;   // t
  std::string label;  // the numbering table's label of section k
  // label + `组合框大题编号后缀` + t
  std::string heading;
  // "（每题X分，共T分）" or "（共T分）"; empty when "大题分值说明" is off.
  std::string scoreNote;
  // The type's "说明" from "题型库" (printed under the heading of the paper
  // only); may be empty.
  std::string description;
  // "答案换行" off: the answers of this section follow each other on one line.
  bool answersRunOn = true;
  std::vector<LayoutRow> rows;
};

struct PaperLayout {
  Paper paper = Paper::A;
  std::string paperTitle;    // `PaperTitle` ending "  试题"
  std::string answersTitle;  // `PaperTitle` ending "  答案"
  bool optionsOnOwnLines = false;  // "选项换行"
  std::vector<LayoutSection> sections;
  // Set when building stopped early (a picture-options question without a
  // fitting twin, more than nine options, too few section labels): the
  // message to show. The sections hold the rows built before it.
  std::string stopMessage;

  bool empty() const { return sections.empty(); }
};

}  // namespace output
