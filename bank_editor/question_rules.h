// What makes a question of a course bank complete and well formed, the
// duplicate rule, and the checks of values a person changes in place or in
// the question text editor. Plain functions over plain values: the editor
// window reads the grid row, asks here, and acts on the answer.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bank_editor {

// Columns of the bank grid 高级表格1: column c shows question field c + 1;
// the hidden last column holds the record id.
enum BankColumn : int {
  kColKnowledge = 0,      // 知识点
  kColGroupName = 1,      // 分组名
  kColGroupNumber = 2,    // 分组号
  kColText1 = 3,          // 题文1
  kColPicture = 4,        // 题图
  kColText2 = 5,          // 题文2
  kColAnswer = 6,         // 答案
  kColAnswerPicture = 7,  // 答图
  kColType = 8,           // 题型
  kColDifficulty = 9,     // 难度
  kColScore = 10,         // 分值
  kColChoice = 11,        // 选择
  kColFixedScore = 12,    // 定分
  kColMasked = 13,        // 屏蔽
  kColRecordId = 14,      // record id (hidden)
};
inline constexpr int kBankColumnCount = 15;

// The answer a new group title leaves behind until a real one is written.
inline constexpr std::string_view kAnswerPlaceholder = "请输入答案";

// The option labels of choice questions, built once.
const std::vector<std::string>& LetterLabels();   // "A" … "I"
const std::vector<std::string>& CircledLabels();  // "①" … "⑨"

// Most text options a choice question can carry: papers label them with
// the nine letters or circled digits.
inline constexpr int kMaxTextOptions = 9;

// The values of a question the rules look at, borrowed from wherever the
// question is kept.
struct QuestionFacts {
  std::string_view groupNumber;
  std::string_view text1;
  std::string_view picture;  // "√" or empty
  std::string_view text2;
  std::string_view answer;
  std::string_view answerPicture;
  std::string_view type;
  long long score = 0;
  bool choice = false;

  bool isTitle() const { return groupNumber == "0"; }
};

// The same values as texts, 分值 as a grid shows it (empty for 0), for
// callers that hold questions as texts.
struct QuestionRow {
  std::string groupNumber;
  std::string text1;
  std::string picture;  // "√" or empty
  std::string text2;
  std::string answer;
  std::string answerPicture;
  std::string type;
  std::string score;    // the 分值 cell as shown
  bool choice = false;

  bool isTitle() const { return groupNumber == "0"; }
  QuestionFacts Facts() const;
};

// The first broken rule: its number in the rule order, the column the
// cursor goes to, and the message shown.
struct RuleFailure {
  int rule = 0;
  int column = 0;
  std::string message;
};

// Rules 1 … 14 in order (the nine-option limit is checked right after
// rule 7); nullopt when the question satisfies them all.
std::optional<RuleFailure> CheckQuestionRules(const QuestionFacts& q);
inline std::optional<RuleFailure> CheckQuestionRules(const QuestionRow& q) {
  return CheckQuestionRules(q.Facts());
}

// The lines of a text: cut at every CR LF; the piece before each CR LF is a
// line even when empty; the rest after the last CR LF is a line only when
// not empty; an empty text has no lines.
std::vector<std::string> QuestionLines(std::string_view text);

// The non-empty lines joined with CR LF.
std::string RemoveEmptyLines(std::string_view text);

// True when two questions have the same content: 题文1 followed by 题文2
// and the 答案 equal byte for byte (so "AB" + "C" equals "A" + "BC").
bool SameQuestionContent(std::string_view text1a, std::string_view text2a,
                         std::string_view answerA, std::string_view text1b,
                         std::string_view text2b, std::string_view answerB);

// ---- In-place values of a single question ----------------------------------

// What becomes of an in-place edit.
struct CellDecision {
  enum class Kind {
    Nothing,  // leave cell and record as they are
    Write,    // show `value` in the cell and store it
    Restore,  // put the pre-edit value back; show `message` when not empty
  };
  Kind kind = Kind::Nothing;
  std::string value;
  std::string message;
};

// 题型: `typed` is the cell after editing, `before` the pre-edit text,
// `libraryTypes` the types of the question-type library in record order.
CellDecision DecideQuestionType(std::string_view typed, std::string_view before,
                                const std::vector<std::string>& libraryTypes);
// 难度: the cell text after editing and the pre-edit number.
CellDecision DecideDifficulty(std::string_view typed, long long before);
// 分值 of a single question or a member; a title's score is refused.
CellDecision DecideScore(std::string_view typed, long long before, bool isTitle);

// ---- Question text editor --------------------------------------------------

// The text the editor's "确定" takes: spaces (ASCII and full-width) trimmed
// at both ends, then CR LF pairs removed from the end while it ends with one.
std::string TidyEditorText(std::string_view content);

inline constexpr std::size_t kMaxKnowledgeBytes = 512;
inline constexpr std::size_t kMaxGroupNameBytes = 512;

// 知识点 as stored: every space removed, cut at "|", line breaks at the
// ends of each piece and empty pieces dropped, joined with "|". nullopt
// when the text without spaces is longer than 512 GBK bytes.
std::optional<std::string> TidyKnowledgePoints(std::string_view content);

// What "确定" in the question text editor does for one column.
struct TextEditDecision {
  enum class Kind {
    Close,        // close without change (after `message` when not empty)
    StayOpen,     // keep the editor open after `message`
    Store,        // cell and field := value, then close
  };
  Kind kind = Kind::Close;
  std::string value;
  std::string message;
};

// `column` is one of 知识点, 题文1, 题文2, 答案 (分组名 follows the group
// rules); `content` the edit box, `cellText` the cell before editing, `row`
// the other values of the question.
TextEditDecision DecideTextEdit(int column, std::string_view content, std::string_view cellText,
                                const QuestionFacts& row);
inline TextEditDecision DecideTextEdit(int column, std::string_view content,
                                       std::string_view cellText, const QuestionRow& row) {
  return DecideTextEdit(column, content, cellText, row.Facts());
}

}  // namespace bank_editor
