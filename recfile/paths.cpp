#include "recfile/paths.h"

#include <algorithm>

#include "text/text.h"

namespace recfile::paths {

namespace {
std::size_t NameStart(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? 0 : slash + 1;
}
// Position of the extension's dot, or npos.
std::size_t ExtensionDot(const std::string& path) {
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < NameStart(path)) return std::string::npos;
  return dot;
}
}  // namespace

std::string WithDefaultExtension(const std::string& path) {
  const auto dot = ExtensionDot(path);
  if (dot == std::string::npos) return path + ".edb";
  if (dot + 1 == path.size()) return path + "edb";
  return path;
}

namespace {
std::string WithExtension(const std::string& mainPath, const char* lower, const char* upper) {
  const auto dot = ExtensionDot(mainPath);
  const std::string base = dot == std::string::npos ? mainPath : mainPath.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : mainPath.substr(dot + 1);
  const bool capitals = !ext.empty() && std::none_of(ext.begin(), ext.end(), [](char c) {
    return c >= 'a' && c <= 'z';
  });
  return base + (capitals ? upper : lower);
}
}  // namespace

std::string SideFileName(const std::string& mainPath) {
  return WithExtension(mainPath, ".edt", ".EDT");
}

std::string JournalFileName(const std::string& mainPath) {
  return WithExtension(mainPath, ".edj", ".EDJ");
}

std::string Stem(const std::string& path) {
  const auto start = NameStart(path);
  const auto dot = ExtensionDot(path);
  return path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
}

std::string FindExtensionVariant(FileSystem& fs, const std::string& path) {
  if (fs.Exists(path)) return path;
  const auto dot = ExtensionDot(path);
  if (dot == std::string::npos) return path;
  const auto start = NameStart(path);
  const std::string dir = path.substr(0, start);
  const std::string name = path.substr(start);
  const std::size_t stemLength = dot - start;
  std::vector<std::string> entries = fs.ListDirectory(dir.empty() ? "." : dir);
  std::sort(entries.begin(), entries.end());  // the same choice every time
  for (const std::string& entry : entries) {
    if (entry.size() == name.size() && entry.compare(0, stemLength + 1, name, 0, stemLength + 1) == 0 &&
        text::EqualsIgnoreCase(std::string_view(entry).substr(stemLength + 1),
                               std::string_view(name).substr(stemLength + 1)))
      return dir + entry;
  }
  return path;
}

}  // namespace recfile::paths
