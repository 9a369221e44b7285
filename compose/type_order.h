// The order of question types as sections of a paper. It is stored per
// course in "题型排序" of the course record, names joined by ",", and
// brought in line with the bank every time the compose window opens.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace compose {

// "题型排序" holds at most this many bytes (GBK length).
inline constexpr std::size_t kTypeOrderBytes = 512;

// The stored text split at ",".
std::vector<std::string> SplitTypeOrder(std::string_view joined);

// The distinct types in order of first occurrence.
std::vector<std::string> CollectTypes(const std::vector<std::string_view>& typesInGridOrder);

// The saved order cleaned and extended: saved names that are no type of the
// bank (and repeats) are dropped, then the bank's types missing from it are
// appended in the order given.
std::vector<std::string> MergeTypeOrder(const std::vector<std::string>& saved,
                                        const std::vector<std::string>& bankTypes);

// The names joined by ",", as many whole names from the front as fit in
// `maxBytes`; a name that would be cut is left off with all after it (the
// next opening appends them again).
std::string JoinTypeOrder(const std::vector<std::string>& names,
                          std::size_t maxBytes = kTypeOrderBytes);

}  // namespace compose
