#include "exchange/question_markup.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace exchange {

namespace {

// A line with full-width letters, digits and punctuation folded to ASCII,
// remembering where each folded byte came from so pieces of the original can
// be cut out.
struct Folded {
  std::string_view original;
  std::string s;
  std::vector<std::size_t> at;  // at[i]: original offset of folded byte i

  explicit Folded(std::string_view text) : original(text) {
    std::size_t i = 0;
    while (i < text.size()) {
      const auto c = static_cast<unsigned char>(text[i]);
      std::size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
      len = std::min(len, text.size() - i);
      char32_t cp = 0;
      if (len == 3) {
        cp = ((c & 0x0F) << 12) | ((static_cast<unsigned char>(text[i + 1]) & 0x3F) << 6) |
             (static_cast<unsigned char>(text[i + 2]) & 0x3F);
      }
      if (len == 3 && cp >= 0xFF01 && cp <= 0xFF5E) {
        Push(static_cast<char>(cp - 0xFEE0), i);
      } else if (len == 3 && cp == 0x3000) {
        Push(' ', i);
      } else if (len == 1 && c == '\t') {
        Push(' ', i);
      } else {
        for (std::size_t k = 0; k < len; ++k) Push(text[i + k], i);
      }
      i += len;
    }
  }
  void Push(char ch, std::size_t origin) {
    s.push_back(ch);
    at.push_back(origin);
  }
  std::size_t Origin(std::size_t i) const { return i < at.size() ? at[i] : original.size(); }
  // The original text of folded bytes [from, to).
  std::string Slice(std::size_t from, std::size_t to = std::string::npos) const {
    const std::size_t a = Origin(from), b = Origin(std::min(to, s.size()));
    return std::string(original.substr(a, b - a));
  }
};

constexpr std::string_view kDunhao = "、";

bool IsSpace(const std::string& s, std::size_t p) { return p < s.size() && s[p] == ' '; }
std::size_t SkipSpaces(const std::string& s, std::size_t p) {
  while (IsSpace(s, p)) ++p;
  return p;
}
bool At(const std::string& s, std::size_t p, std::string_view what) {
  return s.compare(p, what.size(), what) == 0;
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Trim(std::string_view v) {
  const std::string spaces[] = {" ", "\t", "\xE3\x80\x80"};
  bool changed = true;
  while (changed) {
    changed = false;
    for (const auto& sp : spaces) {
      while (v.size() >= sp.size() && v.substr(0, sp.size()) == sp) {
        v.remove_prefix(sp.size());
        changed = true;
      }
      while (v.size() >= sp.size() && v.substr(v.size() - sp.size()) == sp) {
        v.remove_suffix(sp.size());
        changed = true;
      }
    }
  }
  return std::string(v);
}

// "12." "12、" "（12）": the number and where the text after it starts.
struct NumberMark {
  int number = 0;
  bool paren = false;
  std::size_t end = 0;
};

std::optional<NumberMark> MatchNumber(const std::string& f, std::size_t p) {
  if (At(f, p, "(")) {
    std::size_t q = SkipSpaces(f, p + 1), d = q;
    while (d < f.size() && IsDigit(f[d])) ++d;
    if (d == q || d - q > 3) return std::nullopt;
    std::size_t e = SkipSpaces(f, d);
    if (!At(f, e, ")")) return std::nullopt;
    return NumberMark{std::stoi(f.substr(q, d - q)), true, e + 1};
  }
  std::size_t d = p;
  while (d < f.size() && IsDigit(f[d])) ++d;
  if (d == p || d - p > 3) return std::nullopt;
  std::size_t e = SkipSpaces(f, d);
  if (At(f, e, ".") && !(e + 1 < f.size() && IsDigit(f[e + 1])))
    return NumberMark{std::stoi(f.substr(p, d - p)), false, e + 1};
  if (At(f, e, kDunhao)) return NumberMark{std::stoi(f.substr(p, d - p)), false, e + kDunhao.size()};
  return std::nullopt;
}

// "A." "A、" "(A)" "*B." for the expected letter.
struct OptionMark {
  bool starred = false;
  std::size_t end = 0;
};

std::optional<OptionMark> MatchOption(const std::string& f, std::size_t p, char letter) {
  OptionMark m;
  if (At(f, p, "*")) {
    m.starred = true;
    p = SkipSpaces(f, p + 1);
  }
  if (At(f, p, "(")) {
    std::size_t q = SkipSpaces(f, p + 1);
    if (q >= f.size() || f[q] != letter) return std::nullopt;
    q = SkipSpaces(f, q + 1);
    if (!At(f, q, ")")) return std::nullopt;
    m.end = q + 1;
    return m;
  }
  if (p >= f.size() || f[p] != letter) return std::nullopt;
  std::size_t q = SkipSpaces(f, p + 1);
  if (At(f, q, ".")) m.end = q + 1;
  else if (At(f, q, kDunhao)) m.end = q + kDunhao.size();
  else return std::nullopt;
  return m;
}

// Every option marker of a line, in letter order from `first`: a marker at
// the line's start, or after a space. Empty when the line does not start
// with the expected option.
struct FoundOption {
  std::size_t start, end;
  bool starred;
};

std::vector<FoundOption> FindOptions(const std::string& f, char first) {
  std::vector<FoundOption> found;
  std::size_t p = SkipSpaces(f, 0);
  auto m = MatchOption(f, p, first);
  if (!m) return found;
  found.push_back({p, m->end, m->starred});
  char next = static_cast<char>(first + 1);
  for (std::size_t q = m->end; q < f.size() && next <= 'I'; ++q) {
    if (f[q] != ' ') continue;
    const std::size_t r = SkipSpaces(f, q);
    if (auto n = MatchOption(f, r, next)) {
      found.push_back({r, n->end, n->starred});
      q = n->end - 1;
      ++next;
    }
  }
  return found;
}

constexpr const char* kChineseNumerals[] = {"一", "二", "三", "四", "五", "六", "七", "八", "九", "十"};

// "一、选择题（每题3分）" or "===<<单选题>>===": the heading's text.
std::optional<std::string> MatchHeading(const Folded& line) {
  const std::string& f = line.s;
  std::size_t p = SkipSpaces(f, 0);
  if (At(f, p, "==")) {
    const auto open = f.find("<<", p);
    const auto close = f.find(">>", p);
    if (open == std::string::npos || close == std::string::npos || close < open) return std::nullopt;
    return Trim(line.Slice(open + 2, close));
  }
  std::size_t q = p;
  bool numeral = true;
  while (numeral) {
    numeral = false;
    for (const char* n : kChineseNumerals) {
      if (At(f, q, n)) {
        q += std::strlen(n);
        numeral = true;
        break;
      }
    }
  }
  if (q == p) return std::nullopt;
  q = SkipSpaces(f, q);
  if (At(f, q, kDunhao)) q += kDunhao.size();
  else if (At(f, q, ".")) q += 1;
  else return std::nullopt;
  return Trim(line.Slice(q));
}

std::optional<int> ScoreInHeading(const std::string& folded) {
  for (std::string_view each : {"每小题", "每题", "每空"}) {
    auto p = folded.find(each);
    if (p == std::string::npos) continue;
    p = SkipSpaces(folded, p + each.size());
    std::size_t d = p;
    while (d < folded.size() && IsDigit(folded[d])) ++d;
    if (d > p && d - p <= 3) return std::stoi(folded.substr(p, d - p));
  }
  return std::nullopt;
}

enum class Label { None, Answer, Explanation, Knowledge, Difficulty, Score, Type };

// "答案：B", "【答案】B", "参考答案:B" and the other labelled lines; `rest` is
// where the value starts.
Label MatchLabel(const std::string& f, std::size_t& rest) {
  struct Entry {
    std::string_view word;
    Label label;
  };
  static const Entry entries[] = {{"参考答案", Label::Answer}, {"答案", Label::Answer},
                                  {"解析", Label::Explanation}, {"知识点", Label::Knowledge},
                                  {"难度", Label::Difficulty},   {"分值", Label::Score},
                                  {"题型", Label::Type}};
  const std::size_t p = SkipSpaces(f, 0);
  for (const auto& e : entries) {
    for (const auto& [open, close] : std::initializer_list<std::pair<std::string_view, std::string_view>>{
             {"【", "】"}, {"[", "]"}, {"", ":"}}) {
      std::size_t q = p;
      if (!At(f, q, open)) continue;
      q += open.size();
      if (!At(f, q, e.word)) continue;
      q = SkipSpaces(f, q + e.word.size());
      if (!At(f, q, close)) continue;
      rest = q + close.size();
      return e.label;
    }
  }
  return Label::None;
}

std::optional<int> ReadDifficulty(const std::string& value) {
  const std::string v = Trim(value);
  if (v == "易" || v == "容易" || v == "简单") return 3;
  if (v == "中" || v == "中等" || v == "适中") return 5;
  if (v == "难" || v == "困难" || v == "较难") return 7;
  if (v.size() == 1 && v[0] >= '1' && v[0] <= '9') return v[0] - '0';
  return std::nullopt;
}

std::optional<int> ReadWholeNumber(const std::string& value) {
  const std::string v = Trim(value);
  std::size_t d = 0;
  while (d < v.size() && IsDigit(v[d])) ++d;
  if (d == 0 || d > 4) return std::nullopt;
  const std::string tail = Trim(v.substr(d));
  if (!tail.empty() && tail != "分") return std::nullopt;
  return std::stoi(v.substr(0, d));
}

// Knowledge points separated by "|", "、", "，" or ","; empty parts dropped.
std::string ReadKnowledge(const std::string& value) {
  std::string joined;
  std::string part;
  auto flush = [&] {
    const std::string t = Trim(part);
    if (!t.empty()) joined += (joined.empty() ? "" : "|") + t;
    part.clear();
  };
  for (std::size_t i = 0; i < value.size();) {
    bool sep = false;
    for (std::string_view s : {"|", "、", "，", ",", "；", ";"}) {
      if (value.compare(i, s.size(), s) == 0) {
        flush();
        i += s.size();
        sep = true;
        break;
      }
    }
    if (!sep) part += value[i++];
  }
  flush();
  return joined;
}

// A line of the answer key: "1-5 ABCDE", "6.B 7.C", "8 √". Nullopt when the
// line is anything else.
std::optional<std::vector<std::pair<int, std::string>>> ParseKeyLine(const std::string& f) {
  std::vector<std::pair<int, std::string>> keys;
  std::size_t p = SkipSpaces(f, 0);
  auto readDigits = [&](std::size_t& q) -> std::optional<int> {
    std::size_t d = q;
    while (d < f.size() && IsDigit(f[d])) ++d;
    if (d == q || d - q > 3) return std::nullopt;
    const int n = std::stoi(f.substr(q, d - q));
    q = d;
    return n;
  };
  auto readLetters = [&](std::size_t& q) {
    std::size_t e = q;
    while (e < f.size() && f[e] >= 'A' && f[e] <= 'I') ++e;
    std::string run = f.substr(q, e - q);
    q = e;
    return run;
  };
  while (true) {
    while (p < f.size() && (f[p] == ' ' || f[p] == ',' || f[p] == ';')) ++p;
    if (At(f, p, "，")) {
      p += std::strlen("，");
      continue;
    }
    if (p >= f.size()) break;
    const auto from = readDigits(p);
    if (!from) return std::nullopt;
    std::size_t q = SkipSpaces(f, p);
    std::optional<int> to;
    for (std::string_view dash : {"-", "~", "—", "–"}) {
      if (At(f, q, dash)) {
        q = SkipSpaces(f, q + dash.size());
        to = readDigits(q);
        if (!to) return std::nullopt;
        break;
      }
    }
    if (to) {
      q = SkipSpaces(f, q);
      const std::string run = readLetters(q);
      if (*to < *from || run.size() != static_cast<std::size_t>(*to - *from + 1)) return std::nullopt;
      for (int n = *from; n <= *to; ++n) keys.emplace_back(n, std::string(1, run[n - *from]));
      p = q;
      continue;
    }
    if (At(f, q, ".") || At(f, q, ":")) ++q;
    else if (At(f, q, kDunhao)) q += kDunhao.size();
    q = SkipSpaces(f, q);
    std::string answer = readLetters(q);
    if (answer.empty()) {
      for (std::string_view mark : {"√", "×", "对", "错", "✓", "✗"}) {
        if (At(f, q, mark)) {
          answer = std::string(mark);
          q += mark.size();
          break;
        }
      }
    }
    if (answer.empty()) return std::nullopt;
    keys.emplace_back(*from, answer);
    p = q;
  }
  if (keys.empty()) return std::nullopt;
  return keys;
}

bool IsKeyHeading(const std::string& f) {
  const std::string t = Trim(f);
  for (std::string_view h : {"参考答案", "答案", "【参考答案】", "【答案】", "参考答案:", "答案:",
                             "答案与解析", "参考答案与解析"})
    if (t == h) return true;
  return false;
}

void AppendLine(std::string& to, const std::string& line) {
  if (line.empty()) return;
  if (!to.empty()) to += "\r\n";
  to += line;
}

std::string LineProblem(int line, const std::string& what) {
  return "第" + std::to_string(line) + "行：" + what;
}

class Parser {
 public:
  ParsedDocument Run(const SourceDocument& doc) {
    for (const SourceLine& line : doc.lines) Line(line);
    return std::move(out_);
  }

 private:
  enum class Phase { Stem, Options, Answer, Explanation };

  ParsedQuestion* Current() {
    if (out_.questions.empty() || closed_) return nullptr;
    ParsedQuestion& top = out_.questions.back();
    if (inMember_ && !top.members.empty()) return &top.members.back();
    return &top;
  }

  void Line(const SourceLine& line) {
    const Folded f(line.text);
    const std::string trimmed = Trim(f.s);
    lineNo_ = line.number;
    if (trimmed.empty() && line.pictures.empty()) return;

    if (auto heading = MatchHeading(f); heading && !MatchNumber(f.s, SkipSpaces(f.s, 0))) {
      section_ = TypeFromHeading(*heading);
      sectionScore_ = ScoreInHeading(Folded(*heading).s);
      closed_ = true;
      keyMode_ = false;
      return;
    }
    if (IsKeyHeading(f.s)) {
      keyMode_ = true;
      closed_ = true;
      return;
    }
    if (auto keys = ParseKeyLine(f.s); keys && (keyMode_ || KeysFitOpenQuestions(*keys))) {
      ApplyKeys(*keys);
      keyMode_ = true;
      closed_ = true;
      return;
    }
    std::size_t rest = 0;
    const Label label = MatchLabel(f.s, rest);
    if (label != Label::None) {
      ApplyLabel(label, Trim(f.Slice(rest)), line);
      return;
    }
    const std::size_t start = SkipSpaces(f.s, 0);
    if (auto mark = MatchNumber(f.s, start)) {
      ParsedQuestion* cur = out_.questions.empty() || closed_ ? nullptr : &out_.questions.back();
      const bool memberOfMaterial = mark->paren && cur && !cur->number.empty() &&
                                    cur->number.front() != '(' &&
                                    cur->options.empty() && !cur->answerGiven &&
                                    (cur->members.empty() || inMember_);
      if (memberOfMaterial) {
        cur->members.push_back(NewQuestion(*mark));
        inMember_ = true;
      } else {
        out_.questions.push_back(NewQuestion(*mark));
        inMember_ = false;
        closed_ = false;
      }
      phase_ = Phase::Stem;
      Content(f, mark->end, line);
      return;
    }
    if (phase_ == Phase::Explanation && Current()) {
      AddPictures(line);
      return;
    }
    Content(f, start, line);
  }

  ParsedQuestion NewQuestion(const NumberMark& mark) {
    ParsedQuestion q;
    q.line = lineNo_;
    q.number = mark.paren ? "(" + std::to_string(mark.number) + ")" : std::to_string(mark.number);
    q.sectionType = section_;
    q.sectionScore = sectionScore_;
    return q;
  }

  // Stem text, options (one or several on the line) and pictures.
  void Content(const Folded& f, std::size_t from, const SourceLine& line) {
    ParsedQuestion* q = Current();
    if (!q) {
      if (!Trim(f.Slice(from)).empty() || !line.pictures.empty())
        out_.problems.push_back(LineProblem(line.number, "不属于任何试题，已忽略"));
      return;
    }
    if (line.equation) q->equation = true;
    const std::string tail = f.s.substr(from);
    const char expected = static_cast<char>('A' + q->options.size());
    std::vector<FoundOption> options;
    if (expected <= 'I') options = FindOptions(tail, expected);
    // Options that start mid-line after the stem ("…（ ） A. 1 B. 2").
    std::size_t stemEnd = tail.size();
    if (options.empty() && q->options.empty() && phase_ == Phase::Stem) {
      for (std::size_t p = 0; p < tail.size(); ++p) {
        if (tail[p] != ' ') continue;
        const std::size_t r = SkipSpaces(tail, p);
        auto found = FindOptions(tail.substr(r), 'A');
        if (found.size() >= 2) {
          for (auto& o : found) {
            o.start += r;
            o.end += r;
          }
          options = std::move(found);
          stemEnd = p;
          break;
        }
      }
    }
    if (options.empty()) {
      const std::string text = Trim(f.Slice(from));
      if (phase_ == Phase::Options && !q->options.empty()) {
        if (!text.empty()) q->options.back() += text;
      } else if (phase_ != Phase::Answer || text.empty()) {
        AppendLine(q->stem, text);
      } else {
        AppendLine(q->answer, text);
      }
      AddPictures(line);
      return;
    }
    if (options.front().start > 0 || stemEnd < tail.size())
      AppendLine(q->stem, Trim(f.Slice(from, from + std::min(stemEnd, options.front().start))));
    for (std::size_t i = 0; i < options.size(); ++i) {
      const std::size_t end = i + 1 < options.size() ? options[i + 1].start : tail.size();
      if (options[i].starred) q->starred.push_back(static_cast<int>(q->options.size()));
      q->options.push_back(Trim(f.Slice(from + options[i].end, from + end)));
    }
    phase_ = Phase::Options;
    AddPictures(line);
  }

  void AddPictures(const SourceLine& line) {
    ParsedQuestion* q = Current();
    if (!q) return;
    for (const Bytes& p : line.pictures) {
      Bytes& slot = phase_ == Phase::Answer || phase_ == Phase::Explanation || q->answerGiven
                        ? q->answerPicture
                        : q->picture;
      if (phase_ == Phase::Explanation) continue;  // pictures of an explanation go with it
      if (slot.empty()) slot = p;
      else q->problems.push_back(LineProblem(line.number, "一题只能有一幅题图和一幅答图，多余的图片未导入"));
    }
  }

  void ApplyLabel(Label label, const std::string& value, const SourceLine& line) {
    ParsedQuestion* q = Current();
    if (!q) {
      out_.problems.push_back(LineProblem(line.number, "不属于任何试题，已忽略"));
      return;
    }
    switch (label) {
      case Label::Answer:
        q->answer = value;
        q->answerGiven = true;
        phase_ = Phase::Answer;
        AddPictures(line);
        break;
      case Label::Explanation:
        if (!q->explanation) ++out_.explanations;
        q->explanation = true;
        phase_ = Phase::Explanation;
        break;
      case Label::Knowledge:
        q->knowledge = ReadKnowledge(value);
        break;
      case Label::Difficulty:
        if (auto d = ReadDifficulty(value)) q->difficulty = d;
        else q->problems.push_back(LineProblem(line.number, "难度应为1-9或易、中、难"));
        break;
      case Label::Score:
        if (auto s = ReadWholeNumber(value)) q->score = s;
        else q->problems.push_back(LineProblem(line.number, "分值应为整数"));
        break;
      case Label::Type:
        q->statedType = TypeFromHeading(value);
        break;
      case Label::None:
        break;
    }
  }

  // The questions a key line would answer: every number names a question
  // read before that has no answer yet.
  ParsedQuestion* OpenQuestion(int number) {
    const std::string n = std::to_string(number);
    for (auto& q : out_.questions)
      if (q.number == n && !q.answerGiven) return &q;
    return nullptr;
  }

  bool KeysFitOpenQuestions(const std::vector<std::pair<int, std::string>>& keys) {
    for (const auto& [n, a] : keys)
      if (!OpenQuestion(n)) return false;
    return true;
  }

  void ApplyKeys(const std::vector<std::pair<int, std::string>>& keys) {
    for (const auto& [n, a] : keys) {
      if (ParsedQuestion* q = OpenQuestion(n)) {
        q->answer = a;
        q->answerGiven = true;
      } else {
        out_.problems.push_back(LineProblem(lineNo_, "答案表中第" + std::to_string(n) + "题找不到对应的试题"));
      }
    }
  }

  ParsedDocument out_;
  std::string section_;
  std::optional<int> sectionScore_;
  Phase phase_ = Phase::Stem;
  bool inMember_ = false;
  bool closed_ = true;
  bool keyMode_ = false;
  int lineNo_ = 0;
};

}  // namespace

std::string TypeFromHeading(const std::string& heading) {
  // The name before any bracketed score note.
  std::string name = heading;
  for (std::string_view open : {"（", "(", "[", "【"}) {
    const auto p = name.find(open);
    if (p != std::string::npos) name = name.substr(0, p);
  }
  name = Trim(name);
  const auto has = [&](std::string_view w) { return name.find(w) != std::string::npos; };
  if (has("选")) return "选择";
  if (has("判断")) return "判断";
  if (has("填空")) return "填空";
  if (has("名词")) return "名词";
  if (has("简答") || has("问答") || has("论述")) return "问答";
  const std::string_view ti = "题";
  if (name.size() > ti.size() && name.compare(name.size() - ti.size(), ti.size(), ti) == 0)
    name.resize(name.size() - ti.size());
  return name;
}

ParsedDocument ParseQuestionMarkup(const SourceDocument& doc) { return Parser().Run(doc); }

}  // namespace exchange
