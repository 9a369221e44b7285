// `mochuan-paper --draw`: the automatic draw without a window, saved as a
// plan.
//
//   mochuan-paper --data-dir DIR --course NAME [--password P]
//                 --draw "题型:分值:题数,…" [--papers AB|A|B] [--similarity N]
//                 [--difficulty MIN-MAX] [--seed N] --save-plan FILE.mcplan
//
// It draws as the automatic composition window does after a fresh start of
// the program (the generator at 1, or at --seed), for the plan rows in the
// order given, and prints the totals of A and B and their similarity on one
// line. Exit codes: 0 drawn and saved; 2 bad arguments, unknown course,
// wrong password, a plan that cannot be saved; 3 a plan that cannot be met,
// with the reason on standard error.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace autocompose {

inline constexpr int kDrawExitUsage = 2;
inline constexpr int kDrawExitCannotMeet = 3;

// `args` are the command's arguments (without the program name).
int DrawCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The usage lines of the draw mode, for the command's help.
extern const char* const kDrawUsage;

}  // namespace autocompose
