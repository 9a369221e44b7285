#include "autocompose/draw.h"

#include <algorithm>
#include <unordered_map>

#include "compose/type_scores.h"

namespace autocompose {

Drawer::Drawer(const std::vector<ComposeRow>& rows, const std::vector<PlanRow>& plan,
               DifficultyRange range) {
  // Knowledge-point texts become small numbers once, so a draw compares
  // numbers and never reads a text.
  std::unordered_map<std::string, int> ids;
  std::unordered_map<std::string, std::size_t> slotOf;  // type + '\0' + score
  slots_.resize(plan.size());
  for (std::size_t i = 0; i < plan.size(); ++i) {
    Slot& s = slots_[i];
    s.need = plan[i].drawCount;
    s.shortage = RowName(plan[i].score, plan[i].type) + "不够选！";
    chosenTotal_ += std::max(0, plan[i].drawCount);
    std::string key = plan[i].type;
    key.push_back('\0');
    key += std::to_string(ScoreOf(ComposeRow{{}, {}, {}, {}, plan[i].score, false}));
    // A type and score planned twice would be one statistics row; the
    // first plan row takes them.
    slotOf.try_emplace(std::move(key), i);
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const ComposeRow& row = rows[r];
    if (!IsUsable(row, range)) continue;
    std::string key = row.type;
    key.push_back('\0');
    key += std::to_string(ScoreOf(row));
    const auto slot = slotOf.find(key);
    if (slot == slotOf.end()) continue;
    int kp = -1;
    if (!row.knowledgePoints.empty())
      kp = ids.try_emplace(row.knowledgePoints, static_cast<int>(ids.size())).first->second;
    const Candidate c{static_cast<int>(r), kp};
    slots_[slot->second].candidates.push_back(c);
  }
  usedIn_.assign(ids.size(), 0);
}

int Drawer::CandidateCount(std::size_t planRow) const {
  return planRow < slots_.size() ? static_cast<int>(slots_[planRow].candidates.size()) : 0;
}

void Drawer::DrawPaper(app::ProgramRandom& random, PaperDraw& out) {
  out.rows.clear();
  out.failed = false;
  out.status.clear();
  if (++drawNo_ == 0) {  // wrapped: forget every earlier draw
    std::fill(usedIn_.begin(), usedIn_.end(), 0);
    drawNo_ = 1;
  }
  for (const Slot& s : slots_) {
    work_.assign(s.candidates.begin(), s.candidates.end());
    const std::size_t first = out.rows.size();
    int chosen = 0;
    while (chosen < s.need && !work_.empty()) {
      const int k = random.Between(1, static_cast<int>(work_.size()));
      const Candidate c = work_[static_cast<std::size_t>(k - 1)];
      if (c.knowledge < 0) {
        out.rows.push_back(c.row);
        ++chosen;
      } else if (usedIn_[static_cast<std::size_t>(c.knowledge)] != drawNo_) {
        usedIn_[static_cast<std::size_t>(c.knowledge)] = drawNo_;
        out.rows.push_back(c.row);
        ++chosen;
      }
      work_.erase(work_.begin() + (k - 1));
    }
    if (chosen < s.need) {
      out.rows.resize(first);
      out.failed = true;
      out.status = s.shortage;
      return;
    }
  }
}

namespace {

void draw(Drawer& drawer, app::ProgramRandom& random, RunHooks& hooks, Paper p, PaperDraw& d,
          RunResult& res) {
  drawer.DrawPaper(random, d);
  hooks.Tick(p, d.rows);
  res.drawFailed = d.failed;
  if (d.failed) {
    hooks.SetStatus(d.status);
    res.lastStatus = d.status;
  }
  hooks.Recompute();
}

}  // namespace

RunResult RunBothPapers(Drawer& drawer, app::ProgramRandom& random, RunHooks& hooks,
                        int requirement) {
  RunResult res;
  const int limit = kAttemptsPerQuestion * drawer.chosenTotal();
  PaperDraw a, b;
  do {
    hooks.Clear(Paper::A);
    hooks.Clear(Paper::B);
    draw(drawer, random, hooks, Paper::A, a, res);
    if (a.failed) {
      hooks.AttemptCounted(++res.attempts);
    } else {
      draw(drawer, random, hooks, Paper::B, b, res);
      if (!b.failed) {
        hooks.AttemptCounted(++res.attempts);
        if (requirement >= hooks.Similarity()) {
          res.succeeded = true;
          res.lastStatus.clear();
          break;
        }
        res.lastStatus = "不能满足相似度要求！";
        hooks.SetStatus(res.lastStatus);
      }
    }
    if (!hooks.KeepRunning()) break;
  } while (res.attempts < limit);
  res.failureDue = requirement < hooks.Similarity() || hooks.Total(Paper::A) != hooks.Total(Paper::B);
  return res;
}

RunResult RunOnePaper(Drawer& drawer, app::ProgramRandom& random, RunHooks& hooks, Paper paper) {
  RunResult res;
  const int limit = kAttemptsPerQuestion * drawer.chosenTotal();
  PaperDraw d;
  do {
    hooks.Clear(paper);
    draw(drawer, random, hooks, paper, d, res);
    hooks.AttemptCounted(++res.attempts);
    if (!d.failed) {
      res.succeeded = true;
      res.lastStatus.clear();
      break;
    }
    if (!hooks.KeepRunning()) break;
  } while (res.attempts < limit);
  res.failureDue = d.failed;
  return res;
}

TickSheet::TickSheet(const std::vector<ComposeRow>& rows)
    : scores_(rows.size()), ticks_(rows.size(), 0) {
  for (std::size_t i = 0; i < rows.size(); ++i) scores_[i] = std::max(0, ScoreOf(rows[i]));
}

void TickSheet::Clear(Paper p) {
  const int i = Index(p);
  const std::uint8_t bit = static_cast<std::uint8_t>(1u << i);
  for (int r : ticked_[i]) ticks_[static_cast<std::size_t>(r)] &= static_cast<std::uint8_t>(~bit);
  ticked_[i].clear();
  total_[i] = 0;
}

void TickSheet::Tick(Paper p, const std::vector<int>& rows) {
  const int i = Index(p);
  const std::uint8_t bit = static_cast<std::uint8_t>(1u << i);
  for (int r : rows) {
    auto& t = ticks_[static_cast<std::size_t>(r)];
    if (t & bit) continue;
    t |= bit;
    ticked_[i].push_back(r);
    total_[i] += scores_[static_cast<std::size_t>(r)];
  }
}

int TickSheet::Similarity() {
  std::int64_t common = 0;
  for (int r : ticked_[0])
    if (ticks_[static_cast<std::size_t>(r)] & 2) common += scores_[static_cast<std::size_t>(r)];
  return compose::SimilarityPercent(common, total_[0], total_[1]);
}

std::vector<int> TickSheet::Ticked(Paper p) const {
  std::vector<int> out = ticked_[Index(p)];
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace autocompose
