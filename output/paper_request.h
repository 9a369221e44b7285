// Everything paper generation needs, gathered by its caller (the compose
// window from its grids and choices, mochuan-paper from a plan): the paper's
// questions in compose-grid order, the type order, the totals, the stamps and
// the numbering choices. Generation reads nothing else but the bank, through
// `PaperSource`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "databases/course_bank.h"

namespace output {

enum class Paper { A, B };

// "A卷" / "B卷": the word in titles and the prefix of picture file names.
inline const char* PaperWord(Paper p) { return p == Paper::A ? "A卷" : "B卷"; }

// The two option label series, chosen by `组合框选项编号类型` ("A" / "①").
enum class OptionLabels { Letters, Circled };

// The nine labels of a series.
const std::vector<std::string>& OptionLabelSeries(OptionLabels series);

// One row of the type-order grid, in section order.
struct TypeOrderEntry {
  std::string type;              // "题型"
  int batchScore = 0;            // "调分" as an integer; 0 = none
  bool answerOnNewLine = false;  // "答案换行": answers of this type one per line
};

// One row of the paper's per-type score grid.
struct TypeScore {
  std::string type;
  int score = 0;
};

// The compose window's output choices.
struct PaperChoices {
  // Labels of the chosen section numbering type: section k takes
  // sectionLabels[k - 1].
  std::vector<std::string> sectionLabels;
  std::string sectionSuffix = ". ";  // `组合框大题编号后缀`
  OptionLabels optionLabels = OptionLabels::Letters;
  std::string optionSuffix = ". ";   // `组合框选项编号后缀`: ". ", " " or "）"
  bool sectionScoreNote = false;     // "大题分值说明"
  bool optionsOnOwnLines = false;    // "选项换行"
  bool continuousNumbering = false;  // "小题连续编号"
};

struct PaperRequest {
  std::string course;  // the selected course's name
  Paper paper = Paper::A;

  // The rows ticked for this paper, in compose-grid order (group order:
  // each title followed by its members), with the grid's scores, flags and
  // difficulties; answers and markers as stored.
  std::vector<databases::Question> questions;

  std::vector<TypeOrderEntry> typeOrder;
  // "题型库" as read: the paper prints a type's "说明" under its heading.
  std::vector<databases::QuestionType> types;
  // The paper's per-type score grid and its total (`A卷总分` / `B卷总分`).
  std::vector<TypeScore> typeScores;
  int paperTotal = 0;
  int similarity = 0;  // `标签相似度`

  std::string selectionStamp;   // `SelectionStamp`, 14 digits
  std::string generationStamp;  // `GenerationStamp`, 14 digits

  PaperChoices choices;
};

// A picture of a record: "题图数据" or "答图数据".
struct PictureRef {
  std::int64_t recordId = 0;
  databases::PictureKind kind = databases::PictureKind::Question;
  bool operator==(const PictureRef&) const = default;
};

// What generation and the renderers read from the course bank.
class PaperSource {
 public:
  virtual ~PaperSource() = default;
  // The other questions with this "题文1" (id != exceptId), in record order:
  // candidates for the twin of a picture-options question.
  virtual std::vector<databases::Question> SameText1(const std::string& text1,
                                                     std::int64_t exceptId) = 0;
  // The picture's file bytes; false with the reason when it cannot be read.
  virtual bool ReadPicture(const PictureRef& ref, std::vector<std::uint8_t>& bytes,
                           std::string& error) = 0;
};

// A `PaperSource` over an open course bank. The bank is read whole at the
// first twin search, so a paper of many picture-options questions reads it
// once.
class CourseBankSource : public PaperSource {
 public:
  explicit CourseBankSource(databases::CourseBank& bank) : bank_(bank) {}
  std::vector<databases::Question> SameText1(const std::string& text1,
                                             std::int64_t exceptId) override;
  bool ReadPicture(const PictureRef& ref, std::vector<std::uint8_t>& bytes,
                   std::string& error) override;

 private:
  databases::CourseBank& bank_;
  bool loaded_ = false;
  std::vector<databases::Question> all_;
};

}  // namespace output
