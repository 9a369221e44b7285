// The compose rows of a course bank as a freshly opened compose window
// holds them: ungrouped questions in record order (the group order puts
// them last, keeping their order), groups before them.
#pragma once

#include <vector>

#include "autocompose/statistics.h"
#include "databases/course_bank.h"

namespace autocompose {

// `rows[i]` is `bank[order[i]]`; `order` is filled when given.
std::vector<ComposeRow> RowsFromQuestions(const std::vector<databases::Question>& bank,
                                          std::vector<std::size_t>* order = nullptr);

}  // namespace autocompose
