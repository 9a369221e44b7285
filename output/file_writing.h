// Writing output files with the system's reason on failure, so that nothing
// claims a document was produced when it was not.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace output {

// Creates or overwrites `path` with `bytes`. On failure `error` names the
// file and the system's reason.
bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string& error);

// Creates `path` (and missing parents) as a folder; true when it exists.
bool MakeFolder(const std::string& path, std::string& error);

// dir + "/" + name (dir may be empty: name alone).
std::string JoinPath(const std::string& dir, const std::string& name);

}  // namespace output
