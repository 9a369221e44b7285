#include "autocompose/bank_rows.h"

#include <string>

namespace autocompose {

std::vector<ComposeRow> RowsFromQuestions(const std::vector<databases::Question>& bank,
                                          std::vector<std::size_t>* order) {
  std::vector<std::size_t> idx;
  idx.reserve(bank.size());
  // Grouped rows take no part in drawing, so where they sit among
  // themselves does not matter; ungrouped rows keep record order.
  for (std::size_t i = 0; i < bank.size(); ++i)
    if (!bank[i].groupName.empty() || !bank[i].groupNumber.empty()) idx.push_back(i);
  for (std::size_t i = 0; i < bank.size(); ++i)
    if (bank[i].groupName.empty() && bank[i].groupNumber.empty()) idx.push_back(i);
  std::vector<ComposeRow> rows;
  rows.reserve(idx.size());
  for (std::size_t i : idx) {
    const auto& q = bank[i];
    rows.push_back({q.knowledgePoints, q.groupNumber, q.type, std::to_string(q.difficulty),
                    std::to_string(q.score), q.masked});
  }
  if (order) *order = std::move(idx);
  return rows;
}

}  // namespace autocompose
