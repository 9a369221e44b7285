// The drawing side of automatic composition, free of windows: the candidates
// of every plan row worked out once, one paper drawn through the program's
// random generator, and the loops of a run. The window and the paper
// command drive the same loops, so the same plan, rows and generator state
// give the same papers in both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "autocompose/statistics.h"

namespace autocompose {

enum class Paper { A, B };

// The rows drawn for one paper, in plan order and order of choice.
struct PaperDraw {
  std::vector<int> rows;  // indexes into the compose rows
  bool failed = false;    // `DrawFailed`
  std::string status;     // "5分填空题不够选！" when a plan row ran out
};

class Drawer {
 public:
  // `plan` in drawing order (after OrderPlan). Candidates of a plan row:
  // the usable rows of its type and score, in grid order.
  Drawer(const std::vector<ComposeRow>& rows, const std::vector<PlanRow>& plan,
         DifficultyRange range);

  // `DrawPaper`: for each plan row, picks candidates at random until it has
  // its count, skipping a candidate whose knowledge-point text was already
  // used in this paper. On a row that runs out the draw ends; the rows of
  // the plan rows before it stay in `out.rows`.
  void DrawPaper(app::ProgramRandom& random, PaperDraw& out);

  // Sum of the plan's 组卷题数 (`ChosenTotal`).
  int chosenTotal() const { return chosenTotal_; }
  int CandidateCount(std::size_t planRow) const;

 private:
  struct Candidate {
    int row;
    int knowledge;  // id of the whole knowledge-point text, -1 when empty
  };
  struct Slot {
    std::vector<Candidate> candidates;
    int need = 0;
    std::string shortage;  // status text when the candidates run out
  };
  std::vector<Slot> slots_;
  std::vector<Candidate> work_;
  std::vector<std::uint32_t> usedIn_;  // per knowledge id: the draw that used it
  std::uint32_t drawNo_ = 0;
  int chosenTotal_ = 0;
};

// What a run needs from where the papers live (the compose grid, or plain
// tick lists for the command).
class RunHooks {
 public:
  virtual ~RunHooks() = default;
  // Unticks the paper everywhere.
  virtual void Clear(Paper p) = 0;
  virtual void Tick(Paper p, const std::vector<int>& rows) = 0;
  // `RecomputeTypeScores`.
  virtual void Recompute() = 0;
  virtual int Total(Paper p) = 0;
  virtual int Similarity() = 0;
  virtual void SetStatus(const std::string& text) = 0;
  // An attempt was counted; `attempts` so far.
  virtual void AttemptCounted(int attempts) = 0;
  // Lets pending events run (the stop click, the timer); false when the run
  // was asked to stop.
  virtual bool KeepRunning() = 0;
};

struct RunResult {
  int attempts = 0;
  bool succeeded = false;
  // The after-loop failure message is due ("…不成功！").
  bool failureDue = false;
  // `DrawFailed` after the last paper draw.
  bool drawFailed = false;
  std::string lastStatus;
};

inline constexpr int kAttemptsPerQuestion = 10;

// Both papers, until their similarity is within `requirement` (percent).
RunResult RunBothPapers(Drawer& drawer, app::ProgramRandom& random, RunHooks& hooks,
                        int requirement);
// One paper, until a draw succeeds.
RunResult RunOnePaper(Drawer& drawer, app::ProgramRandom& random, RunHooks& hooks, Paper paper);

// Papers as plain tick lists over the compose rows, totals and similarity
// computed as the compose window computes them for ungrouped rows.
class TickSheet : public RunHooks {
 public:
  explicit TickSheet(const std::vector<ComposeRow>& rows);

  void Clear(Paper p) override;
  void Tick(Paper p, const std::vector<int>& rows) override;
  void Recompute() override {}
  int Total(Paper p) override { return total_[Index(p)]; }
  int Similarity() override;
  void SetStatus(const std::string& text) override { status = text; }
  void AttemptCounted(int) override {}
  bool KeepRunning() override { return true; }

  // Ticked rows of a paper, in grid order.
  std::vector<int> Ticked(Paper p) const;

  std::string status;

 private:
  static int Index(Paper p) { return p == Paper::A ? 0 : 1; }
  std::vector<int> scores_;
  std::vector<std::uint8_t> ticks_;  // bit 1 A, bit 2 B
  std::vector<int> ticked_[2];
  int total_[2] = {0, 0};
};

}  // namespace autocompose
