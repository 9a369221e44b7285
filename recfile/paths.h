// File names of record files.
#pragma once

#include <string>

#include "recfile/file_system.h"

namespace recfile::paths {

// Appends ".edb" when the name has no extension ("x" and "x." alike).
std::string WithDefaultExtension(const std::string& path);
// The side file's name: the extension replaced by "edt" ("EDT" when the
// main file's extension is written in capitals).
std::string SideFileName(const std::string& mainPath);
// The journal an interrupted operation leaves: the extension replaced by
// "edj" ("EDJ" when the main file's extension is written in capitals).
std::string JournalFileName(const std::string& mainPath);
// The file name without directory and extension.
std::string Stem(const std::string& path);
// `path` itself when it exists; otherwise an existing file of the same
// directory and name whose extension differs only in case; else `path`.
std::string FindExtensionVariant(FileSystem& fs, const std::string& path);

}  // namespace recfile::paths
