// Format check of a record file and its side file, read straight from the
// bytes so that it also works on files the engine refuses to open.
#pragma once

#include <string>
#include <vector>

namespace edb {

struct CheckOutcome {
  // One line per violated rule; empty when the files are sound.
  std::vector<std::string> problems;
  // Set when the files could not be examined at all (unreadable, wrong or
  // missing password); problems is then meaningless.
  std::string fatal;
};

// mainPath: the ".edb" file; sidePath: its side file ("" when none exists).
CheckOutcome CheckFiles(const std::string& mainPath, const std::string& sidePath,
                        const std::string& password);

}  // namespace edb
