// What poppler's command-line tools (poppler-utils, installed with the
// build's packages) read from a PDF: page count and size, text, fonts,
// pictures.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace pdf_test {

inline std::string shellQuoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string run(const std::string& command) {
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) return out;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  ::pclose(p);
  return out;
}

class Pdf {
 public:
  explicit Pdf(std::string path) : path_(std::move(path)) {
    info_ = run("pdfinfo " + shellQuoted(path_) + " 2>&1");
    if (info_.find("Pages:") == std::string::npos)
      ADD_FAILURE() << "pdfinfo (poppler-utils) cannot read " << path_ << ": " << info_;
  }
  int pages() const {
    const std::string v = field("Pages:");
    return v.empty() ? 0 : std::stoi(v);
  }
  std::string pageSize() const { return field("Page size:"); }
  std::string text() const {
    // Spaces are collapsed so wide gaps compare as one.
    std::string raw = run("pdftotext -enc UTF-8 " + shellQuoted(path_) + " - 2>/dev/null"), out;
    for (char c : raw) {
      if (c == ' ' && !out.empty() && out.back() == ' ') continue;
      out += c;
    }
    return out;
  }
  std::string fonts() const { return run("pdffonts " + shellQuoted(path_) + " 2>&1"); }
  // Every font line says "yes" in the "emb" column.
  bool allFontsEmbedded() const {
    std::istringstream in(fonts());
    std::string line;
    int row = 0, fonts = 0;
    while (std::getline(in, line)) {
      if (++row <= 2 || line.empty()) continue;
      ++fonts;
      // The columns end: emb sub uni "object" "ID" (two numbers).
      std::istringstream words(line);
      std::vector<std::string> all;
      for (std::string w; words >> w;) all.push_back(w);
      if (all.size() < 5 || all[all.size() - 5] != "yes") return false;
    }
    return fonts > 0;
  }
  int imageCount() const {
    std::istringstream in(run("pdfimages -list " + shellQuoted(path_) + " 2>&1"));
    std::string line;
    int rows = -2;
    while (std::getline(in, line))
      if (!line.empty()) ++rows;
    return rows < 0 ? 0 : rows;
  }

 private:
  std::string field(const std::string& name) const {
    const auto at = info_.find("\n" + name);
    const auto start = at == std::string::npos ? (info_.rfind(name, 0) == 0 ? 0 : std::string::npos) : at + 1;
    if (start == std::string::npos) return {};
    const auto end = info_.find('\n', start);
    std::string v = info_.substr(start + name.size(), end - start - name.size());
    const auto first = v.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : v.substr(first);
  }
  std::string path_;
  std::string info_;
};

}  // namespace pdf_test
