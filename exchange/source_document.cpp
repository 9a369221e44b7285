#include "exchange/source_document.h"

#include <fstream>
#include <iterator>

#include "text/text.h"

namespace exchange {

namespace {

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    char32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + len > s.size()) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const auto d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    // Overlong forms and surrogates are not UTF-8 a person's editor writes.
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
        (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
      return false;
    i += len;
  }
  return true;
}

}  // namespace

SourceDocument ReadTextSource(std::string_view bytes) {
  std::string utf8;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    utf8 = std::string(bytes.substr(3));
  } else if (IsValidUtf8(bytes)) {
    utf8 = std::string(bytes);
  } else {
    utf8 = text::ToUtf8(bytes);
  }
  SourceDocument doc;
  std::size_t start = 0;
  int number = 1;
  for (std::size_t i = 0; i <= utf8.size(); ++i) {
    if (i < utf8.size() && utf8[i] != '\r' && utf8[i] != '\n') continue;
    if (i == utf8.size() && start == i) break;
    doc.lines.push_back({number++, utf8.substr(start, i - start), {}, false});
    if (i + 1 < utf8.size() && utf8[i] == '\r' && utf8[i + 1] == '\n') ++i;
    start = i + 1;
  }
  return doc;
}

bool ReadSourceFile(const std::string& path, SourceDocument& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "无法打开文件：" + path;
    return false;
  }
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
    error = "无法读取文件：" + path;
    return false;
  }
  if (bytes.size() >= 4 && bytes.compare(0, 4, "PK\x03\x04") == 0)
    return ReadDocxSource(path, out, error);
  out = ReadTextSource(bytes);
  return true;
}

}  // namespace exchange
