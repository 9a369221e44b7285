#include "output/paper_generation.h"

#include <algorithm>
#include <cmath>

#include "text/text.h"

namespace output {

const std::vector<std::string>& OptionLabelSeries(OptionLabels series) {
  static const std::vector<std::string> letters = {"A", "B", "C", "D", "E", "F", "G", "H", "I"};
  static const std::vector<std::string> circled = {"①", "②", "③", "④", "⑤",
                                                   "⑥", "⑦", "⑧", "⑨"};
  return series == OptionLabels::Letters ? letters : circled;
}

namespace {

// Split at CR LF; a trailing empty piece (text ending in CR LF) is dropped.
std::vector<std::string> SplitDroppingTrailing(const std::string& s) {
  std::vector<std::string> lines = text::SplitLines(s);
  if (lines.size() > 1 && lines.back().empty()) lines.pop_back();
  return lines;
}

}  // namespace

std::vector<std::string> OptionLines(const std::string& text2) {
  return SplitDroppingTrailing(text2);
}

ShuffledOptions ShuffleOptions(const std::string& options, const std::string& answer,
                               const std::vector<std::string>& labels,
                               const std::string& suffix, app::ProgramRandom& random) {
  const std::vector<std::string> lines = SplitDroppingTrailing(options);
  const std::vector<std::string> answers =
      answer.empty() ? std::vector<std::string>{} : SplitDroppingTrailing(answer);
  const int n = static_cast<int>(lines.size());
  std::vector<int> pool(lines.size());
  for (int i = 0; i < n; ++i) pool[i] = i;

  ShuffledOptions out;
  while (!pool.empty()) {
    const std::size_t position = n - pool.size();
    const int k = random.Between(1, static_cast<int>(pool.size()));
    const std::string& line = lines[pool[k - 1]];
    // Callers refuse more options than labels; never read past the series.
    const std::string label = position < labels.size() ? labels[position] : std::string();
    out.options += label + suffix + line + "     ";
    if (std::find(answers.begin(), answers.end(), line) != answers.end()) out.answer += label;
    pool.erase(pool.begin() + (k - 1));
  }
  return out;
}

namespace {

// Whether a stored answer is written in the chosen label series: letters
// start with a single-byte character, circled digits with a double-byte one.
bool AnswerFitsSeries(const std::string& answer, OptionLabels series) {
  if (answer.empty()) return false;
  const auto lead = static_cast<unsigned char>(answer[0]);
  if (series == OptionLabels::Letters) return lead < 0x80;
  std::size_t len = 1;
  if (lead >= 0xF0) len = 4;
  else if (lead >= 0xE0) len = 3;
  else if (lead >= 0xC0) len = 2;
  return text::GbkLength(std::string_view(answer).substr(0, len)) == 2;
}

std::string PictureMismatchMessage(const std::string& text1) {
  return "试题 " + text1 + " 的答案编号类型不符合组卷要求！";
}

std::string TooManyOptionsMessage(const std::string& text1) {
  return "试题 " + text1 + " 的选项超过9个，无法编号，不符合组卷要求！";
}

class ListBuilder {
 public:
  ListBuilder(const PaperRequest& request, PaperSource& source, app::ProgramRandom& random)
      : request_(request), work_(request.questions), source_(source), random_(random) {}

  PaperList Build() {
    for (const TypeOrderEntry& entry : request_.typeOrder) {
      std::vector<std::size_t> pick;
      for (std::size_t i = 0; i < work_.size(); ++i)
        if (work_[i].type == entry.type && text::ToInteger(work_[i].groupNumber) == 0)
          pick.push_back(i);
      while (!pick.empty()) {
        const int k = random_.Between(1, static_cast<int>(pick.size()));
        if (!CopyBlock(pick[k - 1])) return std::move(list_);
        pick.erase(pick.begin() + (k - 1));
      }
    }
    return std::move(list_);
  }

 private:
  // A question, or a title with the members of its own group that follow it.
  bool CopyBlock(std::size_t p) {
    if (!CopyRow(work_[p])) return false;
    if (!work_[p].isTitle()) return true;
    for (std::size_t j = p + 1; j < work_.size(); ++j) {
      const databases::Question& q = work_[j];
      if (!q.isMember() || q.groupName != work_[p].groupName) break;
      if (!CopyRow(q)) return false;
    }
    return true;
  }

  bool CopyRow(const databases::Question& source) {
    PaperListRow row{source, false};
    databases::Question& q = row.question;
    if (q.choice) {
      const auto series = request_.choices.optionLabels;
      if (!q.text2.empty()) {
        const auto& labels = OptionLabelSeries(series);
        if (OptionLines(q.text2).size() > labels.size())
          return Stop(TooManyOptionsMessage(q.text1));
        ShuffledOptions s =
            ShuffleOptions(q.text2, q.answer, labels, request_.choices.optionSuffix, random_);
        q.text2 = std::move(s.options);
        q.answer = std::move(s.answer);
        row.optionsShuffled = true;
      } else if (!AnswerFitsSeries(q.answer, series)) {
        // The options are drawn in the picture: only a copy of the question
        // stored with the other labels can serve.
        const databases::Question* twin = nullptr;
        const std::vector<databases::Question> same = source_.SameText1(q.text1, q.id);
        for (const databases::Question& c : same) {
          if (!c.masked && c.type == q.type && AnswerFitsSeries(c.answer, series)) {
            twin = &c;
            break;
          }
        }
        if (!twin) return Stop(PictureMismatchMessage(q.text1));
        q.id = twin->id;
        q.answer = twin->answer;
        q.pictureMark = twin->pictureMark;
        q.answerPictureMark = twin->answerPictureMark;
      }
    }
    list_.rows.push_back(std::move(row));
    return true;
  }

  bool Stop(std::string message) {
    list_.stopMessage = std::move(message);
    return false;
  }

  const PaperRequest& request_;
  const std::vector<databases::Question>& work_;
  PaperSource& source_;
  app::ProgramRandom& random_;
  PaperList list_;
};

const TypeOrderEntry* FindOrderEntry(const PaperRequest& request, const std::string& type) {
  for (const TypeOrderEntry& e : request.typeOrder)
    if (e.type == type) return &e;
  return nullptr;
}

std::string ScoreNote(const PaperRequest& request, const LayoutSection& section) {
  int total = 0;
  for (const TypeScore& s : request.typeScores)
    if (s.type == section.type) {
      total = s.score;
      break;
    }
  // Titles carry their members' sum; only numbered questions are compared.
  int common = 0;
  bool agree = true;
  for (const LayoutRow& row : section.rows) {
    if (!row.numbered || row.score == 0) continue;
    if (common == 0) common = row.score;
    else if (row.score != common) agree = false;
  }
  if (common != 0 && agree)
    return "（每题" + std::to_string(common) + "分，共" + std::to_string(total) + "分）";
  return "（共" + std::to_string(total) + "分）";
}

}  // namespace

PaperList BuildPaperList(const PaperRequest& request, PaperSource& source,
                         app::ProgramRandom& random) {
  return ListBuilder(request, source, random).Build();
}

std::string PaperTitle(const PaperRequest& request, bool answers) {
  const std::string sep = "  ";
  return request.course + sep + request.selectionStamp + sep + std::to_string(request.paperTotal) +
         sep + std::to_string(request.similarity) + sep + PaperWord(request.paper) + sep +
         request.generationStamp + (answers ? "  答案" : "  试题");
}

PaperLayout LayOutPaper(const PaperRequest& request, const PaperList& list) {
  PaperLayout layout;
  layout.paper = request.paper;
  layout.paperTitle = PaperTitle(request, false);
  layout.answersTitle = PaperTitle(request, true);
  layout.optionsOnOwnLines = request.choices.optionsOnOwnLines;
  layout.stopMessage = list.stopMessage;

  const PaperChoices& choices = request.choices;
  int n = 0;
  for (std::size_t i = 0; i < list.rows.size(); ++i) {
    const databases::Question& q = list.rows[i].question;
    if (i == 0 || q.type != list.rows[i - 1].question.type) {
      const std::size_t k = layout.sections.size() + 1;
      if (k > choices.sectionLabels.size()) {
        // The generate buttons prevent this; a bank whose members carry
        // another type than their title could still get here.
        if (layout.stopMessage.empty()) layout.stopMessage = "大题编号不够用！";
        break;
      }
      LayoutSection section;
      section.index = static_cast<int>(k);
      section.type = q.type;
      section.label = choices.sectionLabels[k - 1];
      section.heading = section.label + choices.sectionSuffix + q.type;
      const TypeOrderEntry* entry = FindOrderEntry(request, q.type);
      section.answersRunOn = !(entry && entry->answerOnNewLine);
      for (const databases::QuestionType& t : request.types)
        if (t.name == q.type) {
          section.description = t.note;
          break;
        }
      layout.sections.push_back(std::move(section));
      if (!choices.continuousNumbering) n = 0;
    }
    LayoutRow row;
    row.recordId = q.id;
    row.groupNumber = q.groupNumber;
    row.type = q.type;
    row.score = q.score;
    row.numbered = q.groupNumber != "0";
    if (row.numbered) {
      row.number = ++n;
      row.numberText = std::to_string(n) + ". ";
    }
    row.text1 = q.text1;
    if (q.hasPicture()) row.picture = PictureRef{q.id, databases::PictureKind::Question};
    row.text2 = q.text2;
    row.optionsShuffled = list.rows[i].optionsShuffled;
    row.answer = q.answer;
    if (q.hasAnswerPicture()) row.answerPicture = PictureRef{q.id, databases::PictureKind::Answer};
    layout.sections.back().rows.push_back(std::move(row));
  }
  if (choices.sectionScoreNote)
    for (LayoutSection& s : layout.sections) s.scoreNote = ScoreNote(request, s);
  return layout;
}

PaperLayout GeneratePaper(const PaperRequest& request, PaperSource& source,
                          app::ProgramRandom& random) {
  return LayOutPaper(request, BuildPaperList(request, source, random));
}

void SortByGroup(std::vector<databases::Question>& questions) {
  std::stable_sort(questions.begin(), questions.end(),
                   [](const databases::Question& a, const databases::Question& b) {
                     return text::CompareGbk(a.groupName, b.groupName) > 0;
                   });
  const auto number = [](const databases::Question& q) { return text::LeadingNumber(q.groupNumber); };
  for (auto run = questions.begin(); run != questions.end();) {
    auto end = std::find_if(run, questions.end(), [&](const databases::Question& q) {
      return q.groupName != run->groupName;
    });
    if (!run->groupName.empty())
      std::stable_sort(run, end, [&](const databases::Question& a, const databases::Question& b) {
        return number(a) < number(b) - 1e-7;
      });
    run = end;
  }
}

}  // namespace output
