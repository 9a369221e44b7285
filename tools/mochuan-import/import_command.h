// `mochuan-import`: questions from a Word document or a text file into a
// course's bank, without a window.
//
//   mochuan-import --data-dir DIR --course NAME [--password P] FILE [--dry-run]
//
// Exit codes: 0 everything readable was imported (or would be), 1 some
// questions were refused, 2 a failure (unknown course, unreadable file).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace import_tool {

inline constexpr int kExitRefused = 1;
inline constexpr int kExitFailure = 2;

int ImportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace import_tool
