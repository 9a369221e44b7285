#include "exchange/bulk_import.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <unordered_set>

#include "bank_editor/pictures/picture_codec.h"
#include "bank_editor/question_rules.h"
#include "databases/program_databases.h"
#include "exchange/moodle_xml.h"
#include "text/text.h"

namespace exchange {

namespace {

using databases::Question;
using Status = ImportRow::Status;

constexpr int kFallbackScore = 5;
constexpr int kFallbackDifficulty = 5;
constexpr std::size_t kGroupNameWords = 8;  // characters of the stem that name a group

bool IsJpeg(const Bytes& b) { return b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF; }

// The key of the duplicate rule: 题文1 followed by 题文2, and the answer.
std::string ContentKey(const Question& q) {
  std::string key = q.text1 + q.text2;
  key += '\0';
  key += q.answer;
  return key;
}

template <typename T>
std::optional<T> MostCommon(const std::map<T, int>& counts) {
  std::optional<T> best;
  int n = 0;
  for (const auto& [value, count] : counts) {
    if (count > n) {
      best = value;
      n = count;
    }
  }
  return best;
}

// The bank's usual score per type and usual difficulty.
struct Usual {
  std::map<std::string, std::map<int, int>> scoresByType;
  std::map<int, int> scores, difficulties;

  explicit Usual(const std::vector<Question>& bank) {
    for (const Question& q : bank) {
      if (q.isTitle()) continue;
      if (q.score >= 1 && q.score <= 100) {
        ++scoresByType[q.type][q.score];
        ++scores[q.score];
      }
      if (q.difficulty >= 1 && q.difficulty <= 9) ++difficulties[q.difficulty];
    }
  }
  int Score(const std::string& type) const {
    if (auto it = scoresByType.find(type); it != scoresByType.end())
      if (auto s = MostCommon(it->second)) return *s;
    return MostCommon(scores).value_or(kFallbackScore);
  }
  int Difficulty() const { return MostCommon(difficulties).value_or(kFallbackDifficulty); }
};

bool IsJudgement(const std::string& answer) {
  static const std::set<std::string> marks = {"正确", "错误", "对", "错", "√", "×", "✓", "✗",
                                              "是", "否", "T", "F"};
  return marks.count(answer) > 0;
}

bool HasBlank(const std::string& stem) {
  if (stem.find("__") != std::string::npos || stem.find("＿＿") != std::string::npos) return true;
  for (std::string_view open : {"(", "（"}) {
    std::size_t p = 0;
    while ((p = stem.find(open, p)) != std::string::npos) {
      std::size_t q = p + open.size();
      while (true) {
        if (stem.compare(q, 1, " ") == 0) ++q;
        else if (stem.compare(q, 3, "\xE3\x80\x80") == 0) q += 3;
        else break;
      }
      if (stem.compare(q, 1, ")") == 0 || stem.compare(q, 3, "）") == 0) return true;
      p += open.size();
    }
  }
  return false;
}

// "AC", "A、C", "A, C" -> "AC"; empty when the text is anything else.
std::string AnswerLetters(const std::string& answer) {
  std::string letters;
  const std::string folded = text::ToHalfWidth(answer);
  for (std::size_t i = 0; i < folded.size();) {
    const char c = folded[i];
    if (c >= 'A' && c <= 'I') {
      letters += c;
      ++i;
    } else if (c == ' ' || c == ',' || c == ';') {
      ++i;
    } else if (folded.compare(i, 3, "、") == 0) {
      i += 3;
    } else {
      return {};
    }
  }
  return letters;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) {
    if (!out.empty()) out += "\r\n";
    out += l;
  }
  return out;
}

class Preparer {
 public:
  Preparer(const std::vector<Question>& bank, const std::vector<std::string>& libraryTypes)
      : usual_(bank), library_(libraryTypes.begin(), libraryTypes.end()) {
    for (const Question& q : bank) {
      keys_.insert(ContentKey(q));
      if (!q.groupName.empty()) groupNames_.insert(q.groupName);
    }
  }

  ImportPreview Run(const ParsedDocument& doc) {
    preview_.explanations = doc.explanations;
    for (const auto& p : doc.problems) preview_.problems.push_back(p);
    for (const ParsedQuestion& p : doc.questions) {
      if (p.members.empty()) Single(p);
      else Group(p);
    }
    for (const ImportRow& r : preview_.rows) {
      ++preview_.read;
      switch (r.status) {
        case Status::Importable: ++preview_.importable; break;
        case Status::Duplicate: ++preview_.duplicates; break;
        case Status::Refused: ++preview_.refused; break;
      }
      for (const auto& n : r.notes) preview_.problems.push_back(n);
      if (r.status != Status::Importable)
        preview_.problems.push_back("第" + std::to_string(r.line) + "行：" + r.reason);
    }
    std::stable_sort(preview_.problems.begin(), preview_.problems.end(),
                     [](const std::string& a, const std::string& b) { return LineOf(a) < LineOf(b); });
    return std::move(preview_);
  }

 private:
  static int LineOf(const std::string& problem) {
    return static_cast<int>(text::LeadingNumber(problem.substr(std::min<std::size_t>(3, problem.size()))));
  }

  std::string TypeOf(const ParsedQuestion& p, bool choice) {
    if (!p.statedType.empty()) return p.statedType;
    if (!p.sectionType.empty()) return p.sectionType;
    if (choice) return "选择";
    const std::string answer = text::TrimSpaces(p.answer);
    if (IsJudgement(answer)) return "判断";
    if (HasBlank(p.stem) && !answer.empty() && text::GbkLength(answer) <= 40) return "填空";
    return "问答";
  }

  // Builds the bank question of one parsed question; a refusal reason when
  // it cannot become one.
  ImportRow Convert(const ParsedQuestion& p, const std::string& inheritedType) {
    ImportRow row;
    row.line = p.line;
    row.number = p.number;
    row.notes = p.problems;
    if (p.equation)
      row.notes.push_back("第" + std::to_string(p.line) + "行：公式已转为文字，请核对");
    Question& q = row.question;
    q.text1 = p.stem;
    q.knowledgePoints = p.knowledge;
    std::string refusal;

    const bool textOptions = p.options.size() >= 2 && p.choice.value_or(true);
    if (p.options.size() == 1) {
      // One lettered line is text, not a choice.
      q.text1 += (q.text1.empty() ? "" : "\r\n") + std::string("A. ") + p.options.front();
    }
    if (textOptions) {
      q.choice = true;
      q.text2 = JoinLines(p.options);
      std::vector<std::string> right;
      if (!p.starred.empty()) {
        for (int i : p.starred) right.push_back(p.options[static_cast<std::size_t>(i)]);
      } else if (const std::string letters = AnswerLetters(p.answer); !letters.empty()) {
        for (char c : letters) {
          const std::size_t i = static_cast<std::size_t>(c - 'A');
          if (i >= p.options.size()) {
            refusal = std::string("答案") + c + "不在选项中";
            break;
          }
          right.push_back(p.options[i]);
        }
      } else {
        right = bank_editor::QuestionLines(p.answer);
      }
      q.answer = JoinLines(right);
    } else {
      q.answer = p.answer;
      q.text2 = p.text2;
    }
    q.type = TypeOf(p, textOptions);
    if (p.statedType.empty() && p.sectionType.empty() && !inheritedType.empty())
      q.type = inheritedType;
    if (!textOptions && p.choice.value_or(false)) {
      q.choice = true;  // options drawn in the picture, labels in the answer
    } else if (!textOptions && !p.choice && q.type == "选择" && !p.picture.empty() &&
               !AnswerLetters(p.answer).empty()) {
      q.choice = true;
      q.answer = AnswerLetters(p.answer);
    }
    q.difficulty = p.difficulty.value_or(usual_.Difficulty());
    q.score = p.score ? *p.score : p.sectionScore ? *p.sectionScore : usual_.Score(q.type);

    for (auto [from, to, mark] : {std::tuple{&p.picture, &row.picture, &q.pictureMark},
                                  std::tuple{&p.answerPicture, &row.answerPicture, &q.answerPictureMark}}) {
      if (from->empty()) continue;
      const std::string problem = StorePicture(*from, *to, p.bankPictures);
      if (problem.empty()) *mark = databases::kPictureMark;
      else row.notes.push_back("第" + std::to_string(p.line) + "行：" + problem);
    }
    if (!q.knowledgePoints.empty()) {
      if (auto tidy = bank_editor::TidyKnowledgePoints(q.knowledgePoints)) q.knowledgePoints = *tidy;
      else refusal = "知识点长度超标！";
    }
    if (refusal.empty() && !p.answerGiven && p.starred.empty() && p.members.empty() &&
        row.answerPicture.empty())
      refusal = "找不到答案";
    if (!refusal.empty()) {
      row.status = Status::Refused;
      row.reason = refusal;
    }
    return row;
  }

  // The bank's rules, then the duplicate rule against the bank and the rows
  // accepted before.
  void Check(ImportRow& row) {
    if (row.status != Status::Importable) return;
    const Question& q = row.question;
    bank_editor::QuestionRow r;
    r.groupNumber = q.groupNumber;
    r.text1 = q.text1;
    r.picture = q.pictureMark;
    r.text2 = q.text2;
    r.answer = q.answer;
    r.answerPicture = q.answerPictureMark;
    r.type = q.type;
    r.score = std::to_string(q.score);
    r.choice = q.choice;
    if (auto failure = bank_editor::CheckQuestionRules(r)) {
      row.status = Status::Refused;
      row.reason = failure->message;
      return;
    }
    if (keys_.count(ContentKey(q))) {
      row.status = Status::Duplicate;
      row.reason = "试题重复！";
    }
  }

  void Accept(const ImportRow& row) {
    keys_.insert(ContentKey(row.question));
    if (!library_.count(row.question.type)) {
      library_.insert(row.question.type);
      preview_.newTypes.push_back(row.question.type);
    }
  }

  void Single(const ParsedQuestion& p) {
    ImportRow row = Convert(p, {});
    Check(row);
    if (row.status == Status::Importable) Accept(row);
    preview_.rows.push_back(std::move(row));
  }

  // A group's name: the one the source gives, else the stem's first words;
  // made unique in the bank.
  std::string GroupName(const std::string& stem, bool given) {
    std::string base;
    if (given) base = text::CutToGbkBytes(stem, bank_editor::kMaxGroupNameBytes);
    std::size_t chars = 0;
    for (std::size_t i = 0; !given && i < stem.size() && chars < kGroupNameWords;) {
      const auto c = static_cast<unsigned char>(stem[i]);
      const std::size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
      const std::string ch = stem.substr(i, len);
      i += len;
      if (ch == "\r" || ch == "\n" || ch == " " || ch == "\xE3\x80\x80" || ch == "|") continue;
      base += ch;
      ++chars;
    }
    if (base.empty()) base = "材料";
    std::string name = base;
    for (int n = 2; groupNames_.count(name); ++n) name = base + std::to_string(n);
    groupNames_.insert(name);
    return name;
  }

  void Group(const ParsedQuestion& material) {
    ImportRow title = Convert(material, {});
    title.question.groupNumber = "0";
    title.question.answer.clear();
    title.question.choice = false;
    title.question.text2.clear();
    if (title.status == Status::Refused && title.reason == "找不到答案") {
      title.status = Status::Importable;
      title.reason.clear();
    }
    std::vector<ImportRow> members;
    int sum = 0;
    for (const ParsedQuestion& m : material.members) {
      ImportRow row = Convert(m, title.question.type);
      row.question.groupNumber = std::to_string(members.size() + 1);
      if (!m.difficulty) row.question.difficulty = title.question.difficulty;
      sum += row.question.score;
      members.push_back(std::move(row));
    }
    title.question.score = sum;
    const std::string name = GroupName(material.groupName.empty() ? material.stem : material.groupName,
                                       !material.groupName.empty());
    title.question.groupName = name;
    for (auto& m : members) m.question.groupName = name;

    Check(title);
    for (auto& m : members) Check(m);
    // A group is written whole or not at all.
    const ImportRow* broken = nullptr;
    if (title.status == Status::Refused) broken = &title;
    for (const auto& m : members)
      if (!broken && m.status == Status::Refused) broken = &m;
    if (broken) {
      const std::string why = "所在分组第" + std::to_string(broken->line) + "行的试题不能导入";
      for (ImportRow* r : Rows(title, members)) {
        if (r->status == Status::Refused) continue;
        r->status = Status::Refused;
        r->reason = why;
      }
    } else if (title.status == Status::Duplicate) {
      for (auto& m : members) {
        m.status = Status::Duplicate;
        m.reason = "所在分组的材料与题库中的试题重复";
      }
    } else {
      for (auto& m : members) {
        if (m.status == Status::Duplicate) {
          // A member already in the bank would leave a hole in the group.
          m.status = Status::Importable;
          m.reason.clear();
        }
      }
      for (ImportRow* r : Rows(title, members)) Accept(*r);
    }
    preview_.rows.push_back(std::move(title));
    for (auto& m : members) preview_.rows.push_back(std::move(m));
  }

  static std::vector<ImportRow*> Rows(ImportRow& title, std::vector<ImportRow>& members) {
    std::vector<ImportRow*> all{&title};
    for (auto& m : members) all.push_back(&m);
    return all;
  }

  Usual usual_;
  std::set<std::string> library_;
  std::unordered_set<std::string> keys_;
  std::set<std::string> groupNames_;
  ImportPreview preview_;
};

}  // namespace

std::string StorePicture(const Bytes& bytes, Bytes& stored, bool keepBmp) {
  namespace pic = bank_editor::pictures;
  if (IsJpeg(bytes) && pic::DecodeJpeg(bytes)) {
    stored = bytes;
    return {};
  }
  std::optional<ui::Image> bmp = pic::DecodeBmp(bytes);
  if (bmp && keepBmp) {
    stored = bytes;
    return {};
  }
  std::optional<ui::Image> image = pic::DecodePng(bytes);
  if (!image) image = std::move(bmp);
  if (!image) return "图片格式无法识别，未导入该图片";
  stored = pic::EncodeJpeg(*image);
  return stored.empty() ? "图片无法转换为JPEG，未导入该图片" : std::string();
}

ImportPreview PrepareImport(const ParsedDocument& doc, const std::vector<Question>& bank,
                            const std::vector<std::string>& libraryTypes) {
  return Preparer(bank, libraryTypes).Run(doc);
}

namespace {

// Appends the importable rows; on a failure takes back what it wrote.
bool AppendRows(databases::CourseBank& bank, const ImportPreview& preview,
                std::vector<std::int64_t>& written, std::string& error) {
  for (const ImportRow& row : preview.rows) {
    if (row.status != Status::Importable) continue;
    const std::int64_t id = bank.Append(row.question, row.picture, row.answerPicture);
    if (id <= 0) {
      error = bank.lastError().message;
      if (!bank.Remove(written)) error += "；" + bank.lastError().message;
      return false;
    }
    written.push_back(id);
  }
  return true;
}

}  // namespace

bool WriteImport(databases::CourseBank& bank, const ImportPreview& preview, std::string& error) {
  std::vector<std::int64_t> written;
  return AppendRows(bank, preview, written, error);
}

}  // namespace exchange

namespace exchange {

bool PrepareDocumentImport(const std::string& path, databases::CourseBank& bank,
                           databases::TypeLibrary& types, ImportPreview& preview,
                           std::string& error) {
  std::vector<databases::QuestionType> library;
  if (!types.ReadAll(library)) {
    error = "读题型库错误！" + types.lastError().message;
    return false;
  }
  std::vector<std::string> names;
  for (const auto& t : library) names.push_back(t.name);

  ParsedDocument parsed;
  std::ifstream in(path, std::ios::binary);
  std::string head(512, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  if (in.is_open() && LooksLikeMoodleXml(head)) {
    in.seekg(0);
    in.clear();
    const std::string xml{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!ReadMoodleXml(xml, names, parsed, error)) return false;
  } else {
    SourceDocument doc;
    if (!ReadSourceFile(path, doc, error)) return false;
    parsed = ParseQuestionMarkup(doc);
  }
  std::vector<Question> questions;
  if (!bank.ReadAll(questions)) {
    error = "读 " + bank.name() + " 题库错误！" + bank.lastError().message;
    return false;
  }
  preview = PrepareImport(parsed, questions, names);
  return true;
}

bool WriteDocumentImport(databases::CourseBank& bank, databases::TypeLibrary& types,
                         const ImportPreview& preview, std::string& error) {
  std::vector<std::int64_t> written;
  if (!AppendRows(bank, preview, written, error)) return false;
  for (const std::string& name : preview.newTypes) {
    if (types.Add(name)) continue;
    // Questions of a type the library lacks would be half an import.
    error = "题型 " + name + " 不能加入题型库：" + types.lastError().message;
    bank.Remove(written);
    return false;
  }
  return true;
}

}  // namespace exchange
