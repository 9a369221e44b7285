#include "bank_editor/question_rules.h"

#include <algorithm>
#include <set>

#include "text/text.h"

namespace bank_editor {

namespace {

std::vector<std::string> SplitAt(std::string_view s, char sep) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = s.find(sep, start);
    if (at == std::string_view::npos) {
      out.emplace_back(s.substr(start));
      return out;
    }
    out.emplace_back(s.substr(start, at - start));
    start = at + 1;
  }
}

bool HasEqualLines(const std::vector<std::string>& lines) {
  std::set<std::string_view> seen;
  for (const std::string& l : lines)
    if (!seen.insert(l).second) return true;
  return false;
}

bool IsLabelLetter(char c) { return c >= 'A' && c <= 'I'; }

bool StartsWithCircled(std::string_view s) {
  for (const std::string& c : CircledLabels())
    if (s.starts_with(c)) return true;
  return false;
}

// Length in bytes of the UTF-8 character starting at s[i].
std::size_t CharLength(std::string_view s, std::size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  std::size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  return std::min(n, s.size() - i);
}

// A picture-option answer is all label letters or has none: a character
// after the first is compared whole, so the trailing byte of a double-byte
// character never passes for a letter.
bool MixesLabelKinds(std::string_view answer) {
  const bool firstIsLetter = IsLabelLetter(answer.front());
  std::size_t i = CharLength(answer, 0);
  while (i < answer.size()) {
    const std::size_t n = CharLength(answer, i);
    const bool letter = n == 1 && IsLabelLetter(answer[i]);
    if (letter != firstIsLetter) return true;
    i += n;
  }
  return false;
}

RuleFailure Fail(int rule, int column, const char* message) { return {rule, column, message}; }

}  // namespace

const std::vector<std::string>& LetterLabels() {
  static const std::vector<std::string> labels = SplitAt("A/B/C/D/E/F/G/H/I", '/');
  return labels;
}

const std::vector<std::string>& CircledLabels() {
  static const std::vector<std::string> labels = SplitAt("①/②/③/④/⑤/⑥/⑦/⑧/⑨", '/');
  return labels;
}

std::vector<std::string> QuestionLines(std::string_view text) {
  // What follows the last CR LF is a line only when it is not empty.
  std::vector<std::string> lines = text::SplitLines(text);
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

std::string RemoveEmptyLines(std::string_view text) {
  std::vector<std::string> kept;
  for (std::string& line : QuestionLines(text))
    if (!line.empty()) kept.push_back(std::move(line));
  return text::JoinLines(kept);
}

bool SameQuestionContent(std::string_view text1a, std::string_view text2a,
                         std::string_view answerA, std::string_view text1b,
                         std::string_view text2b, std::string_view answerB) {
  if (answerA != answerB) return false;
  if (text1a.size() + text2a.size() != text1b.size() + text2b.size()) return false;
  // Compare the joined texts piecewise, without building them.
  const auto at = [](std::string_view x1, std::string_view x2, std::size_t i) {
    return i < x1.size() ? x1[i] : x2[i - x1.size()];
  };
  const std::size_t n = text1a.size() + text2a.size();
  for (std::size_t i = 0; i < n; ++i)
    if (at(text1a, text2a, i) != at(text1b, text2b, i)) return false;
  return true;
}

QuestionFacts QuestionRow::Facts() const {
  return {groupNumber, text1, picture, text2, answer, answerPicture, type, text::ToInteger(score),
          choice};
}

std::optional<RuleFailure> CheckQuestionRules(const QuestionFacts& q) {
  const bool title = q.isTitle();
  if (q.text1.empty() && q.picture.empty() && q.text2.empty())
    return Fail(1, kColText1, "请输入题目！");
  if (q.type.empty()) return Fail(2, kColType, "请选择题型！");
  if (!title && q.answer.empty() && q.answerPicture.empty() && !q.choice)
    return Fail(3, kColAnswer, "请输入答案！");
  if (!title && q.answer == kAnswerPlaceholder) return Fail(4, kColAnswer, "请完善答案！");
  if (!title) {
    if (q.score < 1 || q.score > 100) return Fail(5, kColScore, "请输入1-100的分值！");
  }
  if (!q.choice) return std::nullopt;

  if (q.text2.empty() && q.picture.empty())
    return Fail(6, kColText2, "选择栏选中表示为选择型题目，题图或题文2应放置题目选项！");
  const std::vector<std::string> options = QuestionLines(q.text2);
  if (!q.text2.empty()) {
    if (options.size() < 2) return Fail(7, kColText2, "题目选项错误！");
    if (options.size() > static_cast<std::size_t>(kMaxTextOptions))
      return Fail(15, kColText2, "选择题的题目选项最多9个（每行一个），请合并或删除多余的选项！");
    if (HasEqualLines(options)) return Fail(8, kColText2, "题目选项重复！");
  }
  if (q.answer.empty()) return Fail(9, kColAnswer, "请输入答案！");
  const std::vector<std::string> answers = QuestionLines(q.answer);
  if (HasEqualLines(answers)) return Fail(10, kColAnswer, "答案选项重复！");

  if (q.text2.empty()) {  // the options are drawn in the picture
    if (!IsLabelLetter(q.answer.front()) && !StartsWithCircled(q.answer))
      return Fail(11, kColAnswer, "题目选项放在题图里时答案编号只能为大写字母或带圈数字！");
    if (MixesLabelKinds(q.answer))
      return Fail(12, kColAnswer, "题目选项放在题图里时答案编号只能大写字母或带圈数字一种！");
    return std::nullopt;
  }
  if (answers.size() > options.size())
    return Fail(13, kColAnswer, "答案选项数不能多于题目选项数！");
  for (const std::string& a : answers)
    if (std::find(options.begin(), options.end(), a) == options.end())
      return Fail(14, kColAnswer, "答案选项内容不能超出题目选项内容！");
  return std::nullopt;
}

// ---- In-place values -----------------------------------------------------------

CellDecision DecideQuestionType(std::string_view typed, std::string_view before,
                                const std::vector<std::string>& libraryTypes) {
  const std::string t = text::TrimSpaces(typed);
  // Only an emptied cell keeps the type; blanks typed are a wrong type.
  if (typed.empty()) {
    // A question keeps its type; a new one takes the first of the library.
    if (!before.empty() || libraryTypes.empty()) return {CellDecision::Kind::Restore, {}, {}};
    return {CellDecision::Kind::Write, libraryTypes.front(), {}};
  }
  if (typed == before) return {};
  if (std::find(libraryTypes.begin(), libraryTypes.end(), t) == libraryTypes.end())
    return {CellDecision::Kind::Restore, {}, "请直接选择题型！"};
  if (t == before) return {CellDecision::Kind::Restore, {}, {}};
  return {CellDecision::Kind::Write, t, {}};
}

CellDecision DecideDifficulty(std::string_view typed, long long before) {
  const long long v = text::ToInteger(typed);
  if (v < 1 || v > 9) return {CellDecision::Kind::Restore, {}, "难度值从1到9，可直接选择！"};
  if (v == before) return {CellDecision::Kind::Restore, {}, {}};
  return {CellDecision::Kind::Write, std::to_string(v), {}};
}

CellDecision DecideScore(std::string_view typed, long long before, bool isTitle) {
  const long long v = text::ToInteger(typed);
  if (v == before) return {};
  if (isTitle) return {CellDecision::Kind::Restore, {}, "不能更改标题分组试题分值！"};
  if (v < 1 || v > 100) return {CellDecision::Kind::Restore, {}, "分值范围为1-100整数！"};
  return {CellDecision::Kind::Write, std::to_string(v), {}};
}

// ---- Question text editor ------------------------------------------------------

std::string TidyEditorText(std::string_view content) {
  std::string t = text::TrimSpaces(content);
  while (t.ends_with("\r\n")) t.resize(t.size() - 2);
  return t;
}

std::optional<std::string> TidyKnowledgePoints(std::string_view content) {
  const std::string s = text::RemoveSpaces(content);
  if (text::GbkLength(s) > kMaxKnowledgeBytes) return std::nullopt;
  std::string out;
  for (std::string_view piece : SplitAt(s, '|')) {
    // A line break typed around a point is no part of it: stored, it would
    // make the point match no other.
    while (!piece.empty() && (piece.front() == '\r' || piece.front() == '\n'))
      piece.remove_prefix(1);
    while (!piece.empty() && (piece.back() == '\r' || piece.back() == '\n'))
      piece.remove_suffix(1);
    if (piece.empty()) continue;
    if (!out.empty()) out += '|';
    out += piece;
  }
  return out;
}

TextEditDecision DecideTextEdit(int column, std::string_view content, std::string_view cellText,
                                const QuestionFacts& row) {
  using Kind = TextEditDecision::Kind;
  const std::string t = TidyEditorText(content);
  if (t == cellText) return {};
  switch (column) {
    case kColKnowledge: {
      std::optional<std::string> k = TidyKnowledgePoints(content);
      if (!k) return {Kind::StayOpen, {}, "知识点长度超标！"};
      return {Kind::Store, std::move(*k), {}};
    }
    case kColText1:
      if (t.empty() && row.picture.empty() && row.text2.empty())
        return {Kind::Close, {}, "题目不能为空！"};
      return {Kind::Store, t, {}};
    case kColText2:
      if (row.text1.empty() && row.picture.empty() && t.empty())
        return {Kind::Close, {}, "题目不能为空！"};
      return {Kind::Store, row.choice ? RemoveEmptyLines(t) : t, {}};
    case kColAnswer:
      if (t.empty() && row.answerPicture.empty() && !row.isTitle())
        return {Kind::Close, {}, "答案不能为空！"};
      return {Kind::Store, row.choice ? RemoveEmptyLines(t) : t, {}};
    default:
      return {};
  }
}

}  // namespace bank_editor
