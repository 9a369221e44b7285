#include "autocompose/statistics.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "text/text.h"

namespace autocompose {

namespace {

int toInt(std::string_view s) {
  const std::int64_t v = text::ToInteger(s);
  return static_cast<int>(std::clamp<std::int64_t>(v, -2147483647 - 1, 2147483647));
}

// Splits at every "|", keeping empty parts.
std::vector<std::string_view> splitParts(std::string_view s) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t bar = s.find('|', start);
    parts.push_back(s.substr(start, bar == std::string_view::npos ? bar : bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  return parts;
}

// The course-wide count: the same rule over many rows, with a hashed list.
class WideCounter {
 public:
  void Add(const std::string& knowledgePoints) {
    if (knowledgePoints.empty()) {
      ++empty_;
      return;
    }
    const auto parts = splitParts(knowledgePoints);
    for (auto p : parts)
      if (!p.empty() && seen_.count(std::string(p))) return;
    for (auto p : parts)
      if (!p.empty()) seen_.insert(std::string(p));
  }
  int Count() const { return empty_ + static_cast<int>(seen_.size()); }

 private:
  int empty_ = 0;
  std::unordered_set<std::string> seen_;
};

// The most takes the rows can hold together, each row at most its need and
// each take once: augmenting paths from a row to a free take. A row that
// failed once in a search fails again, so each search scans every row's
// list at most once.
int MostWithoutRepeats(const std::vector<std::vector<int>>& takes, const std::vector<int>& need,
                       int takeCount) {
  std::vector<int> holder(static_cast<std::size_t>(takeCount), -1);
  std::vector<int> takeSeen(static_cast<std::size_t>(takeCount), 0);
  std::vector<int> rowSeen(takes.size(), 0);
  int stamp = 0;
  std::function<bool(int)> augment = [&](int row) {
    if (rowSeen[static_cast<std::size_t>(row)] == stamp) return false;
    rowSeen[static_cast<std::size_t>(row)] = stamp;
    for (int t : takes[static_cast<std::size_t>(row)]) {
      auto& seen = takeSeen[static_cast<std::size_t>(t)];
      if (seen == stamp) continue;
      seen = stamp;
      auto& h = holder[static_cast<std::size_t>(t)];
      if (h < 0 || augment(h)) {
        h = row;
        return true;
      }
    }
    return false;
  };
  int held = 0;
  for (std::size_t row = 0; row < takes.size(); ++row) {
    for (int k = 0; k < need[row]; ++k) {
      ++stamp;
      if (!augment(static_cast<int>(row))) break;
      ++held;
    }
  }
  return held;
}

}  // namespace

bool IsUngrouped(const ComposeRow& row) { return text::TrimSpaces(row.groupNumber).empty(); }

bool InRange(const ComposeRow& row, DifficultyRange range) {
  const int d = toInt(row.difficulty);
  return range.min <= d && d <= range.max;
}

int ScoreOf(const ComposeRow& row) { return toInt(row.score); }

bool IsUsable(const ComposeRow& row, DifficultyRange range) {
  return IsUngrouped(row) && !row.masked && InRange(row, range) && ScoreOf(row) >= 1;
}

void SelectableCounter::Add(const std::string& knowledgePoints) {
  if (knowledgePoints.empty()) {
    ++empty_;
    return;
  }
  const auto parts = splitParts(knowledgePoints);
  for (auto p : parts)
    if (!p.empty() && std::binary_search(seen_.begin(), seen_.end(), p)) return;
  for (auto p : parts) {
    if (p.empty()) continue;
    const auto at = std::lower_bound(seen_.begin(), seen_.end(), p);
    if (at == seen_.end() || *at != p) seen_.insert(at, std::string(p));
  }
}

int SelectableCounter::Count() const { return empty_ + static_cast<int>(seen_.size()); }

Statistics CountStatistics(const std::vector<ComposeRow>& rows, DifficultyRange range) {
  Statistics st;
  std::unordered_map<std::string, std::size_t> index;  // type + '\0' + score -> row
  std::vector<SelectableCounter> perRow;
  WideCounter wide;
  for (const ComposeRow& r : rows) {
    if (!IsUngrouped(r)) continue;
    const bool usable = IsUsable(r, range);
    std::string key = r.type;
    key.push_back('\0');
    key += r.score;
    auto [it, added] = index.try_emplace(std::move(key), st.rows.size());
    if (added) {
      st.rows.push_back({r.type, r.score, 0, 0, 0});
      perRow.emplace_back();
    }
    StatisticsRow& s = st.rows[it->second];
    ++s.count;
    if (usable) {
      ++s.usable;
      perRow[it->second].Add(r.knowledgePoints);
    }
    if (!r.masked && InRange(r, range)) wide.Add(r.knowledgePoints);
  }
  int sum = 0;
  for (std::size_t i = 0; i < st.rows.size(); ++i) {
    st.rows[i].selectable = perRow[i].Count();
    sum += st.rows[i].selectable;
  }
  st.globalSelectable = wide.Count();
  st.selectableRatio = SelectableRatio(st.globalSelectable, sum);
  return st;
}

float SelectableRatio(int globalSelectable, int selectableSum) {
  if (selectableSum <= 0) return 0.0f;
  return static_cast<float>(
      text::RoundHalfAway(static_cast<double>(globalSelectable) / selectableSum, 2));
}

int OfferedMaximum(int selectable, float ratio, int globalSelectable, int chosenTotal,
                   int previousCount) {
  if (selectable <= 0) return 0;
  int g = static_cast<int>(text::RoundHalfAway(static_cast<double>(selectable) * ratio, 0));
  if (g == 0 && selectable == 1) g = 1;
  const int cap = globalSelectable - chosenTotal + previousCount;
  return std::min(g, cap);
}

int ClampDrawCount(int typed, int offeredMaximum) {
  return std::clamp(typed, 0, std::max(offeredMaximum, 0));
}

void OrderPlan(std::vector<PlanRow>& plan) {
  std::stable_sort(plan.begin(), plan.end(), [](const PlanRow& a, const PlanRow& b) {
    if (a.drawCount != b.drawCount) return a.drawCount < b.drawCount;
    if (a.selectable != b.selectable) return a.selectable < b.selectable;
    return a.usable < b.usable;
  });
}

std::string RowName(const std::string& score, const std::string& type) {
  return score + "分" + type + "题";
}

std::string PlanProblems::Text() const {
  std::string out;
  for (const auto& r : rows) {
    if (!out.empty()) out += "\r\n";
    out += r;
  }
  if (!similarity.empty()) {
    if (!out.empty()) out += "\r\n";
    out += similarity;
  }
  return out;
}

PlanProblems CheckPlan(const std::vector<ComposeRow>& rows, const std::vector<PlanRow>& plan,
                       DifficultyRange range, bool twoPapers, int similarityBound) {
  PlanProblems out;
  std::int64_t total = 0, common = 0;
  // What one paper can take: a knowledge-point text once across all rows,
  // each question without one once. Per plan row, the takes it may use.
  std::unordered_map<std::string, int> takeOf;
  int nextTake = 0;
  std::vector<std::vector<int>> takes;
  std::vector<int> need;
  for (const PlanRow& p : plan) {
    if (p.drawCount < 1) continue;
    const int score = toInt(p.score);
    // Candidates grouped by their whole knowledge-point text: a paper takes
    // at most one of each group; one without a knowledge point is a group
    // of its own.
    std::unordered_map<std::string, int> groupSize;
    int singles = 0;
    std::vector<int>& mine = takes.emplace_back();
    need.push_back(p.drawCount);
    for (const ComposeRow& r : rows) {
      if (r.type != p.type || ScoreOf(r) != score || !IsUsable(r, range)) continue;
      if (r.knowledgePoints.empty()) {
        ++singles;
        mine.push_back(nextTake++);
      } else if (++groupSize[r.knowledgePoints] == 1) {
        const auto [at, added] = takeOf.try_emplace(r.knowledgePoints, nextTake);
        if (added) ++nextTake;
        mine.push_back(at->second);
      }
    }
    int shared = 0;  // groups two papers can both draw from without meeting
    for (const auto& [kp, n] : groupSize) (n >= 2 ? shared : singles)++;
    const int most = singles + shared;
    if (p.drawCount > most) {
      out.rows.push_back(RowName(p.score, p.type) + "：组卷题数" + std::to_string(p.drawCount) +
                         "，不重复知识点最多只能选" + std::to_string(most) + "题。");
    }
    // Questions both papers must share: what each takes beyond the shared
    // groups comes from the single ones, and two such picks of more than
    // there are must meet.
    const int fromSingles = std::max(0, p.drawCount - shared);
    const int forced = std::max(0, 2 * fromSingles - singles);
    total += static_cast<std::int64_t>(score) * p.drawCount;
    common += static_cast<std::int64_t>(score) * std::min(forced, p.drawCount);
  }
  out.leastSimilarity = total > 0 ? static_cast<int>(common * 100 / total) : 0;
  if (out.rows.empty()) {
    // Rows that each could be met may still compete for the same
    // knowledge points: the most one paper can hold is a matching of rows
    // to takes.
    const int wanted = std::accumulate(need.begin(), need.end(), 0);
    const int most = MostWithoutRepeats(takes, need, nextTake);
    if (most < wanted) {
      out.rows.push_back("各题型组卷题数合计" + std::to_string(wanted) +
                         "，各题型试题的知识点相互重复，不重复知识点最多只能选" + std::to_string(most) +
                         "题。");
    }
  }
  if (twoPapers && out.rows.empty() && out.leastSimilarity > similarityBound) {
    out.similarity = "按现在的组卷题数，A、B卷相似度最低为" + std::to_string(out.leastSimilarity) +
                     "，高于要求的" + std::to_string(similarityBound) + "。";
  }
  return out;
}

}  // namespace autocompose
