// Paper generation: the paper list (sections in type order, questions drawn
// at random inside each, groups kept together, choice options shuffled), the
// title line, numbering and score notes. Every random draw goes through the
// process's `ProgramRandom`, in a fixed order, so the same actions after a
// start give the same paper.
#pragma once

#include <string>
#include <vector>

#include "app/app_context.h"
#include "databases/course_bank.h"
#include "output/paper_layout.h"
#include "output/paper_request.h"

namespace output {

// One row of the paper list: the question as printed (options and answer
// converted, the twin's id for a picture-options question served by its
// twin).
struct PaperListRow {
  databases::Question question;
  bool optionsShuffled = false;
};

struct PaperList {
  std::vector<PaperListRow> rows;
  std::string stopMessage;  // why building stopped early; empty when it ran through
};

struct ShuffledOptions {
  std::string options;  // label + suffix + line + five spaces, per option
  std::string answer;   // the labels of the correct options, in their new order
};

// Shuffles the option lines of `options` (CR LF between lines): one draw in
// [1, pool size] per option. At most nine options (the caller checks).
ShuffledOptions ShuffleOptions(const std::string& options, const std::string& answer,
                               const std::vector<std::string>& labels,
                               const std::string& suffix, app::ProgramRandom& random);

// The option lines of "题文2" (a trailing empty piece dropped).
std::vector<std::string> OptionLines(const std::string& text2);

// The paper list: one section per type of the type order; in each, a draw
// picks the next block (a question, or a title with its members), whose
// choice rows then shuffle their options, before the next pick.
PaperList BuildPaperList(const PaperRequest& request, PaperSource& source,
                         app::ProgramRandom& random);

// `PaperTitle`: course, selection stamp, total, similarity, paper, generation
// stamp, then "试题" or "答案", separated by two spaces.
std::string PaperTitle(const PaperRequest& request, bool answers);

// Sections, numbers, headings and score notes over a built paper list.
PaperLayout LayOutPaper(const PaperRequest& request, const PaperList& list);

// BuildPaperList then LayOutPaper.
PaperLayout GeneratePaper(const PaperRequest& request, PaperSource& source,
                          app::ProgramRandom& random);

// Puts questions in the compose grid's group order: group names descending
// as GBK text (ungrouped last), members of each group by number ascending;
// stable.
void SortByGroup(std::vector<databases::Question>& questions);

}  // namespace output
