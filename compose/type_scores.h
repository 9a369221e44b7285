// Per-type scores of papers A and B, their totals and how much of them is
// common, from plain rows: the compose window recomputes them after every
// change, automatic composition after every draw, the paper command once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace compose {

// One question row as the sums see it. The views point into the caller's
// data and must outlive the call.
struct ScoreRow {
  std::string_view type;
  std::string_view groupNumber;  // "" single, "0" title, "1".. member
  int score = 0;
  bool inA = false;
  bool inB = false;
};

struct TypeScore {
  std::string type;
  int score = 0;
  bool operator==(const TypeScore&) const = default;
};

struct PaperScores {
  std::vector<TypeScore> a, b;  // types with a positive sum, in type order
  std::int64_t totalA = 0;
  std::int64_t totalB = 0;
  std::int64_t common = 0;      // score ticked in both papers
  int similarity = 0;           // `SimilarityPercent`
  // Sections each paper needs: types with a ticked row that counts as a
  // question, a title of score 0 included.
  int sectionsA = 0;
  int sectionsB = 0;
};

// floor(100 × common / max(totalA, totalB)); 0 when both totals are 0.
int SimilarityPercent(std::int64_t common, std::int64_t totalA, std::int64_t totalB);

// Sums over the rows that count as one question (group number "" or "0";
// a group is represented by its title's score), type by type in
// `typeOrder`; rows of a type outside it are not counted.
PaperScores ComputeTypeScores(const std::vector<std::string>& typeOrder,
                              const std::vector<ScoreRow>& rows);

}  // namespace compose
