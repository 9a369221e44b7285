// File names of record files.
#pragma once

#include <string>

#include "recfile/file_system.h"

namespace recfile::paths {

// Appends ".edb" when the name has no extension ("x" and "x." alike).
std::string withDefaultExtension(const std::string& path);
// The side file's name: the extension replaced by "edt" ("EDT" when the
// main file's extension is written in capitals).
std::string sideFileName(const std::string& mainPath);
// The journal an interrupted operation leaves: the extension replaced by
// "edj" ("EDJ" when the main file's extension is written in capitals).
std::string journalFileName(const std::string& mainPath);
// The file name without directory and extension.
std::string stem(const std::string& path);
// `path` itself when it exists; otherwise an existing file of the same
// directory and name whose extension differs only in case; else `path`.
std::string findExtensionVariant(FileSystem& fs, const std::string& path);

}  // namespace recfile::paths
