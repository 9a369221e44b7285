// The subcommands of mochuan-edb, callable without a process so that tests
// can run them directly.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace edb {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitViolations = 1;  // check found a broken rule
inline constexpr int kExitError = 2;       // bad arguments or a failed operation

// args: the command line without the program name.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace edb
