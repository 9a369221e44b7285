// The counting side of automatic composition, free of windows: which compose
// rows can be drawn, how many questions each type and score offers without a
// repeated knowledge point, what a row may be given, the plan and its order,
// and whether a plan can be met at all before anyone waits for a run.
#pragma once

#include <string>
#include <vector>

namespace autocompose {

// One question row of the compose grid as automatic composition reads it:
// the texts of "知识点", "分组号", "题型", "难度", "分值" and the "屏蔽" check.
struct ComposeRow {
  std::string knowledgePoints;
  std::string groupNumber;
  std::string type;
  std::string difficulty;
  std::string score;
  bool masked = false;
};

struct DifficultyRange {
  int min = 1;
  int max = 9;
};

// Neither a sub-question nor a group's title: a title drawn alone would put
// a stem without its questions into a paper, counted at the group's score.
bool IsUngrouped(const ComposeRow& row);
bool InRange(const ComposeRow& row, DifficultyRange range);
// Ungrouped, not masked, in range and worth at least 1 point: only these
// are counted as 可用 and drawn.
bool IsUsable(const ComposeRow& row, DifficultyRange range);
int ScoreOf(const ComposeRow& row);

// One row of the statistics grid.
struct StatisticsRow {
  std::string type;    // "题型"
  std::string score;   // "分值", as the compose grid writes it
  int count = 0;       // "题数"
  int usable = 0;      // "可用题数" (shown empty while 0)
  int selectable = 0;  // "可选题数"
};

struct Statistics {
  std::vector<StatisticsRow> rows;  // in the order first met in the grid
  int globalSelectable = 0;         // `GlobalSelectable`
  float selectableRatio = 0.0f;     // `SelectableRatio`
};

// The knowledge-point rule: a question with no knowledge point counts once,
// one with points once per new distinct part; a question sharing any part
// with one met earlier counts nothing. Over `rows` in their order.
class SelectableCounter {
 public:
  void Add(const std::string& knowledgePoints);
  int Count() const;

 private:
  int empty_ = 0;
  std::vector<std::string> seen_;  // small per row; kept sorted
};

// `CountStatistics` over the compose rows in grid order.
Statistics CountStatistics(const std::vector<ComposeRow>& rows, DifficultyRange range);

// `GlobalSelectable` / the sum of every row's 可选题数, rounded half away from
// zero to two decimals, single precision; 0 when nothing is selectable.
float SelectableRatio(int globalSelectable, int selectableSum);

// The highest 组卷题数 offered for a row (the list "0" .. that number; 0 or
// less offers nothing): its 可选题数 scaled by the ratio, at least 1 for a
// row with exactly one selectable question, capped by what the course-wide
// count leaves once the other rows' counts are taken.
int OfferedMaximum(int selectable, float ratio, int globalSelectable, int chosenTotal,
                   int previousCount);

// A typed 组卷题数 kept within 0 .. the offered maximum.
int ClampDrawCount(int typed, int offeredMaximum);

// One row of the plan table (`DrawPlan`).
struct PlanRow {
  std::string type;
  std::string score;
  int usable = 0;
  int selectable = 0;
  int drawCount = 0;  // "组卷题数"
};

// Fewest questions first, then the scarcest: ascending by 组卷题数, then
// 可选题数, then 可用题数; ties keep their order.
void OrderPlan(std::vector<PlanRow>& plan);

// Why a plan cannot be met, found before a run.
struct PlanProblems {
  // One text per plan row that asks for more than its candidates can give
  // without a repeated knowledge-point text.
  std::vector<std::string> rows;
  // For two papers: the least A/B similarity the plan allows, and the text
  // saying so when it is above the bound (empty otherwise).
  int leastSimilarity = 0;
  std::string similarity;

  bool any() const { return !rows.empty() || !similarity.empty(); }
  // All reasons, one a line (CR LF).
  std::string Text() const;
};

PlanProblems CheckPlan(const std::vector<ComposeRow>& rows, const std::vector<PlanRow>& plan,
                       DifficultyRange range, bool twoPapers, int similarityBound);

// How a status or reason names a plan row: "5分填空题".
std::string RowName(const std::string& score, const std::string& type);

}  // namespace autocompose
