#include "compose/type_order.h"

#include <unordered_set>

#include "text/text.h"

namespace compose {

std::vector<std::string> SplitTypeOrder(std::string_view joined) {
  std::vector<std::string> names;
  if (joined.empty()) return names;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = joined.find(',', start);
    names.emplace_back(joined.substr(start, comma == std::string_view::npos ? comma : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return names;
}

std::vector<std::string> CollectTypes(const std::vector<std::string_view>& typesInGridOrder) {
  std::vector<std::string> types;
  std::unordered_set<std::string_view> seen;
  for (std::string_view t : typesInGridOrder)
    if (seen.insert(t).second) types.emplace_back(t);
  return types;
}

std::vector<std::string> MergeTypeOrder(const std::vector<std::string>& saved,
                                        const std::vector<std::string>& bankTypes) {
  const std::unordered_set<std::string> inBank(bankTypes.begin(), bankTypes.end());
  std::unordered_set<std::string> taken;
  std::vector<std::string> order;
  for (const std::string& name : saved)
    if (inBank.count(name) && taken.insert(name).second) order.push_back(name);
  for (const std::string& name : bankTypes)
    if (taken.insert(name).second) order.push_back(name);
  return order;
}

std::string JoinTypeOrder(const std::vector<std::string>& names, std::size_t maxBytes) {
  std::string joined;
  std::size_t bytes = 0;
  for (const std::string& name : names) {
    const std::size_t add = text::GbkLength(name) + (joined.empty() ? 0 : 1);
    if (bytes + add > maxBytes) break;
    if (!joined.empty()) joined += ',';
    joined += name;
    bytes += add;
  }
  return joined;
}

}  // namespace compose
