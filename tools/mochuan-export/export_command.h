// `mochuan-export`: a course's bank as Moodle XML, without a window.
//
//   mochuan-export --data-dir DIR --course NAME [--password P]
//                  --format moodle-xml --out FILE.xml
//
// Prints what was written; every failure is one line on standard error with
// exit code 2.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace export_tool {

inline constexpr int kExitFailure = 2;

int ExportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace export_tool
