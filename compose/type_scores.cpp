#include "compose/type_scores.h"

#include <algorithm>
#include <unordered_map>

namespace compose {

int SimilarityPercent(std::int64_t common, std::int64_t totalA, std::int64_t totalB) {
  const std::int64_t larger = std::max(totalA, totalB);
  if (larger <= 0) return 0;
  return static_cast<int>(common * 100 / larger);
}

PaperScores ComputeTypeScores(const std::vector<std::string>& typeOrder,
                              const std::vector<ScoreRow>& rows) {
  struct Sums {
    std::int64_t a = 0, b = 0;
    bool tickedA = false, tickedB = false;
  };
  std::unordered_map<std::string_view, std::size_t> index;
  index.reserve(typeOrder.size());
  for (std::size_t i = 0; i < typeOrder.size(); ++i) index.emplace(typeOrder[i], i);
  std::vector<Sums> sums(typeOrder.size());

  PaperScores out;
  for (const ScoreRow& r : rows) {
    if (!r.groupNumber.empty() && r.groupNumber != "0") continue;
    if (!r.inA && !r.inB) continue;
    const auto it = index.find(r.type);
    if (it == index.end()) continue;
    Sums& s = sums[it->second];
    s.tickedA = s.tickedA || r.inA;
    s.tickedB = s.tickedB || r.inB;
    if (r.score <= 0) continue;
    if (r.inA) {
      s.a += r.score;
      out.totalA += r.score;
      if (r.inB) out.common += r.score;
    }
    if (r.inB) {
      s.b += r.score;
      out.totalB += r.score;
    }
  }
  for (std::size_t i = 0; i < typeOrder.size(); ++i) {
    const Sums& s = sums[i];
    if (s.a > 0) out.a.push_back({typeOrder[i], static_cast<int>(s.a)});
    if (s.b > 0) out.b.push_back({typeOrder[i], static_cast<int>(s.b)});
    out.sectionsA += s.tickedA ? 1 : 0;
    out.sectionsB += s.tickedB ? 1 : 0;
  }
  out.similarity = SimilarityPercent(out.common, out.totalA, out.totalB);
  return out;
}

}  // namespace compose
