#include "output/document_writer.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace output {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the well-formed UTF-8 sequence at s[i] (no surrogates, no
// overlong forms); 0 when there is none.
std::size_t utf8Length(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = byte(i);
  if (c < 0x80) return 1;
  std::size_t n = 0;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;  // surrogates: the escapes of undecodable bytes
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  if (byte(i + 1) < lo || byte(i + 1) > hi) return 0;
  for (std::size_t k = 2; k < n; ++k)
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  return n;
}

bool isSurrogate(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  return i + 2 < s.size() && byte(i) == 0xED && byte(i + 1) >= 0xA0 && byte(i + 1) <= 0xBF &&
         byte(i + 2) >= 0x80 && byte(i + 2) <= 0xBF;
}

// U+FFFE and U+FFFF may not stand in XML either.
bool isNonCharacter(std::string_view seq) { return seq == "\xEF\xBF\xBE" || seq == "\xEF\xBF\xBF"; }

void popLastCharacter(std::string& s) {
  std::size_t i = s.size();
  while (i > 0) {
    --i;
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) break;
  }
  s.erase(i);
}

}  // namespace

std::string CleanText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      out += kReplacement;
      ++i;
      continue;
    }
    // An escaped byte (a surrogate) and a non-character are one character
    // each that XML cannot hold; a stray byte is one too.
    if (isSurrogate(text, i) || (utf8Length(text, i) == 3 && isNonCharacter(text.substr(i, 3)))) {
      out += kReplacement;
      i += 3;
      continue;
    }
    const std::size_t n = utf8Length(text, i);
    if (n == 0) {
      out += kReplacement;
      ++i;
      continue;
    }
    out.append(text.substr(i, n));
    i += n;
  }
  return out;
}

std::string Paragraph::text() const {
  std::string s;
  for (const auto& piece : content) {
    switch (piece.kind) {
      case Inline::Kind::Text: s += piece.text; break;
      case Inline::Kind::LineBreak: s += '\n'; break;
      case Inline::Kind::Tab: s += '\t'; break;
      case Inline::Kind::Picture: break;
    }
  }
  return s;
}

DocumentWriter::DocumentWriter() { document_.paragraphs.emplace_back(); }

void DocumentWriter::Append(Inline piece) {
  auto& content = current().content;
  if (piece.kind == Inline::Kind::Text && !content.empty() &&
      content.back().kind == Inline::Kind::Text && content.back().format == piece.format) {
    content.back().text += piece.text;
    return;
  }
  content.push_back(std::move(piece));
}

void DocumentWriter::TypeText(std::string_view text) {
  // A CR LF pair is one break; a lone CR or LF and a vertical tab are too.
  std::string run;
  const auto flush = [&] {
    if (run.empty()) return;
    Append({Inline::Kind::Text, CleanText(run), format_, -1});
    run.clear();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n' || c == '\v') {
      flush();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      Append({Inline::Kind::LineBreak, {}, format_, -1});
    } else if (c == '\t') {
      flush();
      Append({Inline::Kind::Tab, {}, format_, -1});
    } else {
      run += c;
    }
  }
  flush();
}

void DocumentWriter::TypeParagraph() {
  current().mark = format_;
  Paragraph next;
  next.format = current().format;
  next.mark = format_;
  document_.paragraphs.push_back(std::move(next));
}

void DocumentWriter::TypeBackspace() {
  auto& paragraphs = document_.paragraphs;
  auto& content = current().content;
  if (content.empty()) {
    if (paragraphs.size() < 2) return;
    // The mark of the paragraph before goes: its content joins this one.
    auto& previous = paragraphs[paragraphs.size() - 2];
    std::vector<Inline> joined = std::move(previous.content);
    for (auto& piece : content) joined.push_back(std::move(piece));
    current().content = std::move(joined);
    paragraphs.erase(paragraphs.end() - 2);
    return;
  }
  Inline& last = content.back();
  if (last.kind == Inline::Kind::Text) {
    popLastCharacter(last.text);
    if (!last.text.empty()) return;
  }
  content.pop_back();
}

void DocumentWriter::SetAlignment(int alignment) {
  if (alignment < kAlignLeft || alignment > kAlignJustify) return;
  current().format.alignment = alignment;
}

void DocumentWriter::SetFontSize(double points) {
  if (!(points >= 1 && points <= 1638)) return;
  format_.size = points;
  if (current().empty()) current().mark.size = points;
}

void DocumentWriter::SetBold(int bold) {
  format_.bold = bold != 0;
  if (current().empty()) current().mark.bold = format_.bold;
}

bool DocumentWriter::SetStyle(std::string_view style) {
  if (style != kNormalStyleName && style != "Normal") return false;
  current().format = ParagraphFormat{};
  format_ = CharFormat{};
  if (current().empty()) current().mark = format_;
  return true;
}

bool DocumentWriter::SetParagraphFormat(std::string_view property, double value) {
  // Indents beyond the page make no sense; a guard against garbage values.
  const bool sensibleIndent = value >= -100 && value <= 100;
  if (property == "CharacterUnitLeftIndent" && sensibleIndent) {
    current().format.leftChars = value;
  } else if (property == "CharacterUnitFirstLineIndent" && sensibleIndent) {
    current().format.firstLineChars = value;
  } else if (property == "LineSpacingRule" &&
             (value == kLineSpacingSingle || value == kLineSpacingOneAndHalf ||
              value == kLineSpacingDouble)) {
    current().format.lineSpacing = static_cast<int>(value);
  } else if (property == "Alignment" && value >= kAlignLeft && value <= kAlignJustify &&
             value == static_cast<int>(value)) {
    current().format.alignment = static_cast<int>(value);
  } else {
    return false;
  }
  return true;
}

bool DocumentWriter::AddPicture(const std::string& path, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "无法读取图片文件 " + path + "：" + std::strerror(errno);
    return false;
  }
  Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
    if (error) *error = "无法读取图片文件 " + path;
    return false;
  }
  return AddPictureBytes(std::move(bytes), error);
}

bool DocumentWriter::AddPictureBytes(Bytes bytes, std::string* error) {
  const auto info = ReadPictureInfo(bytes);
  if (!info) {
    if (error) *error = "图片格式无法识别";
    return false;
  }
  document_.pictures.push_back({*info, std::move(bytes)});
  Append({Inline::Kind::Picture, {}, format_, static_cast<int>(document_.pictures.size() - 1)});
  return true;
}

}  // namespace output
